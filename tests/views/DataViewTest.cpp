// The current-data and archive views over real tables: what "ПРИМЕНИТЬ"
// selects (unit, threshold, dates, order) and refuses, the unit list rebuilt
// on activation, the shared freeze box, the counter, the updates from the
// recording, the date picker hand-over, the fixed width, and the navigator
// walking a table far larger than the rows the view holds.
#include "tests/views/ViewsFixture.h"
#include "views/Calndr2.h"
#include "views/DataArc.h"
#include "views/DataArc2.h"
#include "views/DateFormats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::views;
using orvex::views::test::Measurement;

namespace {

const QDate kToday = QDate::currentDate();

// Rows spread over days: row i is dated `firstDay` + i / perDay, unit
// 1 + i % units, alarm (i / units) % 3, channel 1 holds i.
QList<Measurement> generated(int count, const QDate &firstDay, int perDay = 10, int units = 5) {
    QList<Measurement> rows;
    for (int i = 0; i < count; ++i) {
        Measurement m;
        m.date = firstDay.addDays(i / perDay);
        m.time = QTime(0, 0).addSecs(i % perDay * 60);
        m.unitNo = 1 + i % units;
        m.alarm = (i / units) % 3;
        m.values[0] = i;
        rows << m;
    }
    return rows;
}

// Runs `action` once `dialog` is up (a modal dialog's own event loop runs it).
void whenShown(QWidget &dialog, std::function<void()> action) {
    auto *timer = new QTimer(&dialog);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, &dialog, [timer, &dialog, action] {
        if (!dialog.isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

class DataViews : public views::test::ViewsFixture {
protected:
    DataViews() { settings.UnitsAmount = 5; }

    template <typename View> std::unique_ptr<View> create() {
        auto view = std::make_unique<View>(settings, autoRefresh, databaseFolder());
        view->setDatePicker(&picker);
        return view;
    }

    // The rows the view holds now, as (record number, row) pairs.
    static QList<store::Row> shown(TDataViewForm &view) {
        QList<store::Row> rows;
        for (int i = 0; i < view.DBGrid1->rows()->rowCount(); ++i)
            rows << view.DBGrid1->rows()->row(i);
        return rows;
    }
    static QList<qint64> ids(TDataViewForm &view) {
        QList<qint64> out;
        for (const store::Row &r : shown(view))
            out << r.values[0].toLongLong();
        return out;
    }
    static qint64 currentId(TDataViewForm &view) {
        const store::Row *row = view.DBGrid1->currentRecord();
        return row ? row->values[0].toLongLong() : -1;
    }

    void apply(TDataViewForm &view) { QTest::mouseClick(view.ApplyBitBtn, Qt::LeftButton); }

    void setRange(TDataViewForm &view, const QDate &from, const QDate &to) {
        view.DateMaskEdit1->setText(fieldDateText(from));
        view.DateMaskEdit2->setText(fieldDateText(to));
        view.DateFiltrRadioGroup->setItemIndex(2);
    }

    void activate(QWidget &window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    bool autoRefresh = true;
    TDateDlgForm picker;
    QWidget mainWindow;
};

} // namespace

TEST_F(DataViews, CreationOpensOnNewestFirstWithAllUnitsAndDates) {
    appendMeasurements("Signals.DB", generated(30, kToday.addDays(-2)));
    auto view = create<TDataArcForm>();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Текущие данные (за 24 ч. работы)"));
    EXPECT_EQ(view->CountLabel->text(), QStringLiteral("Строк: 30"));
    ASSERT_EQ(view->UnitComboBox->count(), 6);
    EXPECT_EQ(view->UnitComboBox->itemText(0), QStringLiteral("Все"));
    EXPECT_EQ(view->UnitComboBox->itemText(5), QStringLiteral("№ 5"));
    EXPECT_EQ(view->UnitComboBox->currentIndex(), 0);
    EXPECT_EQ(view->DateFiltrRadioGroup->itemIndex(), 0);
    EXPECT_EQ(view->LevelFiltrRadioGroup->itemIndex(), 0);
    EXPECT_EQ(view->DateMaskEdit1->text(), fieldDateText(kToday));
    EXPECT_TRUE(view->RadioButton1->isChecked());
    EXPECT_FALSE(view->AutoRefreshCheckBox->isChecked());
    EXPECT_EQ(ids(*view).first(), 30);
    EXPECT_EQ(currentId(*view), 30);
    EXPECT_TRUE(view->CurrTable.isReadOnly());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DataViews, EachFilterCombinationShowsExactlyItsRows) {
    const QList<Measurement> rows = generated(300, kToday.addDays(-10));
    appendMeasurements("Signals.DB", rows);
    auto view = create<TDataArcForm>();
    struct Case {
        int unitItem, levelItem;
        const char *expression;
    } cases[] = {
        {0, 0, ""},
        {3, 0, "UnitNo=3"},
        {0, 1, "Alarm>0"},
        {0, 2, "Alarm>1"},
        {3, 1, "UnitNo=3 and Alarm>0"},
        {3, 2, "UnitNo=3 and Alarm>1"},
    };
    for (const Case &c : cases) {
        view->UnitComboBox->setCurrentIndex(c.unitItem);
        view->LevelFiltrRadioGroup->setItemIndex(c.levelItem);
        apply(*view);
        EXPECT_EQ(view->CurrTable.filter(), QString::fromUtf8(c.expression));
        EXPECT_EQ(view->CurrTable.isFiltered(), *c.expression != 0);
        int expected = 0;
        for (const Measurement &m : rows) {
            if ((c.unitItem == 0 || m.unitNo == c.unitItem) && m.alarm >= c.levelItem)
                ++expected;
        }
        const QList<store::Row> got = shown(*view);
        // A page holds 100 rows; the count is checked up to that.
        EXPECT_EQ(got.size(), std::min(expected, MeasurementModel::kPageRows)) << c.expression;
        for (const store::Row &r : got) {
            EXPECT_TRUE(c.unitItem == 0 || r.values[3].toInt() == c.unitItem);
            EXPECT_GE(r.values[12].toInt(), c.levelItem);
        }
        EXPECT_EQ(view->CountLabel->text(), QStringLiteral("Строк: 300"))
            << "the counter always counts the whole table";
    }
}

TEST_F(DataViews, SwappedRangeInCurrentViewExchangesTheFields) {
    appendMeasurements("Signals.DB", generated(40, QDate(2026, 11, 28), 2));
    auto view = create<TDataArcForm>();
    view->UnitComboBox->setCurrentIndex(2);
    apply(*view); // unit 2 in force
    const QList<qint64> before = ids(*view);

    setRange(*view, QDate(2026, 12, 10), QDate(2026, 12, 1));
    view->RadioButton2->setChecked(true);
    view->UnitComboBox->setCurrentIndex(0);
    apply(*view);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral(
                                    "Недопустимый диапазон дат.\rДаты надо поменять местами")});
    EXPECT_EQ(view->DateMaskEdit1->text(), fieldDateText(QDate(2026, 12, 1)));
    EXPECT_EQ(view->DateMaskEdit2->text(), fieldDateText(QDate(2026, 12, 10)));
    EXPECT_FALSE(view->CurrTable.hasRange());
    EXPECT_EQ(view->CurrTable.filter(), QStringLiteral("UnitNo=2")) << "filter stays";
    // The order chosen is in force at once: the same rows, oldest first.
    QList<qint64> reversed(before.rbegin(), before.rend());
    EXPECT_EQ(ids(*view), reversed);

    apply(*view);
    EXPECT_EQ(messages.count(), 1);
    const QList<store::Row> rows = shown(*view);
    ASSERT_EQ(rows.size(), 20);
    EXPECT_EQ(rows.first().values[1].toDate(), QDate(2026, 12, 1));
    EXPECT_EQ(rows.last().values[1].toDate(), QDate(2026, 12, 10));
}

TEST_F(DataViews, SwappedRangeInArchiveIsRefusedAndFieldsStay) {
    appendMeasurements("Arc.DB", generated(40, QDate(2026, 11, 28), 2));
    auto view = create<TDataArc2Form>();
    setRange(*view, QDate(2026, 12, 10), QDate(2026, 12, 1));
    apply(*view);
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Недопустимый диапазон дат. Отбор невозможен.")});
    EXPECT_EQ(view->DateMaskEdit1->text(), fieldDateText(QDate(2026, 12, 10)));
    EXPECT_EQ(view->DateMaskEdit2->text(), fieldDateText(QDate(2026, 12, 1)));
    EXPECT_FALSE(view->Arc2Table.hasRange());
    EXPECT_EQ(shown(*view).size(), 40);
}

TEST_F(DataViews, SameDateRangeShowsThatDayInEitherOrder) {
    appendMeasurements("Arc.DB", generated(50, QDate(2026, 12, 1), 10));
    auto view = create<TDataArc2Form>();
    setRange(*view, QDate(2026, 12, 3), QDate(2026, 12, 3));
    apply(*view);
    EXPECT_EQ(ids(*view), (QList<qint64>{30, 29, 28, 27, 26, 25, 24, 23, 22, 21}));
    view->RadioButton2->setChecked(true);
    apply(*view);
    EXPECT_EQ(ids(*view), (QList<qint64>{21, 22, 23, 24, 25, 26, 27, 28, 29, 30}));
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DataViews, LastDayMeansTheCalendarDayNotTheLastDayWithData) {
    appendMeasurements("Signals.DB", generated(20, kToday.addDays(-1), 10));
    auto view = create<TDataArcForm>();
    view->DateFiltrRadioGroup->setItemIndex(1);
    apply(*view);
    EXPECT_EQ(shown(*view).size(), 10);
    EXPECT_EQ(shown(*view).first().values[1].toDate(), kToday);

    // Shortly after midnight nothing has been recorded for the new day yet.
    auto archive = create<TDataArc2Form>();
    appendMeasurements("Arc.DB", generated(20, kToday.addDays(-3), 10));
    archive->DateFiltrRadioGroup->setItemIndex(1);
    apply(*archive);
    EXPECT_TRUE(shown(*archive).isEmpty());
    EXPECT_TRUE(archive->NavFirst->isEnabled() == false && archive->NavLast->isEnabled() == false);
}

TEST_F(DataViews, DateThatIsNoDateIsReportedAndOnlyTheOrderChanges) {
    appendMeasurements("Signals.DB", generated(10, kToday));
    auto view = create<TDataArcForm>();
    view->UnitComboBox->setCurrentIndex(1);
    apply(*view);
    view->DateMaskEdit1->setText(QStringLiteral("31.02.26"));
    view->RadioButton2->setChecked(true);
    apply(*view);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.messages()[0].kind, ui::MessageKind::Error);
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("31.02.26")));
    EXPECT_EQ(view->CurrTable.filter(), QStringLiteral("UnitNo=1"));
    EXPECT_FALSE(view->CurrTable.hasRange());
    EXPECT_EQ(ids(*view), (QList<qint64>{1, 6}));
}

