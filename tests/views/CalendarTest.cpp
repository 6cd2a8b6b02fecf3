// The date picker: reset to today, the month arrows at month and year ends,
// the year field's clamping and free typing, the invalid 29 February, the
// focus colours and the picked date's text. Drawing is left to the screenshot
// tool.
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"
#include "views/Calndr2.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::views;

namespace {

const QColor kAqua(0, 255, 255);

QLineEdit *yearLine(TDateDlgForm &dlg) {
    return dlg.YearSpinEdit->findChild<QLineEdit *>();
}

void typeYear(TDateDlgForm &dlg, const QString &text) {
    QLineEdit *line = yearLine(dlg);
    line->selectAll();
    if (text.isEmpty())
        QTest::keyClick(line, Qt::Key_Backspace);
    else
        QTest::keyClicks(line, text);
}

// Walks the dialog to `date` the way an operator does: the year field, the
// month arrows (the 1st of each month exists everywhere), then a day click.
void goTo(TDateDlgForm &dlg, const QDate &date) {
    dlg.Calendar1->setSelectedDate(QDate(dlg.calendarDate().year(), dlg.calendarDate().month(), 1));
    typeYear(dlg, QString::number(date.year()));
    while (dlg.calendarDate().month() < date.month())
        dlg.MonthSpButtonUpClick();
    while (dlg.calendarDate().month() > date.month())
        dlg.MonthSpButtonDownClick();
    dlg.Calendar1->setSelectedDate(date);
    ASSERT_EQ(dlg.calendarDate(), date);
}

class DatePicker : public ::testing::Test {
protected:
    test::ScopedLocale locale{test::russianLocale()};
    ui::MessageRecorder messages;
    TDateDlgForm dlg;
};

} // namespace

