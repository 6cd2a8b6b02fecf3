// Data-bound editors of the register screens.
#include "config/OptionsDataEditors.h"

#include "ui/ErrorHandler.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRegularExpressionValidator>
#include <QToolButton>

namespace orvex::config {
namespace {

using store::FieldType;
using store::Table;

const store::FieldDef *fieldDef(const Table &table, const QString &field) {
    const int i = table.definition().fieldIndex(field);
    return i >= 0 ? &table.definition().fields[i] : nullptr;
}

bool hasRow(const Table &table) {
    return table.isOpen() && !table.isEmpty();
}

int fieldSize(const Table &table, const QString &field) {
    const store::FieldDef *def = fieldDef(table, field);
    return def && def->type == FieldType::Text ? def->size : 0;
}

const int kSensorNo = 1;
const int kSensorName = 2;
const int kSensDescription = 4;

} // namespace

void setFieldFromEditor(Table &table, const QString &field, const QString &text) {
    if (!hasRow(table))
        return;
    if (table.state() == Table::State::Browse)
        table.edit();
    table.setValue(field, text.isEmpty() ? QVariant() : QVariant(text));
}

void postPendingEdit(Table &table) {
    if (table.isOpen() &&
        (table.state() == Table::State::Edit || table.state() == Table::State::Insert))
        table.post();
}

void moveToRow(Table &table, const store::Row &row) {
    if (hasRow(table) && table.currentRow().rowId == row.rowId)
        return;
    table.moveTo(row);
}

DbEdit::DbEdit(Table &table, const QString &field, int maxLength, QWidget *parent)
    : QLineEdit(parent), m_table(table), m_field(field) {
    const store::FieldDef *def = fieldDef(table, field);
    const bool number = def && def->type != FieldType::Text;
    if (maxLength == 0)
        maxLength = fieldSize(table, field);
    if (maxLength > 0)
        setMaxLength(maxLength);
    if (number) {
        setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    }
    connect(&table, &Table::currentChanged, this, &DbEdit::reload);
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        ui::guarded([&] { setFieldFromEditor(m_table, m_field, text); }, this);
    });
    reload();
}

void DbEdit::reload() {
    const QString text = hasRow(m_table) ? m_table.asString(m_field) : QString();
    if (this->text() != text)
        setText(text);
}

DbText::DbText(Table &table, const QString &field, QWidget *parent)
    : QLabel(parent), m_table(table), m_field(field) {
    connect(&table, &Table::currentChanged, this, &DbText::reload);
    reload();
}

void DbText::reload() {
    setText(hasRow(m_table) ? m_table.asString(m_field) : QString());
}

DbMemo::DbMemo(Table &table, const QString &field, QWidget *parent)
    : QPlainTextEdit(parent), m_table(table), m_field(field), m_maxLength(fieldSize(table, field)) {
    connect(&table, &Table::currentChanged, this, &DbMemo::reload);
    connect(this, &QPlainTextEdit::textChanged, this, &DbMemo::edited);
    reload();
}

void DbMemo::reload() {
    const QString text = hasRow(m_table) ? m_table.asString(m_field) : QString();
    if (toPlainText() == text)
        return;
    m_loading = true;
    setPlainText(text);
    m_loading = false;
}

void DbMemo::edited() {
    if (m_loading)
        return;
    QString text = toPlainText();
    if (m_maxLength > 0 && text.size() > m_maxLength) {
        // The field holds at most its size; typing beyond it is refused.
        text.truncate(m_maxLength);
        m_loading = true;
        setPlainText(text);
        moveCursor(QTextCursor::End);
        m_loading = false;
    }
    ui::guarded([&] { setFieldFromEditor(m_table, m_field, text); }, this);
}

DbNavigator::DbNavigator(Table &table, QWidget *parent) : QWidget(parent), m_table(table) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const Qt::ArrowType arrows[4] = {Qt::NoArrow, Qt::LeftArrow, Qt::RightArrow, Qt::NoArrow};
    const char *texts[4] = {"|◄", "", "", "►|"};
    const char *names[4] = {"Первый пульт", "Предыдущий пульт", "Следующий пульт",
                            "Последний пульт"};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(this);
        if (arrows[i] != Qt::NoArrow)
            b->setArrowType(arrows[i]);
        else
            b->setText(QString::fromUtf8(texts[i]));
        b->setAccessibleName(QString::fromUtf8(names[i]));
        b->setFocusPolicy(Qt::TabFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, i] { press(Button(i)); });
        m_buttons[i] = b;
    }
}

void DbNavigator::press(Button which) {
    ui::guarded(
        [&] {
            if (!m_table.isOpen())
                return;
            switch (which) {
            case First:
                m_table.first();
                break;
            case Prior:
                m_table.prior();
                break;
            case Next:
                m_table.next();
                break;
            case Last:
                m_table.last();
                break;
            }
            emit moved(which);
        },
        this);
}

