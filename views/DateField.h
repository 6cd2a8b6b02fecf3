// A date field of the data views: two digits for each of day, month and year
// in the order and with the separator of the operator's short date format.
// Every digit must be given: the operator cannot leave the field for another
// control of the window while a digit is missing (an error box says so and
// the focus comes back), and Esc puts back the date the field had when it
// took the focus.
#pragma once

#include <QLineEdit>

namespace orvex::views {

class DateField : public QLineEdit {
    Q_OBJECT
public:
    explicit DateField(QWidget *parent = nullptr);

    // Every digit of the date is there.
    bool isComplete() const { return hasAcceptableInput(); }
    // When a digit is missing: the error box, and the focus back in the field.
    // Returns whether the field was complete.
    bool refuseIncomplete();

    static QString incompleteText();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_textOnEntry;
    bool m_refusing = false;
};

} // namespace orvex::views