TEST_F(DatePicker, OpensOnTodayWhateverWasPickedBefore) {
    const QDate today = QDate::currentDate();
    EXPECT_EQ(dlg.calendarDate(), today);
    goTo(dlg, QDate(2031, 7, 14));
    dlg.show();
    EXPECT_EQ(dlg.calendarDate(), today);
    EXPECT_EQ(dlg.monthText(), TDateDlgForm::monthName(today.month()));
    EXPECT_EQ(dlg.yearText(), QString::number(today.year()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_EQ(dlg.focusWidget(), dlg.YearSpinEdit);

    // Leaving for another window and coming back starts again from today.
    goTo(dlg, QDate(2031, 7, 14));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_EQ(dlg.calendarDate(), today);
}

TEST_F(DatePicker, MonthArrowsKeepTheDayOrTakeTheMonthsLast) {
    struct Case {
        QDate from;
        bool up;
        QDate to;
        const char *month;
    } cases[] = {
        {QDate(2023, 3, 31), false, QDate(2023, 2, 28), "Февраль"},
        {QDate(2024, 1, 31), true, QDate(2024, 2, 29), "Февраль"},
        {QDate(2024, 12, 15), true, QDate(2025, 1, 15), "Январь"},
        {QDate(2024, 1, 15), false, QDate(2023, 12, 15), "Декабрь"},
    };
    for (const Case &c : cases) {
        goTo(dlg, c.from);
        if (c.up)
            dlg.MonthSpButtonUpClick();
        else
            dlg.MonthSpButtonDownClick();
        EXPECT_EQ(dlg.calendarDate(), c.to) << c.from.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(dlg.monthText(), QString::fromUtf8(c.month));
        EXPECT_EQ(dlg.yearText(), QString::number(c.to.year()));
    }
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DatePicker, ArrowsPastTheYearFieldsRangeLeaveTheFieldAtItsLimit) {
    goTo(dlg, QDate(2090, 12, 15));
    QTest::mouseClick(dlg.MonthSpButton->upButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.calendarDate(), QDate(2091, 1, 15));
    EXPECT_EQ(dlg.yearText(), QStringLiteral("2090"));

    goTo(dlg, QDate(1990, 1, 15));
    QTest::mouseClick(dlg.MonthSpButton->downButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.calendarDate(), QDate(1989, 12, 15));
    EXPECT_EQ(dlg.monthText(), QStringLiteral("Декабрь"));
    EXPECT_EQ(dlg.yearText(), QStringLiteral("1990"));
}

TEST_F(DatePicker, TypedYearIsNotClampedButTheFieldsArrowsClamp) {
    goTo(dlg, QDate(2024, 6, 10));
    typeYear(dlg, QStringLiteral("2101"));
    EXPECT_EQ(dlg.calendarDate(), QDate(2101, 6, 10));
    dlg.YearSpinEdit->stepUp();
    EXPECT_EQ(dlg.yearText(), QStringLiteral("2090"));
    EXPECT_EQ(dlg.calendarDate(), QDate(2090, 6, 10));

    // Up from December of a typed year beyond the range: the field falls back
    // to its maximum and takes the calendar with it.
    goTo(dlg, QDate(2024, 12, 1));
    typeYear(dlg, QStringLiteral("2101"));
    ASSERT_EQ(dlg.calendarDate(), QDate(2101, 12, 1));
    dlg.MonthSpButtonUpClick();
    EXPECT_EQ(dlg.yearText(), QStringLiteral("2090"));
    EXPECT_EQ(dlg.calendarDate(), QDate(2090, 1, 1));
}

TEST_F(DatePicker, ClearedOrNonPositiveYear) {
    goTo(dlg, QDate(2024, 6, 10));
    typeYear(dlg, QString());
    EXPECT_EQ(dlg.calendarDate(), QDate(1990, 6, 10));

    typeYear(dlg, QStringLiteral("2024"));
    typeYear(dlg, QStringLiteral("0"));
    EXPECT_EQ(dlg.calendarDate(), QDate(2024, 6, 10)) << "a year below 1 is ignored";
    // A lone sign is no number and counts as the field's minimum.
    typeYear(dlg, QStringLiteral("-"));
    EXPECT_EQ(dlg.calendarDate(), QDate(1990, 6, 10));
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DatePicker, YearWithout29FebruaryIsRefusedAndCalendarKeepsItsDate) {
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    goTo(dlg, QDate(2024, 2, 29));
    // The box takes the focus away and gives it back, as a real one does; that
    // return is no activation and must not reset the dialog.
    QWidget other;
    messages.setOnShow([&](const ui::RecordedMessage &) {
        other.show();
        other.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
        dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
    });
    // Pasted at once; typed digit by digit the calendar would follow the
    // intermediate years 2, 20 and 202 first.
    yearLine(dlg)->setText(QStringLiteral("2023"));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.messages()[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(dlg.calendarDate(), QDate(2024, 2, 29));
    EXPECT_EQ(dlg.yearText(), QStringLiteral("2023"));
}

TEST_F(DatePicker, DayPicksStayInTheShownMonth) {
    goTo(dlg, QDate(2024, 3, 31));
    dlg.Calendar1->setSelectedDate(QDate(2024, 4, 1));
    EXPECT_EQ(dlg.calendarDate(), QDate(2024, 3, 31));
    EXPECT_EQ(dlg.monthText(), QStringLiteral("Март"));
}

TEST_F(DatePicker, FocusColours) {
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    auto base = [](QWidget *w) { return w->palette().color(QPalette::Base); };
    EXPECT_EQ(base(dlg.YearSpinEdit), kAqua);
    EXPECT_NE(base(dlg.MonthEdit), kAqua);
    dlg.MonthSpButton->setFocus();
    EXPECT_EQ(base(dlg.MonthEdit), kAqua);
    EXPECT_NE(base(dlg.YearSpinEdit), kAqua);
    dlg.Calendar1->setFocus();
    EXPECT_EQ(base(dlg.Calendar1), kAqua);
    EXPECT_NE(base(dlg.MonthEdit), kAqua);
    // The Tab order starts with the year field, then the arrows, then the
    // calendar; the month name is skipped.
    dlg.YearSpinEdit->setFocus();
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget(), dlg.MonthSpButton);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(dlg.Calendar1->isAncestorOf(dlg.focusWidget()) ||
                dlg.focusWidget() == dlg.Calendar1);
}

TEST_F(DatePicker, OkHandsBackTheDateInTheShortFormat) {
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    goTo(dlg, QDate(2024, 3, 5));
    QTest::mouseClick(dlg.OkBitBtn, Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.SelectedDateText(), QStringLiteral("05.03.2024"));

    test::ScopedLocale english(test::englishLocale());
    EXPECT_EQ(dlg.SelectedDateText(), QStringLiteral("3/5/24"));
}
