// The date fields of the data views.
#include "views/DateField.h"

#include "ui/Messages.h"
#include "views/DateFormats.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

namespace orvex::views {

DateField::DateField(QWidget *parent) : QLineEdit(parent) {
    setInputMask(fieldInputMask());
}

QString DateField::incompleteText() {
    return QStringLiteral("Неполная дата: введите все цифры.\r"
                          "Нажмите Esc, чтобы вернуть прежнюю дату.");
}

bool DateField::refuseIncomplete() {
    if (isComplete())
        return true;
    if (m_refusing)
        return false;
    m_refusing = true;
    ui::showError(incompleteText(), window());
    m_refusing = false;
    if (isVisible()) {
        setFocus(Qt::OtherFocusReason);
        // The cursor goes to the first missing digit.
        const QString shown = displayText();
        const int gap = shown.indexOf(u'_');
        setCursorPosition(gap >= 0 ? gap : 0);
    }
    return false;
}

void DateField::focusInEvent(QFocusEvent *event) {
    if (!m_refusing && isComplete())
        m_textOnEntry = text();
    QLineEdit::focusInEvent(event);
}

// Leaving for another control of the window checks the date once the focus
// has moved; going to another window or a menu leaves the field as it is.
void DateField::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || m_refusing ||
        isComplete())
        return;
    QTimer::singleShot(0, this, [this] {
        // A check already made (by "ПРИМЕНИТЬ") brought the focus back.
        if (!hasFocus() && isVisible())
            refuseIncomplete();
    });
}

void DateField::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        !m_textOnEntry.isEmpty()) {
        setText(m_textOnEntry);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace orvex::views