TEST_F(DataViews, UnitChoiceIsClearedOnActivation) {
    appendMeasurements("Signals.DB", generated(20, kToday));
    auto view = create<TDataArcForm>();
    activate(*view);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Текущие данные (за 24 ч. работы программы)"));
    view->UnitComboBox->setCurrentIndex(2);
    settings.UnitsAmount = 3;
    activate(mainWindow);
    activate(*view);
    EXPECT_EQ(view->UnitComboBox->count(), 4);
    EXPECT_EQ(view->UnitComboBox->currentIndex(), -1);
    apply(*view);
    EXPECT_TRUE(view->CurrTable.filter().isEmpty());
    EXPECT_EQ(shown(*view).size(), 20);

    // "Все" stays chosen.
    view->UnitComboBox->setCurrentIndex(0);
    activate(mainWindow);
    activate(*view);
    EXPECT_EQ(view->UnitComboBox->currentIndex(), 0);
}

TEST_F(DataViews, RangeErrorBoxClosingIsNoActivation) {
    auto view = create<TDataArcForm>();
    activate(*view);
    view->UnitComboBox->setCurrentIndex(2);
    setRange(*view, QDate(2026, 12, 10), QDate(2026, 12, 1));
    // The box takes the focus away and gives it back, as a real one does.
    messages.setOnShow([&](const ui::RecordedMessage &) {
        activate(mainWindow);
        activate(*view);
    });
    apply(*view);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(view->UnitComboBox->currentIndex(), 2);
}

