// End to end: the real main window (offscreen) with the poll cycle attached
// polls the unit simulator on a pseudo-terminal, and the tables, the cells,
// the status bar, the scan highlight and the progress bar are checked
// afterwards. Also the faults a station meets: units that answer wrongly, a
// serial device that vanishes, a locked table, and the program killed while
// it polls. The cycle's timing and the recording's edge cases are the
// pollcycle tests'.
#include "polling/Protocol.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/e2e/HostRun.h"
#include "tests/pollcycle/PollTestSupport.h"
#include "tests/support/Deadline.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <csignal>

namespace orvex::e2e {
namespace {

using polling::PanelColor;
using polling::test::RawTable;
using polling::test::Simulator;

bool waitFor(const std::function<bool()> &done, int ms = 20000) {
    return test::holdsWithin(done, ms);
}

config::TSettings threeUnits() {
    config::TSettings s;
    s.UnitsAmount = 3;
    s.ChannalsMaxAmount = 4;
    s.PeriodMs = 1000; // 333 ms between units
    s.CurrKeepTime = 24;
    s.ArcLevel = 2;
    s.ScanShow = true;
    s.ComPortNo = 1;
    s.Speed = QStringLiteral(" 9600 (002)");
    s.Sound_ON = true;
    s.Amount = 3;
    // Unit positions 1..3 at network addresses 5, 9, 12.
    s.UnitAddr[1] = 5;
    s.UnitAddr[2] = 9;
    s.UnitAddr[3] = 12;
    return s;
}

class PollEndToEndTest : public ::testing::Test {
protected:
    QString link() const { return folder.file(QStringLiteral("ports/COM1")); }
    QString table(const QString &file) const {
        return folder.file(QStringLiteral("Database/") + file);
    }
    QList<QVariantList> rows(const QString &file, const QString &sql) const {
        RawTable t(table(file));
        return t.rows(sql);
    }
    QString cellText(Program &p, int u, int ch) const { return SensPanels(*p.form, ch, u)->text(); }
    PanelColor cellColor(Program &p, int u, int ch) const {
        return SensPanels(*p.form, ch, u)->color();
    }

