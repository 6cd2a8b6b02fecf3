// Controls of the options dialog.
#include "config/OptionsWidgets.h"

#include "config/OptionsRules.h"

#include <QApplication>
#include <QLineEdit>

namespace orvex::config {

SpinEdit::SpinEdit(int minValue, int maxValue, int value, QWidget *parent)
    : QAbstractSpinBox(parent), m_min(minValue), m_max(maxValue) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::changed);
    setValue(value);
}

void SpinEdit::setMaxLength(int length) {
    m_maxLength = length;
    lineEdit()->setMaxLength(length > 0 ? length : 32767);
}

void SpinEdit::setEditorEnabled(bool enabled) {
    lineEdit()->setReadOnly(!enabled);
}

int SpinEdit::value() const {
    const std::optional<int> v = fieldNumber(text());
    return v ? *v : m_min;
}

void SpinEdit::setValue(int value) {
    setText(QString::number(std::clamp(value, m_min, m_max)));
}

QString SpinEdit::text() const {
    return lineEdit()->text();
}

void SpinEdit::setText(const QString &text) {
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

void SpinEdit::clampToRange() {
    const std::optional<int> v = fieldNumber(text());
    if (!v)
        setValue(m_min);
    else if (*v < m_min || *v > m_max)
        setValue(*v);
}

void SpinEdit::stepBy(int steps) {
    if (lineEdit()->isReadOnly() && !isEnabled())
        return;
    const qint64 next = qint64(value()) + qint64(steps) * m_increment;
    setValue(int(std::clamp<qint64>(next, m_min, m_max)));
    selectAll();
}

QValidator::State SpinEdit::validate(QString &input, int &) const {
    // Digits and signs only, as a numeric field takes them; whether the text
    // is a number in range is for the leave rule to decide.
    if (m_maxLength > 0 && input.size() > m_maxLength)
        return QValidator::Invalid;
    for (QChar c : std::as_const(input)) {
        if (!c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-'))
            return QValidator::Invalid;
        if (c.isDigit() && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    if (!isEnabled())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

RadioGroup::RadioGroup(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this)) {
    m_layout->setContentsMargins(8, 4, 8, 4);
    m_layout->setVerticalSpacing(0);
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

void RadioGroup::setItems(const QStringList &items, int columns) {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    columns = std::max(1, columns);
    const int perColumn = std::max<int>(1, int((items.size() + columns - 1) / columns));
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        button->setAccessibleName(items[i]);
        m_group->addButton(button, i);
        m_layout->addWidget(button, i % perColumn, i / perColumn);
        m_buttons.append(button);
    }
}

QStringList RadioGroup::items() const {
    QStringList out;
    for (const QRadioButton *b : m_buttons)
        out << b->text();
    return out;
}

int RadioGroup::itemIndex() const {
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons[index]->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its checked button directly.
    m_group->setExclusive(false);
    for (QRadioButton *b : std::as_const(m_buttons))
        b->setChecked(false);
    m_group->setExclusive(true);
}

QString RadioGroup::chosenText() const {
    const int i = itemIndex();
    return i >= 0 ? m_buttons[i]->text() : QString();
}

QSize FixedWidthTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    size.setWidth(m_tabWidth);
    return size;
}

FocusWatcher::FocusWatcher(QObject *parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this, &FocusWatcher::focusChanged);
}

void FocusWatcher::onLeave(QWidget *control, std::function<void()> handler) {
    m_leave.append({control, std::move(handler)});
}

void FocusWatcher::onEnter(QWidget *control, std::function<void()> handler) {
    m_enter.append({control, std::move(handler)});
}

namespace {

bool inside(const QWidget *w, const QWidget *control) {
    return w && (w == control || control->isAncestorOf(w));
}

} // namespace

void FocusWatcher::focusChanged(QWidget *old, QWidget *now) {
    // A handler may show a message box and put the focus back on its field;
    // the focus moves this causes are part of the handler, not new leaves or
    // entries (the control the focus was heading for never counts as entered
    // and then left).
    if (m_running || !old || !now)
        return;
    m_running = true;
    const auto run = [&](const QList<Watch> &watches, bool leaving) {
        for (const Watch &watch : watches) {
            QWidget *control = watch.control;
            if (!control || now->window() != control->window())
                continue;
            const bool fromInside = inside(old, control);
            const bool toInside = inside(now, control);
            if (leaving ? (fromInside && !toInside) : (!fromInside && toInside))
                watch.handler();
        }
    };
    run(m_leave, true);
    run(m_enter, false);
    m_running = false;
}

} // namespace orvex::config