TEST_F(DataViews, FreezeBoxIsSharedBetweenTheViews) {
    appendMeasurements("Signals.DB", generated(300, kToday.addDays(-30)));
    auto current = create<TDataArcForm>();
    auto archive = create<TDataArc2Form>();
    QTest::mouseClick(archive->AutoRefreshCheckBox, Qt::LeftButton);
    EXPECT_FALSE(autoRefresh);
    EXPECT_FALSE(current->AutoRefreshCheckBox->isChecked());

    current->NavLast->click();
    const qint64 oldest = currentId(*current);
    EXPECT_EQ(oldest, 1);
    appendMeasurements("Signals.DB", generated(1, kToday));
    current->recordAppended();
    EXPECT_EQ(current->CountLabel->text(), QStringLiteral("Строк: 301"));
    EXPECT_EQ(currentId(*current), oldest) << "frozen: the view stays where it is";

    QTest::mouseClick(archive->AutoRefreshCheckBox, Qt::LeftButton);
    EXPECT_TRUE(autoRefresh);
    current->recordAppended();
    EXPECT_EQ(currentId(*current), 301);
}

TEST_F(DataViews, NewRecordsFollowTheSortOrder) {
    appendMeasurements("Signals.DB", generated(5, kToday));
    auto view = create<TDataArcForm>();
    appendMeasurements("Signals.DB", generated(1, kToday));
    view->recordAppended(6);
    EXPECT_EQ(ids(*view).first(), 6) << "newest first: the new record on top";
    EXPECT_EQ(currentId(*view), 6);

    view->RadioButton2->setChecked(true);
    apply(*view);
    view->NavLast->click();
    appendMeasurements("Signals.DB", generated(1, kToday));
    view->recordAppended(7);
    EXPECT_EQ(currentId(*view), 1) << "oldest first: back to the oldest row";
    EXPECT_EQ(view->CountLabel->text(), QStringLiteral("Строк: 7"));
}