    orvex::test::TempProgramFolder folder;
    ui::MessageRecorder messages;
    ui::ShellOpenRecorder sounds;
};

TEST_F(PollEndToEndTest, PassesOverThreeUnitsFillTheTablesCellsAndCounters) {
    prepareProgramFolder(threeUnits());
    Simulator sim(
        link(),
        {QStringLiteral("--unit"),
         QStringLiteral("5,kind=0,warn=30,trip=50,mask=0x0F,ch1=29,ch2=30,ch3=253,ch4=10"),
         QStringLiteral("--unit"),
         QStringLiteral("9,kind=1,warn=50,trip=100,mask=0x0B,ch1=13,ch2=120,ch3=7,ch4=255"),
         QStringLiteral("--unit"),
         QStringLiteral("12,kind=3,warn=150,trip=200,mask=0xFF,ch1=120,ch2=0,ch3=254,ch4=160")});
    Program p;
    ASSERT_TRUE(p.form->gridBuilt());
    ASSERT_TRUE(ScanBitBtn(*p.form)->isEnabled());
    QList<int> highlighted; // the highlighted header at each read
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &) {
        for (int u = 1; u <= 3; ++u)
            if (UnitPanels(*p.form, u)->color() == PanelColor::rgb(255, 251, 240))
                highlighted << u;
    };
    int barMax = 0, barResets = 0;
    QObject::connect(ProgressBar1(*p.form), &QProgressBar::valueChanged, [&](int v) {
        barMax = std::max(barMax, v);
        barResets += v == 0;
    });

    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling()) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(ScanBitBtn(*p.form)->text(), QStringLiteral("СТОП"));
    EXPECT_EQ(StatusBar1(*p.form)->panelText(0), QStringLiteral("Пopт: COM1  9600 (002) - 0TКPЫT"));
    EXPECT_FALSE(miOptions(*p.form)->isEnabled());
    // Three full passes.
    ASSERT_TRUE(waitFor([&] { return highlighted.size() >= 9; }));
    ScanBitBtn(*p.form)->click();
    EXPECT_FALSE(p.form->polling());
    EXPECT_EQ(ScanBitBtn(*p.form)->text(), QStringLiteral("СТАРТ"));
    EXPECT_EQ(ScanBitBtn(*p.form)->toolTip(), QStringLiteral("Запустить опрос пультов"));
    EXPECT_EQ(StatusBar1(*p.form)->panelText(0), QStringLiteral("Пopт: COM1  9600 (002) - ЗAКPЫT"));
    EXPECT_TRUE(miOptions(*p.form)->isEnabled());
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral(" | ")).toStdString();

    // The highlight followed the poll, one unit at a time; the bar filled
    // and emptied between the units.
    EXPECT_EQ(highlighted.mid(0, 9), (QList<int>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(barMax, 100);
    EXPECT_GE(barResets, 8);

    // Every reply was good: one Signals row and one Plot row per poll, an
    // archive row per poll of unit 2 (a trip), three sound requests each.
    const auto s =
        rows(QStringLiteral("Signals.DB"),
             QStringLiteral("SELECT UnitNo, D1, D2, D3, D4, D5, D8, Alarm, Date, Time FROM Signals "
                            "ORDER BY Meas_IDX"));
    const int polls = int(s.size());
    ASSERT_GE(polls, 9);
    ASSERT_LE(polls, 10); // the reads that came before STOP
    struct Expected {
        double d1, d2, d3, d4;
        int alarm;
    };
    const Expected expected[4] = {
        {}, {0.29, 0.3, 0.0, 0.1, 1}, {2.6, 24.0, 0.0, 0.0, 2}, {240.0, 0.0, 0.0, 320.0, 1}};
    int unit2 = 0;
    for (int i = 0; i < polls; ++i) {
        const int u = s[i][0].toInt();
        ASSERT_EQ(u, i % 3 + 1) << i;
        const Expected &e = expected[u];
        EXPECT_EQ(s[i][1].toDouble(), e.d1) << i;
        EXPECT_EQ(s[i][2].toDouble(), e.d2) << i;
        EXPECT_EQ(s[i][3].toDouble(), e.d3) << i;
        EXPECT_EQ(s[i][4].toDouble(), e.d4) << i;
        EXPECT_TRUE(s[i][5].isNull());
        EXPECT_TRUE(s[i][6].isNull());
        EXPECT_EQ(s[i][7].toInt(), e.alarm) << i;
        EXPECT_EQ(QDate::fromString(s[i][8].toString(), Qt::ISODate), QDate::currentDate());
        EXPECT_TRUE(QTime::fromString(s[i][9].toString(), Qt::ISODate).isValid());
        unit2 += u == 2;
    }
    const auto a =
        rows(QStringLiteral("Arc.DB"), QStringLiteral("SELECT UnitNo, D1, D2, Alarm FROM Arc"));
    ASSERT_EQ(int(a.size()), unit2);
    for (const auto &r : a)
        EXPECT_EQ(r, (QVariantList{2, 2.6, 24.0, 2}));
    const auto pl = rows(QStringLiteral("Plot.db"),
                         QStringLiteral("SELECT UnitNo, D1, D4, D5 FROM Plot ORDER BY Meas_IDX"));
    ASSERT_EQ(int(pl.size()), polls);
    EXPECT_EQ(pl[0][0].toInt(), 1);
    EXPECT_EQ(pl[0][1].toDouble(), 0.29);
    EXPECT_TRUE(pl[0][3].isNull());
    EXPECT_EQ(sounds.count(), 3 * unit2);
    EXPECT_EQ(StatusBar1(*p.form)->panelText(2), QStringLiteral("Текущих записей: %1").arg(polls));
    EXPECT_EQ(StatusBar1(*p.form)->panelText(3), QStringLiteral("Записей в архиве: %1").arg(unit2));

    // The cells show the last replies.
    struct Cell {
        int u, ch;
        QString text;
        PanelColor color;
    };
    const Cell cells[] = {
        {1, 1, QStringLiteral("0,29"), PanelColor::rgb(0, 255, 0)},
        {1, 2, QStringLiteral("0,30"), PanelColor::rgb(255, 255, 0)},
        {1, 3, QStringLiteral("прогрев"), PanelColor::rgb(192, 220, 192)},
        {2, 1, QStringLiteral("3"), PanelColor::rgb(0, 255, 0)},
        {2, 2, QStringLiteral("24"), PanelColor::rgb(255, 0, 0)},
        {2, 3, QStringLiteral("нерабочий"), PanelColor::rgb(0, 128, 0)},
        {2, 4, QStringLiteral("ОТКАЗ"), PanelColor::rgb(192, 220, 192)},
        {3, 1, QStringLiteral("240"), PanelColor::rgb(0, 255, 0)},
        {3, 3, QStringLiteral("нет датчика"), PanelColor::rgb(192, 220, 192)},
        {3, 4, QStringLiteral("320"), PanelColor::rgb(255, 255, 0)},
    };
    for (const Cell &c : cells) {
        EXPECT_EQ(cellText(p, c.u, c.ch), c.text) << c.u << "-" << c.ch;
        EXPECT_TRUE(cellColor(p, c.u, c.ch) == c.color)
            << c.u << "-" << c.ch << " " << cellColor(p, c.u, c.ch).color().name().toStdString();
    }

    // The requests on the line carried the network addresses.
    const QString line = sim.log();
    for (const char *request : {"05 0C", "09 0C", "0C 0C"})
        EXPECT_TRUE(line.contains(QLatin1String(request))) << request;
    for (const char *unitNumber : {"01 0C", "02 0C", "03 0C"})
        EXPECT_FALSE(line.contains(QLatin1String(unitNumber))) << unitNumber;
}

TEST_F(PollEndToEndTest, SilentBadCrcAndRefusingUnitsShowTheirLabelsAndRecordNothing) {
    config::TSettings s = threeUnits();
    s.UnitAddr[1] = 2;
    s.UnitAddr[2] = 3;
    s.UnitAddr[3] = 4;
    prepareProgramFolder(s);
    Simulator sim(link(), {QStringLiteral("--unit"), QStringLiteral("2,silent"),
                           QStringLiteral("--unit"), QStringLiteral("3,badcrc"),
                           QStringLiteral("--unit"), QStringLiteral("4,exception=3")});
    Program p;
    int reads = 0;
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &) { ++reads; };
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling());
    ASSERT_TRUE(waitFor([&] { return reads >= 6; }));
    ScanBitBtn(*p.form)->click();
    const QString labels[] = {QString(), QStringLiteral("нет ответа"), QStringLiteral("ОШИБКА КСО"),
                              QStringLiteral("ОШИБКА 4")};
    for (int u = 1; u <= 3; ++u) {
        for (int ch = 1; ch <= 4; ++ch) {
            EXPECT_EQ(cellText(p, u, ch), labels[u]) << u << "-" << ch;
            EXPECT_TRUE(cellColor(p, u, ch) == PanelColor::buttonFace()) << u << "-" << ch;
        }
        EXPECT_EQ(UnitPanels(*p.form, u)->text(), QStringLiteral("Пульт №%1").arg(u));
    }
    EXPECT_EQ(
        UnitPanels(*p.form, 1)->upErrorText.text(),
        QStringLiteral("  !!! Пульт выключен, неисправен, обрыв связи или неверный адрес !!! "));
    EXPECT_EQ(p.form->station().signalTable().recordCount(), 0);
    EXPECT_EQ(p.form->station().plotTable().recordCount(), 0);
    EXPECT_EQ(p.form->station().archiveTable().recordCount(), 0);
    EXPECT_EQ(sounds.count(), 0);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PollEndToEndTest, VanishedDeviceGivesThePortErrorPerTickAndPollingRestarts) {
    prepareProgramFolder(threeUnits());
    auto sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("5,9,12")});
    Program p;
    int reads = 0;
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &) { ++reads; };
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(waitFor([&] { return reads >= 2; }));
    sim->kill();
    ASSERT_TRUE(waitFor([&] { return messages.count() >= 3; }));
    EXPECT_TRUE(p.form->polling());
    for (const QString &t : messages.texts())
        EXPECT_TRUE(t.startsWith(QStringLiteral("Ошибка"))) << t.toStdString();
    messages.clear();
    ScanBitBtn(*p.form)->click(); // STOP: the port is closed whatever a close step says
    EXPECT_FALSE(p.form->polling());
    EXPECT_FALSE(p.form->station().port().Connected());
    EXPECT_LE(messages.count(), 1);
    const qint64 before = p.form->station().signalTable().recordCount();

    sim = std::make_unique<Simulator>(
        link(), QStringList{QStringLiteral("--units"), QStringLiteral("5,9,12")});
    messages.clear();
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(p.form->polling());
    ASSERT_TRUE(
        waitFor([&] { return p.form->station().signalTable().recordCount() >= before + 3; }));
    ScanBitBtn(*p.form)->click();
    EXPECT_EQ(messages.count(), 0) << messages.texts().join(QStringLiteral(" | ")).toStdString();
}

