// Data-bound editors of the register screens of the options dialog. Each one
// shows a field of the current row of a table handle and follows the handle's
// cursor; typing puts the row into edit state and sets the field at once, so
// the handle posts the edit at its next cursor move (or when the dialog
// closes). Store errors are shown by the general error handler.
#pragma once

#include "store/Table.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>

#include <array>

namespace orvex::config {

// Puts the current row of `table` into edit state when it is not already
// being edited or appended, then sets `field`; an empty text empties it.
void setFieldFromEditor(store::Table &table, const QString &field, const QString &text);

// Posts a pending edit of the handle, if any.
void postPendingEdit(store::Table &table);

// Moves a detail handle to one of its rows unless it is already there.
void moveToRow(store::Table &table, const store::Row &row);

// One-line editor of a text or number field.
class DbEdit : public QLineEdit {
    Q_OBJECT
public:
    // `maxLength` 0 takes the field's own size; a number field accepts digits.
    DbEdit(store::Table &table, const QString &field, int maxLength = 0, QWidget *parent = nullptr);
    QString field() const { return m_field; }
    void reload();

private:
    store::Table &m_table;
    QString m_field;
};

// Label that shows a field of the current row.
class DbText : public QLabel {
    Q_OBJECT
public:
    DbText(store::Table &table, const QString &field, QWidget *parent = nullptr);
    void reload();

private:
    store::Table &m_table;
    QString m_field;
};

// Multi-line editor of a text field, limited to the field's size.
class DbMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    DbMemo(store::Table &table, const QString &field, QWidget *parent = nullptr);
    void reload();

private:
    void edited();

    store::Table &m_table;
    QString m_field;
    int m_maxLength;
    bool m_loading = false;
};

// Record navigator with the buttons first, prior, next and last. It reports
// each press after the cursor has moved.
class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last };

    explicit DbNavigator(store::Table &table, QWidget *parent = nullptr);
    QToolButton *button(Button which) const { return m_buttons[which]; }
    void press(Button which);

signals:
    void moved(orvex::config::DbNavigator::Button which);

private:
    store::Table &m_table;
    std::array<QToolButton *, 4> m_buttons{};
};

// The channel rows of the current unit as a grid of 2 columns by 4 rows of
// panels, each with "Название датчика №", the channel number and an editor of
// the channel's name. Editing a panel moves the handle to its row.
class SensorPanelGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 2;
    static constexpr int kRows = 4;

    explicit SensorPanelGrid(store::Table &sensors, QWidget *parent = nullptr);
    void reload();
    QLineEdit *nameEditor(int panel) const { return m_names[panel]; }
    QLabel *numberLabel(int panel) const { return m_numbers[panel]; }
    QWidget *panel(int panel) const { return m_panels[panel]; }

private:
    void edited(int panel, const QString &text);

    store::Table &m_sensors;
    std::array<QWidget *, kColumns * kRows> m_panels{};
    std::array<QLabel *, kColumns * kRows> m_numbers{};
    std::array<QLineEdit *, kColumns * kRows> m_names{};
    QList<store::Row> m_rows;
};

// The channel rows of the current unit as a table of the channel number
// (read-only) and its free-text description.
class SensorDescriptionTable : public QTableWidget {
    Q_OBJECT
public:
    explicit SensorDescriptionTable(store::Table &sensors, QWidget *parent = nullptr);
    void reload();

private:
    void cellEdited(QTableWidgetItem *item);

    store::Table &m_sensors;
    QList<store::Row> m_rows;
    bool m_loading = false;
};

} // namespace orvex::config