SensorPanelGrid::SensorPanelGrid(Table &sensors, QWidget *parent)
    : QWidget(parent), m_sensors(sensors) {
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    for (int i = 0; i < kColumns * kRows; ++i) {
        auto *panel = new QFrame(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Raised);
        auto *row = new QHBoxLayout(panel);
        row->setContentsMargins(6, 2, 6, 2);
        auto *caption = new QLabel(QStringLiteral("Название датчика №"), panel);
        auto *number = new QLabel(panel);
        number->setMinimumWidth(14);
        auto *name = new QLineEdit(panel);
        name->setMaxLength(fieldSize(sensors, store::fields::SensorName));
        name->setAccessibleName(QStringLiteral("Название датчика №%1").arg(i + 1));
        row->addWidget(caption);
        row->addWidget(number);
        row->addWidget(name, 1);
        grid->addWidget(panel, i / kColumns, i % kColumns);
        connect(name, &QLineEdit::textEdited, this,
                [this, i](const QString &text) { edited(i, text); });
        m_panels[i] = panel;
        m_numbers[i] = number;
        m_names[i] = name;
    }
    connect(&sensors, &Table::currentChanged, this, &SensorPanelGrid::reload);
    connect(&sensors, &Table::tableChanged, this, &SensorPanelGrid::reload);
    reload();
}

void SensorPanelGrid::reload() {
    const QList<store::Row> before = m_rows;
    ui::guarded(
        [&] {
            m_rows =
                m_sensors.isOpen() ? m_sensors.firstPage(kColumns * kRows) : QList<store::Row>();
        },
        this);
    for (int i = 0; i < kColumns * kRows; ++i) {
        const bool present = i < m_rows.size();
        m_panels[i]->setVisible(present);
        if (!present)
            continue;
        const store::Row &row = m_rows[i];
        m_numbers[i]->setText(row.values.value(kSensorNo).toString());
        // The editor being typed in keeps its text while it still shows the
        // same row: the row may hold a pending edit not yet stored.
        if (m_names[i]->hasFocus() && i < before.size() && before[i].rowId == row.rowId)
            continue;
        const QString name = row.values.value(kSensorName).toString();
        if (m_names[i]->text() != name)
            m_names[i]->setText(name);
    }
}

void SensorPanelGrid::edited(int panel, const QString &text) {
    if (panel >= m_rows.size())
        return;
    ui::guarded(
        [&] {
            moveToRow(m_sensors, m_rows[panel]);
            setFieldFromEditor(m_sensors, store::fields::SensorName, text);
        },
        this);
}

SensorDescriptionTable::SensorDescriptionTable(Table &sensors, QWidget *parent)
    : QTableWidget(0, 2, parent), m_sensors(sensors) {
    setHorizontalHeaderLabels({store::fields::SensorNo, store::fields::SensDescription});
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setDefaultSectionSize(18);
    setColumnWidth(0, 64);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(&sensors, &Table::currentChanged, this, &SensorDescriptionTable::reload);
    connect(&sensors, &Table::tableChanged, this, &SensorDescriptionTable::reload);
    connect(this, &QTableWidget::itemChanged, this, &SensorDescriptionTable::cellEdited);
    reload();
}

void SensorDescriptionTable::reload() {
    if (m_loading)
        return;
    ui::guarded([&] { m_rows = m_sensors.isOpen() ? m_sensors.firstPage(8) : QList<store::Row>(); },
                this);
    m_loading = true;
    setRowCount(int(m_rows.size()));
    for (int i = 0; i < m_rows.size(); ++i) {
        auto *number = new QTableWidgetItem(m_rows[i].values.value(kSensorNo).toString());
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        number->setTextAlignment(Qt::AlignCenter);
        number->setBackground(QColor(192, 220, 192));
        setItem(i, 0, number);
        setItem(i, 1, new QTableWidgetItem(m_rows[i].values.value(kSensDescription).toString()));
    }
    m_loading = false;
}

void SensorDescriptionTable::cellEdited(QTableWidgetItem *item) {
    if (m_loading || item->column() != 1 || item->row() >= m_rows.size())
        return;
    QString text = item->text();
    const int limit = fieldSize(m_sensors, store::fields::SensDescription);
    if (limit > 0 && text.size() > limit) {
        text.truncate(limit);
        m_loading = true;
        item->setText(text);
        m_loading = false;
    }
    const store::Row row = m_rows[item->row()];
    m_loading = true; // the move re-reads the rows; this cell keeps its text
    ui::guarded(
        [&] {
            moveToRow(m_sensors, row);
            setFieldFromEditor(m_sensors, store::fields::SensDescription, text);
        },
        this);
    m_loading = false;
}

} // namespace orvex::config