TEST_F(PollEndToEndTest, LockedTableGivesTheTableErrorPerTickAndLosesNothing) {
    prepareProgramFolder(threeUnits());
    Simulator sim(link(), {QStringLiteral("--units"), QStringLiteral("5,9,12")});
    Program p;
    int reads = 0;
    p.controller->cycle().onRead = [&](int, const polling::ReplyOutcome &) { ++reads; };
    ScanBitBtn(*p.form)->click();
    ASSERT_TRUE(waitFor([&] { return p.form->station().signalTable().recordCount() >= 2; }));
    const auto stored = rows(QStringLiteral("Signals.DB"), QStringLiteral("SELECT * FROM Signals"));
    {
        // Another program holds Signals.DB locked for a while.
        RawTable locker(table(QStringLiteral("Signals.DB")), false);
        locker.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        ASSERT_TRUE(waitFor([&] { return messages.count() >= 1; }, 30000));
        locker.exec(QStringLiteral("ROLLBACK"));
    }
    const int errors = messages.count();
    const qint64 count = p.form->station().signalTable().recordCount();
    ASSERT_TRUE(
        waitFor([&] { return p.form->station().signalTable().recordCount() >= count + 2; }));
    ScanBitBtn(*p.form)->click();
    EXPECT_EQ(errors, 1) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    // Everything stored before the lock is still there.
    const auto after = rows(QStringLiteral("Signals.DB"), QStringLiteral("SELECT * FROM Signals"));
    ASSERT_GE(after.size(), stored.size() + 2);
    EXPECT_EQ(after.mid(0, stored.size()), stored);
}

