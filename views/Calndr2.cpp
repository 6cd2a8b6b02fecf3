// The date picker dialog.
#include "views/Calndr2.h"

#include "ui/Activation.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"
#include "views/DateFormats.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

namespace orvex::views {

namespace {

constexpr int kYearMinimum = 1990;
constexpr int kYearMaximum = 2090;
// The calendar holds years 1..9999; a year outside cannot be shown.
constexpr int kLastCalendarYear = 9999;

const QColor kFocusColour(0, 255, 255);

void setBaseColour(QWidget *widget, const QColor &colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

} // namespace

// ---------------------------------------------------------------- YearSpinBox

YearSpinBox::YearSpinBox(int minimum, int maximum, QWidget *parent)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setText(QString::number(minimum));
    connect(lineEdit(), &QLineEdit::textChanged, this, &YearSpinBox::textChanged);
}

int YearSpinBox::value() const {
    bool ok = false;
    const int number = text().trimmed().toInt(&ok);
    return ok ? number : m_minimum;
}

void YearSpinBox::setValue(int value) {
    const QString text = QString::number(std::clamp(value, m_minimum, m_maximum));
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

void YearSpinBox::stepBy(int steps) {
    setValue(value() + steps);
}

// Signs and digits may be typed, whatever number they make; the field's
// users decide what a number means.
QValidator::State YearSpinBox::validate(QString &input, int &) const {
    for (QChar c : input) {
        if (!c.isDigit() && c != u'-' && c != u'+')
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

// ---------------------------------------------------------------- SpinArrows

SpinArrows::SpinArrows(QWidget *parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    setFocusPolicy(Qt::StrongFocus);
    for (QToolButton *button : {m_up, m_down}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, &SpinArrows::upClicked);
    connect(m_down, &QToolButton::clicked, this, &SpinArrows::downClicked);
}

void SpinArrows::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Up)
        emit upClicked();
    else if (event->key() == Qt::Key_Down)
        emit downClicked();
    else
        QWidget::keyPressEvent(event);
}

void SpinArrows::resizeEvent(QResizeEvent *) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

// ---------------------------------------------------------------- MonthCalendar

void MonthCalendar::paintCell(QPainter *painter, const QRect &rect, QDate date) const {
    if (date.month() == monthShown() && date.year() == yearShown())
        QCalendarWidget::paintCell(painter, rect, date);
    else
        painter->fillRect(rect, palette().brush(QPalette::Base));
}

// ---------------------------------------------------------------- TDateDlgForm

TDateDlgForm::TDateDlgForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DateDlgForm"));
    setWindowTitle(QStringLiteral("Календарь"));
    resize(380, 328);
    move(205, 86);
    // "MS Sans Serif" is not on Linux; Liberation Sans has Arial's metrics
    // and is the nearest installed family.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(21);
    font.setBold(true);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Text, Qt::black);
    setPalette(palette);

    auto *bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel->setGeometry(7, 0, 345, 244);

    Calendar1 = new MonthCalendar(this);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar1->setGeometry(17, 4, 324, 183);
    Calendar1->setFirstDayOfWeek(Qt::Monday);
    Calendar1->setNavigationBarVisible(false);
    Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar1->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    Calendar1->setDateEditEnabled(false);
    Calendar1->setGridVisible(true);
    Calendar1->setAccessibleName(QStringLiteral("Календарь"));
    // Six weeks and the weekday row share 183 pixels: the day numbers are
    // smaller than the dialog's text. Weekends look like other days.
    QFont dayFont = font;
    dayFont.setPixelSize(15);
    Calendar1->setFont(dayFont);
    QTextCharFormat plain;
    plain.setForeground(Qt::black);
    Calendar1->setWeekdayTextFormat(Qt::Saturday, plain);
    Calendar1->setWeekdayTextFormat(Qt::Sunday, plain);

