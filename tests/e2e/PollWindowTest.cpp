// The poll cycle on the real main window (offscreen) as the operator meets
// it: real modal error boxes while the line is dead, closed with Enter, and
// a click on STOP soon after; and the order in which the window and the poll
// cycle attached to it are taken down. Polling itself is the end-to-end
// tests'; the cycle's error rules are the pollcycle tests'.
#include "tests/e2e/E2eSupport.h"
#include "tests/pollcycle/PollTestSupport.h"
#include "tests/support/Deadline.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace orvex::e2e {
namespace {

using polling::test::Simulator;

bool waitFor(const std::function<bool()> &done, int ms = 20000) {
    return test::holdsWithin(done, ms);
}

config::TSettings fifteenUnits() {
    config::TSettings s;
    s.UnitsAmount = 15;
    s.ChannalsMaxAmount = 2;
    s.PeriodMs = 1000; // 66 ms between units, waited in one tick (no progress bar)
    s.ScanShow = false;
    s.ComPortNo = 1;
    s.Speed = QStringLiteral(" 9600 (002)");
    return s;
}

class PollWindowTest : public ::testing::Test {
protected:
    QString link() const { return folder.file(QStringLiteral("ports/COM1")); }

    orvex::test::TempProgramFolder folder;
    ui::ShellOpenRecorder sounds;
};

// A handler that knows how many of its kind exist.
struct CountedHandler {
    static inline int alive = 0;
    CountedHandler() { ++alive; }
    CountedHandler(const CountedHandler &) { ++alive; }
    CountedHandler(CountedHandler &&) noexcept { ++alive; }
    CountedHandler &operator=(const CountedHandler &) = default;
    ~CountedHandler() { --alive; }
    void operator()() const {}
};

// The poll cycle reaches into the window and the station (the handlers it
// connected, the timer, the tables, the port) until its end: it must be
// gone before they are. Each handler is destroyed exactly once.
TEST_F(PollWindowTest, ThePollCycleIsTakenDownBeforeTheWindowsMembers) {
    ui::MessageRecorder messages;
    prepareProgramFolder(fifteenUnits());
    {
        Program p;
        QObject::connect(p.form.get(), &mainwindow::TMainForm::startStopClicked, p.form.get(),
                         CountedHandler());
        QObject::connect(Timer1(*p.form), &QTimer::timeout, p.form.get(), CountedHandler());
        EXPECT_EQ(CountedHandler::alive, 2);
    }
    EXPECT_EQ(CountedHandler::alive, 0);
}

// A recorded row shows its count on the status bar before the current-data
// view hears of it; an archive row reaches the archive view before the
// status bar's archive counter.
TEST_F(PollWindowTest, RecordedRowsReachTheStatusBarAndTheViewsInTheirOrder) {
    ui::MessageRecorder messages;
    prepareProgramFolder(fifteenUnits());
    Program p;
    QStringList seen;
    app::PollController *poll = p.controller.get();
    QObject::connect(poll, &app::PollController::currentRecordAdded, [&](qint64 rows) {
        seen
            << QStringLiteral("data view %1 | %2").arg(rows).arg(StatusBar1(*p.form)->panelText(2));
    });
    QObject::connect(poll, &app::PollController::plotRecordAdded,
                     [&](int u) { seen << QStringLiteral("plot %1").arg(u); });
    QObject::connect(poll, &app::PollController::archiveRecordAdded, [&](qint64 rows) {
        seen << QStringLiteral("archive view %1 | %2")
                    .arg(rows)
                    .arg(StatusBar1(*p.form)->panelText(3));
    });
    p.form->station().settings().ArcLevel = 2;
    poll->recorder().RecordMeasurement(2, 2, {}, QDate(2026, 12, 9), QTime(12, 0, 0));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("data view 1 | Текущих записей: 1"),
                                 QStringLiteral("plot 2"),
                                 QStringLiteral("archive view 1 | Записей в архиве: 0")}));
    EXPECT_EQ(StatusBar1(*p.form)->panelText(3), QStringLiteral("Записей в архиве: 1"));
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral(" | ")).toStdString();
}

// While the line is dead every tick fails and shows a box. With 15 units at
// the shortest period the next tick comes 66 ms after a box closes: without
// a pause the operator's click on STOP lands on the next box, for ever.
// Enter on the box, then a click on STOP 0.4 s later, as an operator does.
TEST_F(PollWindowTest, AfterAPortErrorBoxTheOperatorsClickReachesStop) {
    prepareProgramFolder(fifteenUnits());
    auto sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("1-15")});
    auto p = std::make_unique<Program>();
    // However the test ends, the window closes without a box nobody answers.
    const struct CloseQuietly {
        std::unique_ptr<Program> &program;
        ~CloseQuietly() {
            ui::MessageRecorder quiet;
            program.reset();
        }
    } closeQuietly{p};
    mainwindow::TMainForm &form = *p->form;
    int reads = 0;
    p->controller->cycle().onRead = [&](int, const polling::ReplyOutcome &) { ++reads; };
    ScanBitBtn(form)->click();
    ASSERT_TRUE(form.polling());
    ASSERT_TRUE(waitFor([&] { return reads >= 2; }));

    int boxes = 0;
    int boxesAtClick = -1;
    bool boxOpenAtClick = false;
    QStringList texts;
    // Answers every box with Enter; 0.4 s after the first, clicks STOP.
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        texts << box->text();
        if (++boxes == 1) {
            QTimer::singleShot(400, &form, [&] {
                boxesAtClick = boxes;
                boxOpenAtClick = QApplication::activeModalWidget() != nullptr;
                QTest::mouseClick(ScanBitBtn(form), Qt::LeftButton);
            });
        }
        QTest::keyClick(box, Qt::Key_Return);
    });
    watcher.start();
    sim->kill();
    ASSERT_TRUE(waitFor([&] { return boxesAtClick >= 0; }));
    QTest::qWait(100);
    const QString seen = texts.join(QStringLiteral(" | "));
    EXPECT_FALSE(boxOpenAtClick) << seen.toStdString();
    EXPECT_EQ(boxesAtClick, 1) << seen.toStdString();
    EXPECT_FALSE(form.polling()) << seen.toStdString();
    for (const QString &t : texts)
        EXPECT_TRUE(t.startsWith(QStringLiteral("Ошибка"))) << t.toStdString();
}

} // namespace
} // namespace orvex::e2e