TEST_F(PollEndToEndTest, KilledWhilePollingLeavesSoundTablesWithEveryPostedRow) {
    prepareProgramFolder(threeUnits());
    Simulator sim(link(), {QStringLiteral("--unit"), QStringLiteral("5,trip=5"),
                           QStringLiteral("--units"), QStringLiteral("9,12")});
    QProcess host;
    QByteArray out;
    ASSERT_TRUE(startUntilPrinted(host, QStringLiteral(ORVEX_POLLHOST), folder.path(), "posted", 7,
                                  30000, out))
        << out.constData() << " exit " << host.exitCode() << " "
        << host.readAllStandardError().constData();
    const pid_t pid = pid_t(host.processId());
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL); // this process only, never a group
    host.waitForFinished(5000);
    out += host.readAllStandardOutput();
    QList<qint64> posted;
    for (const QByteArray &line : out.split('\n'))
        if (line.startsWith("posted "))
            posted << line.mid(7).toLongLong();
    ASSERT_GE(posted.size(), 7);
    for (const QString &file :
         {QStringLiteral("Signals.DB"), QStringLiteral("Arc.DB"), QStringLiteral("Plot.db"),
          QStringLiteral("Units.DB"), QStringLiteral("Sensors.DB")}) {
        RawTable t(table(file));
        EXPECT_EQ(t.scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                  QStringLiteral("ok"))
            << file.toStdString();
    }
    RawTable signalsDb(table(QStringLiteral("Signals.DB")));
    for (qint64 idx : posted)
        EXPECT_EQ(
            signalsDb
                .scalar(QStringLiteral("SELECT COUNT(*) FROM Signals WHERE Meas_IDX = %1").arg(idx))
                .toInt(),
            1)
            << idx;
    // Every unit 1 poll reached its trip threshold: archived as well.
    RawTable arcDb(table(QStringLiteral("Arc.DB")));
    EXPECT_GE(arcDb.scalar(QStringLiteral("SELECT COUNT(*) FROM Arc")).toInt(), 2);
}

} // namespace
} // namespace orvex::e2e
