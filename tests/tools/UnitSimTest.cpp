// The unit simulator, run as the program runs it: a separate process on a
// pseudo-terminal linked as ports/COM1, spoken to through the serial port
// component. Covers the reply bytes against the published example frame,
// the misbehaviours as the reply check classifies them, what it ignores,
// channel sources, and its handling of the link.
#include "polling/Protocol.h"
#include "serial/BCPort.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>

using namespace orvex::serial;
using orvex::polling::BuildPollRequest;
using orvex::polling::CheckReply;
using orvex::polling::ReplyBuffer;
using orvex::polling::ReplyKind;
using orvex::polling::RequestBuffer;
using orvex::test::TempProgramFolder;
using orvex::test::waitUntil;

namespace {

const QString kSimulator = QStringLiteral(ORVEX_UNITSIM_PATH);

// A running simulator; ended with SIGTERM when the object goes.
class Simulator {
public:
    Simulator(const QString &folder, const QStringList &arguments)
        : link(folder + QStringLiteral("/ports/COM1")) {
        process.start(kSimulator, QStringList{"--link", link} + arguments);
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (!out.contains('\n') && timer.elapsed() < 10000 &&
               process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        readyLine = QString::fromUtf8(out).trimmed();
    }
    ~Simulator() { stop(); }

    int stop() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(10000);
        }
        return process.exitCode();
    }

    QString link;
    QString readyLine;
    QProcess process;
};

QByteArray request(int address) {
    const RequestBuffer r = BuildPollRequest(std::uint8_t(address));
    return QByteArray(reinterpret_cast<const char *>(r.data()), int(r.size()));
}

ReplyBuffer asReply(const QByteArray &bytes) {
    ReplyBuffer reply{}; // bytes that did not come read as 0
    for (int i = 0; i < bytes.size() && i < int(reply.size()); ++i)
        reply[std::size_t(i)] = std::uint8_t(bytes[i]);
    return reply;
}

class UnitSimTest : public ::testing::Test {
protected:
    // Starts the simulator and opens COM1 with the main window's settings.
    void start(const QStringList &arguments) {
        sim = std::make_unique<Simulator>(folder.path(), arguments);
        ASSERT_EQ(sim->readyLine, QStringLiteral("ready ") + sim->link);
        port.SetPort(QStringLiteral("COM1"));
        port.SetBaudRate(br2400);
        port.SetStopBits(sb2);
        port.SetInBufSize(20);
        port.SetOutBufSize(4);
        port.Timeouts().SetWriteTotalMultiplier(10);
        port.Timeouts().SetWriteTotalConstant(100);
        port.OpenPort();
        port.SetRtsLine(true);
        port.SetDtrLine(false);
    }

    // Sends the frames one after another and collects `expected` bytes
    // of answers (the simulator answers in order).
    QByteArray exchange(const QList<QByteArray> &frames, int expected) {
        port.PurgeQueues(true, true);
        for (const QByteArray &f : frames)
            EXPECT_EQ(port.WriteBlock(f.constData(), int(f.size())), f.size());
        EXPECT_TRUE(waitUntil([&] { return port.ReceivedCount() >= expected; }))
            << "got " << port.ReceivedCount() << " of " << expected;
        QByteArray got(4096, 0);
        got.resize(port.ReadBlock(got.data(), int(got.size())));
        return got;
    }

    TempProgramFolder folder;
    std::unique_ptr<Simulator> sim;
    TBComPort port;
};

} // namespace

TEST_F(UnitSimTest, ReplyCarriesTheConfiguredUnitAsThePublishedFrame) {
    start({"--unit", "1,kind=1,warn=50,trip=100,mask=0x3F,ch1=10,ch2=60,ch3=120,ch4=253,"
                     "ch5=254,ch6=255,ch7=0,ch8=0"});
    const QByteArray reply = exchange({request(1)}, 19);
    EXPECT_EQ(reply.toHex(' '),
              QByteArray("01 0c 00 0a 3c 78 fd fe ff 00 00 01 32 64 00 00 3f a0 2b"));
    const RequestBuffer req = BuildPollRequest(1);
    EXPECT_EQ(CheckReply(asReply(reply), req).kind, ReplyKind::GoodReply);
}