TEST_F(DataViews, DatePickerSelectsRangeFromEitherFieldInCurrentViewOnlyFirstInArchive) {
    auto pickToday = [&](TDataViewForm &view, QLineEdit *field) {
        view.DateMaskEdit1->setText(fieldDateText(kToday.addDays(-5)));
        view.DateMaskEdit2->setText(fieldDateText(kToday.addDays(-5)));
        view.DateFiltrRadioGroup->setItemIndex(0);
        whenShown(picker, [&] { QTest::mouseClick(picker.OkBitBtn, Qt::LeftButton); });
        QTest::mouseDClick(field, Qt::LeftButton);
        EXPECT_EQ(field->text(), fieldDateText(kToday));
        return view.DateFiltrRadioGroup->itemIndex();
    };
    auto archive = create<TDataArc2Form>();
    EXPECT_EQ(pickToday(*archive, archive->DateMaskEdit2), 0);
    EXPECT_EQ(pickToday(*archive, archive->DateMaskEdit1), 2);
    auto current = create<TDataArcForm>();
    EXPECT_EQ(pickToday(*current, current->DateMaskEdit2), 2);

    // Cancel leaves the field as it was.
    whenShown(picker, [&] { picker.reject(); });
    current->DateMaskEdit1->setText(fieldDateText(kToday.addDays(-5)));
    QTest::mouseDClick(current->DateMaskEdit1, Qt::LeftButton);
    EXPECT_EQ(current->DateMaskEdit1->text(), fieldDateText(kToday.addDays(-5)));
}