    // The weekday strip covers the calendar's own weekday row.
    auto *weekdays = new QStandardItemModel(0, 7, this);
    weekdays->setHorizontalHeaderLabels({QStringLiteral("  Пнд"), QStringLiteral("Втрн"),
                                         QStringLiteral(" Сред"), QStringLiteral("Четв"),
                                         QStringLiteral("Пятн"), QStringLiteral("Субт"),
                                         QStringLiteral("Вскр")});
    Header1 = new QHeaderView(Qt::Horizontal, this);
    Header1->setObjectName(QStringLiteral("Header1"));
    Header1->setModel(weekdays);
    Header1->setGeometry(17, 4, 325, 26);
    Header1->setSectionResizeMode(QHeaderView::Fixed);
    Header1->setStretchLastSection(false);
    Header1->setSectionsClickable(false);
    Header1->setFocusPolicy(Qt::NoFocus);
    Header1->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int widths[7] = {47, 47, 51, 48, 48, 46, 44};
    for (int i = 0; i < 7; ++i)
        Header1->resizeSection(i, widths[i]);
    QFont headerFont = font;
    headerFont.setPixelSize(13);
    Header1->setFont(headerFont);
    Header1->raise();

    MonthEdit = new QLineEdit(QStringLiteral("Месяцы"), this);
    MonthEdit->setObjectName(QStringLiteral("MonthEdit"));
    MonthEdit->setGeometry(18, 198, 117, 32);
    MonthEdit->setFocusPolicy(Qt::ClickFocus);
    MonthEdit->setAccessibleName(QStringLiteral("Месяц"));

    MonthSpButton = new SpinArrows(this);
    MonthSpButton->setObjectName(QStringLiteral("MonthSpButton"));
    MonthSpButton->setGeometry(120, 198, 15, 32);
    MonthSpButton->setAccessibleName(QStringLiteral("Месяц назад или вперёд"));
    MonthSpButton->raise();

    YearSpinEdit = new YearSpinBox(kYearMinimum, kYearMaximum, this);
    YearSpinEdit->setObjectName(QStringLiteral("YearSpinEdit"));
    YearSpinEdit->setGeometry(147, 198, 70, 34);
    YearSpinEdit->setAccessibleName(QStringLiteral("Год"));

    OkBitBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("ОК"), this);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    OkBitBtn->setGeometry(119, 252, 107, 30);
    OkBitBtn->setDefault(true);
    CancelBitBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                   QStringLiteral("Отмена"), this);
    CancelBitBtn->setObjectName(QStringLiteral("CancelBitBtn"));
    CancelBitBtn->setGeometry(237, 252, 107, 30);

    setTabOrder(YearSpinEdit, MonthSpButton);
    setTabOrder(MonthSpButton, Calendar1);
    setTabOrder(Calendar1, OkBitBtn);
    setTabOrder(OkBitBtn, CancelBitBtn);

    connect(OkBitBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBitBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(YearSpinEdit, &YearSpinBox::textChanged, this,
            [this] { ui::guarded([this] { YearSpinEditChange(); }, this); });
    connect(MonthSpButton, &SpinArrows::upClicked, this,
            [this] { ui::guarded([this] { MonthSpButtonUpClick(); }, this); });
    connect(MonthSpButton, &SpinArrows::downClicked, this,
            [this] { ui::guarded([this] { MonthSpButtonDownClick(); }, this); });
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this] { updateFocusColours(); });

    // Every activation starts again from today: the focus coming to the
    // dialog from another window of the program. The return from another
    // application, or from the dialog's own error box, keeps the date being
    // picked.
    auto *activation = new ui::ActivationWatch(this);
    connect(activation, &ui::ActivationWatch::activated, this, [this] { FormCreate(); });

    YearSpinEdit->setFocus();
    FormCreate();
}

TDateDlgForm::~TDateDlgForm() {
    disconnect(m_focusWatch);
}