TEST_F(UnitSimTest, MisbehavioursAreClassifiedAsTheProgramMustSeeThem) {
    const struct {
        const char *setting;
        int bytes; // what unit 1 sends
        ReplyKind kind;
        int code, detail;
    } cases[] = {
        {"badcrc", 19, ReplyKind::BadChecksum, 0, 0},
        {"partial=10", 10, ReplyKind::BadChecksum, 0, 0},
        {"exception=0:6", 6, ReplyKind::ExceptionReply, 0, 6},
        {"exception=3", 6, ReplyKind::ExceptionReply, 3, 0},
        {"silent", 0, ReplyKind::NoReply, 0, 0},
        {"garbage", 19, ReplyKind::NoReply, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.setting);
        start({"--unit", QStringLiteral("1,") + QLatin1String(c.setting), "--unit", "2"});
        // Unit 2's good reply follows, so whatever unit 1 sent is complete.
        const QByteArray got = exchange({request(1), request(2)}, c.bytes + 19);
        ASSERT_EQ(got.size(), c.bytes + 19);
        const auto outcome = CheckReply(asReply(got.left(c.bytes)), BuildPollRequest(1));
        EXPECT_EQ(outcome.kind, c.kind);
        if (c.kind == ReplyKind::ExceptionReply) {
            EXPECT_EQ(outcome.errorCode, c.code);
            EXPECT_EQ(outcome.detail, c.detail);
        }
        EXPECT_EQ(CheckReply(asReply(got.mid(c.bytes)), BuildPollRequest(2)).kind,
                  ReplyKind::GoodReply);
        port.ClosePort();
        sim.reset();
    }
}

TEST_F(UnitSimTest, OnlyCorrectRequestsForItsUnitsAreAnswered) {
    start({"--units", "1,3"});
    QByteArray wrongFunction("\x01\x0D", 2);
    const std::uint16_t crc = orvex::polling::CalcCrc16(
        reinterpret_cast<const std::uint8_t *>(wrongFunction.constData()), 2);
    wrongFunction.append(char(crc & 0xFF)).append(char(crc >> 8));
    const QList<QByteArray> frames = {
        QByteArray("\x01\x0C\x00\x26", 4), // wrong CRC
        wrongFunction,
        request(2),                    // nobody there
        QByteArray("\xFF\x00\x0C", 3), // noise
        request(3),
    };
    const QByteArray got = exchange(frames, 19);
    ASSERT_EQ(got.size(), 19);
    EXPECT_EQ(CheckReply(asReply(got), BuildPollRequest(3)).kind, ReplyKind::GoodReply);
}

TEST_F(UnitSimTest, ChannelsDriftOrFollowTheirScript) {
    start({"--unit", "1,ch1=10-14@2,ch2=5/6/7,ch3=99"});
    QList<int> ch1, ch2, ch3;
    for (int i = 0; i < 5; ++i) {
        const QByteArray r = exchange({request(1)}, 19);
        ASSERT_EQ(r.size(), 19);
        ch1 << std::uint8_t(r[3]);
        ch2 << std::uint8_t(r[4]);
        ch3 << std::uint8_t(r[5]);
    }
    EXPECT_EQ(ch1, QList<int>({10, 12, 14, 12, 10}));
    EXPECT_EQ(ch2, QList<int>({5, 6, 7, 5, 6}));
    EXPECT_EQ(ch3, QList<int>({99, 99, 99, 99, 99}));
}

TEST_F(UnitSimTest, MisbehaviourEveryNthRequest) {
    start({"--unit", "1,every=2,silent", "--unit", "2"});
    EXPECT_EQ(exchange({request(1), request(2)}, 38).size(), 38);
    EXPECT_EQ(exchange({request(1), request(2)}, 19).size(), 19);
    EXPECT_EQ(exchange({request(1), request(2)}, 38).size(), 38);
}

TEST_F(UnitSimTest, LateReplyComesAfterItsDelay) {
    start({"--unit", "1,late=400"});
    QElapsedTimer timer;
    timer.start();
    const QByteArray got = exchange({request(1)}, 19);
    EXPECT_EQ(got.size(), 19);
    EXPECT_GE(timer.elapsed(), 350);
}

TEST_F(UnitSimTest, DemoPlaysFourUnitsOfTheFourGases) {
    start({"--demo"});
    for (int unit = 1; unit <= 4; ++unit) {
        const QByteArray r = exchange({request(unit)}, 19);
        ASSERT_EQ(r.size(), 19);
        EXPECT_EQ(CheckReply(asReply(r), BuildPollRequest(std::uint8_t(unit))).kind,
                  ReplyKind::GoodReply);
        EXPECT_EQ(int(r[11]), unit - 1) << "scale kind of unit " << unit;
    }
}

// Lines of the simulator's --log file, split into words.
QList<QStringList> logLines(const QString &path) {
    QFile f(path);
    QList<QStringList> lines;
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (!line.isEmpty())
            lines << QString::fromLatin1(line).split(' ');
    return lines;
}

TEST_F(UnitSimTest, ChaosMisbehavesOnAShareOfThePollsInEveryWay) {
    const QString logPath = folder.file(QStringLiteral("line.log"));
    start({"--chaos", "25,3", "--units", "1", "--log", logPath});
    QByteArray burst;
    for (int i = 0; i < 200; ++i)
        burst += request(1);
    port.PurgeQueues(true, true);
    ASSERT_EQ(port.WriteBlock(burst.constData(), int(burst.size())), burst.size());
    // Late replies go out up to 1.5 s after their request.
    ASSERT_TRUE(waitUntil([&] { return logLines(logPath).size() >= 200; }, 10000))
        << logLines(logPath).size();
    QMap<QString, int> kinds;
    for (const QStringList &line : logLines(logPath)) {
        ASSERT_GE(line.size(), 3);
        EXPECT_EQ(line[1], QStringLiteral("1"));
        ++kinds[line[2]];
    }
    // A normal reply given while a late one is due is logged as unsure.
    const int misbehaving =
        200 - kinds.value(QStringLiteral("ok")) - kinds.value(QStringLiteral("unsure"));
    EXPECT_GE(misbehaving, 25);
    EXPECT_LE(misbehaving, 80);
    for (const char *kind : {"silent", "badcrc", "exception", "partial", "late", "garbage"})
        EXPECT_GE(kinds.value(QLatin1String(kind)), 1) << kind;
}