TEST_F(DataViews, EnglishLocaleDatesAndDecimalPoint) {
    orvex::test::ScopedLocale english(orvex::test::englishLocale());
    QList<Measurement> rows = generated(30, QDate(2026, 3, 1), 10);
    rows[29].values[1] = 2.5;
    appendMeasurements("Arc.DB", rows);
    auto view = create<TDataArc2Form>();
    EXPECT_EQ(view->DateMaskEdit1->text(), kToday.toString(QStringLiteral("MM/dd/yy")));
    // Month first: 03/02/26 is the 2nd of March.
    view->DateMaskEdit1->setText(QStringLiteral("03/02/26"));
    view->DateMaskEdit2->setText(QStringLiteral("03/02/26"));
    apply(*view);
    const QList<store::Row> got = shown(*view);
    ASSERT_EQ(got.size(), 10);
    EXPECT_EQ(got.first().values[1].toDate(), QDate(2026, 3, 2));
    view->DateFiltrRadioGroup->setItemIndex(0);
    apply(*view);
    const QModelIndex newest =
        view->DBGrid1->rows()->index(0, MeasurementModel::FirstValueColumn + 1);
    EXPECT_EQ(newest.data().toString(), QStringLiteral("2.5"));
    EXPECT_EQ(view->DBGrid1->rows()->index(0, MeasurementModel::DateColumn).data().toString(),
              QStringLiteral("3/3/26"));
}

TEST_F(DataViews, WidthStaysAt665) {
    auto view = create<TDataArc2Form>();
    view->show();
    view->resize(900, 600);
    EXPECT_EQ(view->width(), 665);
    EXPECT_EQ(view->height(), 600);
}

TEST_F(DataViews, HintsFollowTheSwitch) {
    settings.ShowHint = false;
    auto view = create<TDataArc2Form>();
    EXPECT_TRUE(view->ApplyBitBtn->toolTip().isEmpty());
    view->setHintsEnabled(true);
    EXPECT_EQ(view->ApplyBitBtn->toolTip(), QStringLiteral("Применить установленные условия"));
    EXPECT_EQ(view->AutoRefreshCheckBox->toolTip(), QStringLiteral("\"Заморозить\" строки"));
    EXPECT_EQ(view->ArcCountLabel->toolTip(), QStringLiteral("Количество записей в таблице"));
}

// The navigator walks a table of several windows one row at a time with no
// row skipped or repeated, and the view never holds more than its window.
TEST_F(DataViews, NavigatorWalksEveryRowAcrossPages) {
    const int total = 1234;
    appendMeasurements("Arc.DB", generated(total, QDate(2026, 1, 1), 7));
    auto view = create<TDataArc2Form>();
    view->show();
    qint64 expected = total;
    EXPECT_EQ(currentId(*view), expected);
    EXPECT_FALSE(view->NavPrior->isEnabled());
    while (view->NavNext->isEnabled()) {
        view->NavNext->click();
        --expected;
        ASSERT_EQ(currentId(*view), expected);
        ASSERT_LE(view->DBGrid1->rows()->rowCount(), MeasurementModel::kWindowRows);
    }
    EXPECT_EQ(expected, 1);
    for (int i = 0; i < 600; ++i)
        view->NavPrior->click();
    EXPECT_EQ(currentId(*view), 601);

    view->NavLast->click();
    EXPECT_EQ(currentId(*view), 1);
    EXPECT_FALSE(view->NavNext->isEnabled());
    view->NavFirst->click();
    EXPECT_EQ(currentId(*view), total);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DataViews, ScrollingLoadsPagesAndKeepsTheWindowBounded) {
    appendMeasurements("Arc.DB", generated(1500, QDate(2026, 1, 1), 7));
    auto view = create<TDataArc2Form>();
    view->show();
    QScrollBar *bar = view->DBGrid1->verticalScrollBar();
    QList<qint64> seen;
    for (int step = 0; step < 40 && !view->DBGrid1->rows()->atEnd(); ++step) {
        bar->setValue(bar->maximum());
        ASSERT_LE(view->DBGrid1->rows()->rowCount(), MeasurementModel::kWindowRows);
    }
    EXPECT_TRUE(view->DBGrid1->rows()->atEnd());
    EXPECT_EQ(ids(*view).last(), 1);
    // Back to the top, a page at a time.
    for (int step = 0; step < 40 && !view->DBGrid1->rows()->atStart(); ++step)
        bar->setValue(bar->minimum());
    EXPECT_TRUE(view->DBGrid1->rows()->atStart());
    EXPECT_EQ(ids(*view).first(), 1500);
    const QList<qint64> all = ids(*view);
    for (int i = 1; i < all.size(); ++i)
        ASSERT_EQ(all[i], all[i - 1] - 1);
}
