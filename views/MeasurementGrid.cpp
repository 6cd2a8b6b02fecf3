// The radio group and the table of the data views.
#include "views/MeasurementGrid.h"

#include "ui/ErrorHandler.h"

#include <QButtonGroup>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace orvex::views {

// ---------------------------------------------------------------- RadioGroup

RadioGroup::RadioGroup(const QString &title, const QStringList &items, QWidget *parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 4, 2);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        m_group->addButton(button, i);
        layout->addWidget(button);
        m_buttons << button;
    }
    setAccessibleName(title.trimmed());
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

int RadioGroup::itemIndex() const {
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < m_buttons.size())
        m_buttons[index]->setChecked(true);
}

// ---------------------------------------------------------------- MeasurementGrid

MeasurementGrid::MeasurementGrid(MeasurementModel *model, QWidget *parent)
    : QTableView(parent), m_model(model) {
    setModel(model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(255,251,240);"
                       " border: 0; border-right: 1px solid #a0a0a0;"
                       " border-bottom: 1px solid #a0a0a0; padding: 2px; }"));

    // The current row stays highlighted while another control has the focus.
    QPalette palette = this->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    setPalette(palette);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &MeasurementGrid::onScroll);
    connect(model, &MeasurementModel::windowTrimmed, this, &MeasurementGrid::onTrimmed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &MeasurementGrid::afterRowsRemoved);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { emit positionChanged(); });
}

void MeasurementGrid::selectRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, qMax(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
    emit positionChanged();
}

void MeasurementGrid::first() {
    m_model->loadFirst();
    scrollToTop();
    selectRow(0);
}

void MeasurementGrid::last() {
    m_model->loadLast();
    scrollToBottom();
    selectRow(m_model->rowCount() - 1);
}

void MeasurementGrid::next() {
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    if (row + 1 >= m_model->rowCount()) {
        m_fetching = true;
        m_model->fetchAfter();
        m_fetching = false;
        row = currentIndex().isValid() ? currentIndex().row() : row;
    }
    selectRow(row + 1);
}

void MeasurementGrid::prior() {
    int row = currentIndex().isValid() ? currentIndex().row() : 0;
    if (row == 0) {
        m_fetching = true;
        const int added = m_model->fetchBefore();
        m_fetching = false;
        row += added;
    }
    selectRow(row - 1);
}

bool MeasurementGrid::bof() const {
    return m_model->atStart() && (!currentIndex().isValid() || currentIndex().row() == 0);
}

bool MeasurementGrid::eof() const {
    return m_model->atEnd() &&
           (!currentIndex().isValid() || currentIndex().row() == m_model->rowCount() - 1);
}

const store::Row *MeasurementGrid::currentRecord() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? &m_model->row(index.row()) : nullptr;
}

void MeasurementGrid::keyPressEvent(QKeyEvent *event) {
    ui::guarded(
        [&] {
            const bool ctrl = event->modifiers() & Qt::ControlModifier;
            if (ctrl && event->key() == Qt::Key_Home)
                first();
            else if (ctrl && event->key() == Qt::Key_End)
                last();
            else if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier)
                next();
            else if (event->key() == Qt::Key_Up && event->modifiers() == Qt::NoModifier)
                prior();
            else {
                QTableView::keyPressEvent(event);
                emit positionChanged();
            }
        },
        this);
}

// Scrolling to either end of the window brings the next page in.
void MeasurementGrid::onScroll(int value) {
    if (m_fetching)
        return;
    QScrollBar *bar = verticalScrollBar();
    m_fetching = true;
    ui::guarded(
        [&] {
            if (value >= bar->maximum() && !m_model->atEnd()) {
                m_model->fetchAfter();
                executeDelayedItemsLayout();
            } else if (value <= bar->minimum() && !m_model->atStart()) {
                const int added = m_model->fetchBefore();
                executeDelayedItemsLayout();
                bar->setValue(bar->value() + added);
            }
        },
        this);
    m_fetching = false;
    emit positionChanged();
}

// Rows dropped above the visible ones would make the rows jump: the scroll
// position follows them.
void MeasurementGrid::onTrimmed(int rows, bool atTop) {
    if (atTop) {
        m_trimmedAtTop = rows;
        m_valueBeforeTrim = verticalScrollBar()->value();
    }
}

void MeasurementGrid::afterRowsRemoved() {
    if (!m_trimmedAtTop)
        return;
    const int rows = m_trimmedAtTop;
    m_trimmedAtTop = 0;
    const bool was = m_fetching;
    m_fetching = true;
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(qMax(0, m_valueBeforeTrim - rows));
    m_fetching = was;
    if (!currentIndex().isValid())
        selectRow(qMax(0, rowAt(0)));
}

} // namespace orvex::views