TEST_F(UnitSimTest, LogCarriesTheChannelBytesOfEachNormalReply) {
    const QString logPath = folder.file(QStringLiteral("line.log"));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    start({"--unit", "1,ch1=10-14@2,ch2=5/6/7,ch8=252", "--unit", "2,late=300", "--unit", "3",
           "--log", logPath});
    const QByteArray first = exchange({request(1)}, 19);
    const QByteArray second = exchange({request(1)}, 19);
    // A normal reply given while a late one is still due may reach the
    // reader second: it is logged as unsure.
    exchange({request(2), request(3)}, 38);
    ASSERT_TRUE(waitUntil([&] { return logLines(logPath).size() >= 4; }));
    const QList<QStringList> lines = logLines(logPath);
    ASSERT_EQ(lines.size(), 4);
    const QByteArray replies[] = {first, second};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(lines[i].size(), 11);
        const qint64 ms = lines[i][0].toLongLong();
        EXPECT_GE(ms, before);
        EXPECT_LE(ms, QDateTime::currentMSecsSinceEpoch());
        EXPECT_EQ(lines[i][1], QStringLiteral("1"));
        EXPECT_EQ(lines[i][2], QStringLiteral("ok"));
        for (int ch = 0; ch < 8; ++ch)
            EXPECT_EQ(lines[i][3 + ch].toInt(), std::uint8_t(replies[i][3 + ch])) << ch;
    }
    EXPECT_EQ(lines[0][3], QStringLiteral("10"));
    EXPECT_EQ(lines[1][3], QStringLiteral("12"));
    EXPECT_EQ(lines[2].mid(1, 2), QStringList({"3", "unsure"}));
    EXPECT_EQ(lines[3].mid(1, 2), QStringList({"2", "late"}));
}

// ---- The link --------------------------------------------------------------

TEST(UnitSimLink, ReplacesAStaleLinkAndRemovesItAtTheEnd) {
    TempProgramFolder folder;
    QDir().mkpath(folder.file(QStringLiteral("ports")));
    const QString link = folder.file(QStringLiteral("ports/COM1"));
    ASSERT_TRUE(QFile::link(folder.file(QStringLiteral("gone")), link));
    {
        Simulator sim(folder.path(), {});
        ASSERT_EQ(sim.readyLine, QStringLiteral("ready ") + link);
        EXPECT_TRUE(QFileInfo(link).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));
        EXPECT_EQ(sim.stop(), 0);
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(link));
}

TEST(UnitSimLink, LeavesAnythingButALinkAlone) {
    TempProgramFolder folder;
    QDir().mkpath(folder.file(QStringLiteral("ports")));
    const QString path = folder.file(QStringLiteral("ports/COM1"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("mine");
    }
    QProcess p;
    p.start(kSimulator, {"--link", path});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("mine"));
}

TEST(UnitSimDevice, ServesOnAGivenDevice) {
    orvex::test::PtyPair line; // the simulator takes the slave as its "adapter"
    ASSERT_TRUE(line.valid());
    QProcess p;
    p.start(kSimulator, {"--device", line.slaveName(), "--baud", "9600", "--units", "7"});
    ASSERT_TRUE(p.waitForReadyRead(10000));
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), ("ready " + line.slaveName()).toUtf8());
    line.send(request(7));
    const QByteArray reply = line.receive(19);
    EXPECT_EQ(CheckReply(asReply(reply), BuildPollRequest(7)).kind, ReplyKind::GoodReply);
    p.terminate();
    EXPECT_TRUE(p.waitForFinished(10000));
}

TEST(UnitSimCommandLine, HelpAndBadOptions) {
    QProcess help;
    help.start(kSimulator, {"--help"});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char *option :
         {"--link", "--units", "--unit", "--demo", "badcrc", "exception=", "--chaos", "--log"})
        EXPECT_TRUE(text.contains(option)) << option;

    for (const QStringList &bad : {QStringList{"--units", "16"}, QStringList{"--unit", "1,ch9=3"},
                                   QStringList{"--unit", "1,kind=300"}, QStringList{"--bogus"},
                                   QStringList{"--chaos", "101"}, QStringList{"--chaos", "5,x"}}) {
        QProcess p;
        p.start(kSimulator, bad);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 2) << bad.join(' ').toStdString();
    }
}