QString TDateDlgForm::monthName(int month) {
    static const char16_t *const names[12] = {u"Январь",   u"Февраль", u"Март",   u"Апрель",
                                              u"Май",      u"Июнь",    u"Июль",   u"Август",
                                              u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};
    if (month < 1 || month > 12)
        return QString();
    return QString::fromUtf16(names[month - 1]);
}

QString TDateDlgForm::SelectedDateText() const {
    return shortDateText(calendarDate());
}

QDate TDateDlgForm::calendarDate() const {
    return Calendar1->selectedDate();
}
QString TDateDlgForm::monthText() const {
    return MonthEdit->text();
}
QString TDateDlgForm::yearText() const {
    return YearSpinEdit->text();
}

// The calendar shows one month and only that month's days can be picked, so
// clicks and arrow keys stay within it; the dialog's own controls change the
// month.
void TDateDlgForm::setCalendarDate(const QDate &date) {
    const QDate first(date.year(), date.month(), 1);
    const QDate last = first.addDays(first.daysInMonth() - 1);
    if (date < Calendar1->minimumDate()) {
        Calendar1->setMinimumDate(first);
        Calendar1->setMaximumDate(last);
    } else {
        Calendar1->setMaximumDate(last);
        Calendar1->setMinimumDate(first);
    }
    Calendar1->setSelectedDate(date);
    Calendar1->setCurrentPage(date.year(), date.month());
}

void TDateDlgForm::FormCreate() {
    setCalendarDate(QDate::currentDate());
    MonthEdit->setText(monthName(calendarDate().month()));
    YearSpinEdit->setValue(calendarDate().year());
}

void TDateDlgForm::YearSpinEditChange() {
    const int year = YearSpinEdit->value();
    if (year < 1)
        return;
    const QDate current = calendarDate();
    const QDate date(year, current.month(), current.day());
    if (!date.isValid() || year > kLastCalendarYear)
        throw SystemError(QStringLiteral("Недопустимая дата"));
    if (date != current)
        setCalendarDate(date);
}

void TDateDlgForm::moveMonth(int months) {
    // addMonths keeps the day where the new month has it and otherwise takes
    // the month's last day.
    const QDate date = calendarDate().addMonths(months);
    if (!date.isValid() || date.year() < 1 || date.year() > kLastCalendarYear)
        return;
    setCalendarDate(date);
    MonthEdit->setText(monthName(date.month()));
    YearSpinEdit->setValue(date.year());
}

void TDateDlgForm::MonthSpButtonDownClick() {
    moveMonth(-1);
}
void TDateDlgForm::MonthSpButtonUpClick() {
    moveMonth(1);
}

// The year field and the calendar are aqua while they hold the dialog's
// focus, the month name while its arrows do. The colour follows the
// dialog's focus control, which stays when another program is switched to.
void TDateDlgForm::updateFocusColours() {
    QWidget *focus = focusWidget();
    const QColor normal = QApplication::palette().color(QPalette::Base);
    auto holds = [focus](QWidget *control) {
        return focus && (focus == control || control->isAncestorOf(focus));
    };
    setBaseColour(YearSpinEdit, holds(YearSpinEdit) ? kFocusColour : normal);
    setBaseColour(Calendar1, holds(Calendar1) ? kFocusColour : normal);
    if (auto *view = Calendar1->findChild<QTableView *>())
        setBaseColour(view, holds(Calendar1) ? kFocusColour : normal);
    setBaseColour(MonthEdit, holds(MonthSpButton) ? kFocusColour : normal);
}

void TDateDlgForm::showEvent(QShowEvent *event) {
    FormCreate();
    YearSpinEdit->setFocus();
    QDialog::showEvent(event);
}

void TDateDlgForm::mouseDoubleClickEvent(QMouseEvent *event) {
    FormCreate();
    QDialog::mouseDoubleClickEvent(event);
}

} // namespace orvex::views
