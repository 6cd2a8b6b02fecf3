// unitsim: plays up to 15 control units on one serial line, through a
// pseudo-terminal that the program opens as a port (ports/COMn of a program
// folder) or on a real serial device for commissioning.
#include "tools/unitsim/Simulator.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using orvex::unitsim::Reply;
using orvex::unitsim::Simulator;

namespace {

const char kHelp[] = R"(Usage: unitsim [options]

Plays control units of gas analyzers on one serial line. Every request with a
correct CRC and function code 12 for a unit it plays is answered within a few
milliseconds; anything else on the line is ignored.

The line:
  --link PATH        create a pseudo-terminal and make PATH a symbolic link to
                     it (for example PROGRAM_FOLDER/ports/COM1). An existing
                     link is replaced atomically; anything else at PATH is left
                     alone and the simulator stops. The link is removed when
                     the simulator ends (also on SIGINT and SIGTERM).
  --device PATH      serve on an existing serial device instead (commissioning
                     with a real RS-485 adapter); with --link, PATH is linked too
  --baud N           speed on --device: 2400 (default), 4800, 9600 or 19200;
                     8 data bits, no parity, 2 stop bits

The units:
  --units LIST       addresses that answer, e.g. 1,2,5-7 (default 1)
  --unit A,SETTING,...
                     settings of unit A (the unit also answers); repeatable.
                     kind=K      scale kind byte (0 methane, 1 explosive gas,
                                 2 carbon monoxide, 3 ammonia)        [0]
                     warn=W      warning threshold byte                [100]
                     trip=T      trip threshold byte                   [200]
                     mask=M      presence mask, bit 0 = channel 1      [0xFF]
                     chN=SOURCE  channel N (1..8) byte; all=SOURCE sets all
                                 SOURCE is V (fixed: 0..252 a reading,
                                 253 warming up, 254 no sensor, 255 fault),
                                 LO-HI[@STEP] (drifts up and down, one step
                                 per reply) or V1/V2/... (scripted, cycling)
                                 channels default to 10, 20, ..., 80
                   misbehaviour, on every request or every N-th one:
                     every=N     misbehave on every N-th request only   [1]
                     first=N     misbehave on the first N requests only, then
                                 answer well
                     silent      no reply
                     badcrc      a reply with a wrong CRC
                     exception=CODE[:DETAIL]
                                 an exception reply (function 140)
                     partial=N   send only the first N bytes of the reply
                     late=MS     send the reply MS milliseconds late
                     garbage     19 random bytes instead of the reply
  --silent LIST      the units in LIST never answer
  --demo             units 1..4 of the four gases: readings drifting across the
                     thresholds, warming up, no sensor, a fault, unused
                     channels, unit 4 unanswered every 20th poll

  --chaos PERCENT[,SEED]
                     every unit misbehaves on PERCENT % of its requests (0..100),
                     each time in one way picked at random: silent, badcrc,
                     exception, partial, late (300..1500 ms) or garbage;
                     SEED seeds the choice (same as --seed)

Other:
  --seed N           seed of the garbage bytes and of --chaos
  --log FILE         append one line per reply to FILE, written as the reply
                     goes out: "MS ADDRESS ok B1 .. B8" for a normal reply sent
                     at once (MS: milliseconds since 1970 UTC, B1..B8 the
                     channel bytes), "MS ADDRESS unsure B1 .. B8" for a normal
                     reply sent while a late reply was due (the reader may
                     take the late one), "MS ADDRESS WHAT" for a misbehaviour
  --verbose          log every request and reply on standard error
  --version          the version, on one line
  --help             this text

When the line is ready the simulator prints one line "ready PATH" (the link,
or the device) on standard output.

Example:
  unitsim --link /opt/orvex01m/ports/COM1 --units 1-3 \
          --unit 2,kind=1,warn=50,trip=100,ch1=0-120@6 --unit 3,every=5,badcrc
)";

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] void fail(const std::string &text) {
    std::fprintf(stderr, "unitsim: %s\n", text.c_str());
    std::exit(2);
}

void makeRaw(int fd, speed_t speed) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetspeed(&tio, speed);
    ::tcsetattr(fd, TCSANOW, &tio);
}

void makeParents(const std::string &path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '/')
            ::mkdir(path.substr(0, i).c_str(), 0777);
    }
}

// Points `link` at `target`, replacing only an existing symbolic link, in one
// rename so that a reader never sees the name missing.
void placeLink(const std::string &link, const std::string &target) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        fail(link + " exists and is not a symbolic link; not replacing it");
    makeParents(link);
    const std::string temporary = link + ".unitsim-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0)
        fail("cannot create a link beside " + link + ": " + std::strerror(errno));
    if (::rename(temporary.c_str(), link.c_str()) != 0) {
        ::unlink(temporary.c_str());
        fail("cannot place the link " + link + ": " + std::strerror(errno));
    }
}

// Removes `link` if it still points at `target` (another simulator may have
// taken the name over since).
void removeLink(const std::string &link, const std::string &target) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n > 0 && std::string(buffer, std::size_t(n)) == target)
        ::unlink(link.c_str());
}

void logFrame(const char *what, const std::uint8_t *data, std::size_t size) {
    std::fprintf(stderr, "%s", what);
    for (std::size_t i = 0; i < size; ++i)
        std::fprintf(stderr, " %02X", data[i]);
    std::fprintf(stderr, "\n");
}

struct Pending {
    std::int64_t due;
    std::vector<std::uint8_t> bytes;
    Reply reply; // what it was, for the log (bytes moved out)
    bool unsure = false;
};

std::int64_t wallMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// One line per reply as it goes out, flushed at once so that a killed
// simulator leaves every reply it sent in the log.
void logReply(FILE *log, const Pending &p) {
    if (!log)
        return;
    const Reply &r = p.reply;
    std::fprintf(log, "%lld %d", static_cast<long long>(wallMs()), r.address);
    if (r.intact && p.bytes.size() >= 11) {
        std::fprintf(log, p.unsure ? " unsure" : " ok");
        for (std::size_t i = 3; i < 11; ++i)
            std::fprintf(log, " %d", p.bytes[i]);
    } else {
        std::fprintf(log, " %s", r.misbehaviour.empty() ? "other" : r.misbehaviour.c_str());
    }
    std::fprintf(log, "\n");
    std::fflush(log);
}

} // namespace

int main(int argc, char **argv) {
    Simulator sim;
    std::string linkPath, devicePath;
    speed_t speed = B2400;
    bool verbose = false;
    std::string logPath;
    orvex::unitsim::Chaos chaos;
    std::uint32_t chaosSeed = 0;
    bool chaosSeeded = false;
    bool unitsGiven = false;
    std::vector<int> silentUnits;

    auto value = [&](int &i) -> std::string {
        if (i + 1 >= argc)
            fail(std::string("missing value after ") + argv[i]);
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--version") {
            std::puts("unitsim " ORVEX_VERSION);
            return 0;
        } else if (arg == "--link") {
            linkPath = value(i);
        } else if (arg == "--device") {
            devicePath = value(i);
        } else if (arg == "--baud") {
            const std::string b = value(i);
            if (b == "2400")
                speed = B2400;
            else if (b == "4800")
                speed = B4800;
            else if (b == "9600")
                speed = B9600;
            else if (b == "19200")
                speed = B19200;
            else
                fail("unsupported speed " + b);
        } else if (arg == "--units") {
            std::vector<int> list;
            if (!orvex::unitsim::parseUnitList(value(i), list))
                fail("bad unit list " + std::string(argv[i]));
            for (int a : list)
                sim.unit(a);
            unitsGiven = true;
        } else if (arg == "--unit") {
            const std::string unitArg = value(i);
            const auto comma = unitArg.find(',');
            std::vector<int> one;
            if (!orvex::unitsim::parseUnitList(unitArg.substr(0, comma), one) || one.size() != 1)
                fail("bad unit address in " + unitArg);
            auto &u = sim.unit(one.front());
            std::size_t start = comma;
            while (start != std::string::npos) {
                const auto next = unitArg.find(',', start + 1);
                const std::string setting = unitArg.substr(
                    start + 1, next == std::string::npos ? std::string::npos : next - start - 1);
                const std::string error = sim.configure(u, setting);
                if (!error.empty())
                    fail(error);
                start = next;
            }
            unitsGiven = true;
        } else if (arg == "--silent") {
            if (!orvex::unitsim::parseUnitList(value(i), silentUnits))
                fail("bad unit list " + std::string(argv[i]));
        } else if (arg == "--demo") {
            sim.loadDemo();
            unitsGiven = true;
        } else if (arg == "--seed") {
            sim.seed(std::uint32_t(std::strtoul(value(i).c_str(), nullptr, 0)));
        } else if (arg == "--chaos") {
            if (!Simulator::parseChaos(value(i), chaos, chaosSeed, chaosSeeded))
                fail("bad --chaos (PERCENT[,SEED], PERCENT 0..100): " + std::string(argv[i]));
        } else if (arg == "--log") {
            logPath = value(i);
        } else if (arg == "--verbose") {
            verbose = true;
        } else {
            fail("unknown option " + arg + " (see --help)");
        }
    }
    if (!unitsGiven)
        sim.unit(1);
    sim.setChaos(chaos);
    if (chaosSeeded)
        sim.seed(chaosSeed);
    FILE *lineLog = nullptr;
    if (!logPath.empty()) {
        lineLog = std::fopen(logPath.c_str(), "ae");
        if (!lineLog)
            fail("cannot open the log " + logPath + ": " + std::strerror(errno));
    }
    for (int a : silentUnits) {
        if (sim.hasUnit(a)) {
            sim.unit(a).silent = true;
            sim.unit(a).every = 1;
        }
    }

    // Signals arrive through a descriptor, so the loop below ends cleanly and
    // removes its link.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);

    int line = -1;
    int keepSlave = -1;
    std::string lineName;
    if (!devicePath.empty()) {
        line = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (line < 0)
            fail("cannot open " + devicePath + ": " + std::strerror(errno));
        makeRaw(line, speed);
        lineName = devicePath;
    } else {
        line = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (line < 0 || ::grantpt(line) != 0 || ::unlockpt(line) != 0)
            fail(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
        ::fcntl(line, F_SETFL, ::fcntl(line, F_GETFL) | O_NONBLOCK);
        const char *slave = ::ptsname(line);
        if (!slave)
            fail("cannot name the pseudo-terminal");
        lineName = slave;
        // Holding the other end open keeps the line alive while the program
        // closes and reopens its port: without it the pseudo-terminal would
        // hang up and report that without end. Raw mode from the start, so
        // nothing is ever echoed back.
        keepSlave = ::open(slave, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (keepSlave >= 0)
            makeRaw(keepSlave, speed);
    }
    if (!linkPath.empty())
        placeLink(linkPath, lineName);
    std::printf("ready %s\n", linkPath.empty() ? lineName.c_str() : linkPath.c_str());
    std::fflush(stdout);

    std::deque<Pending> pending;
    std::int64_t lastByte = 0;
    std::int64_t lastLateWrite = -1000000;
    int exitCode = 0;
    for (;;) {
        int timeout = -1;
        if (!pending.empty())
            timeout = int(std::max<std::int64_t>(0, pending.front().due - nowMs()));
        pollfd fds[2] = {{line, POLLIN, 0}, {signalFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            break;
        if (n > 0 && (fds[1].revents & POLLIN))
            break;
        if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLIN)) {
            std::fprintf(stderr, "unitsim: the line %s has gone\n", lineName.c_str());
            exitCode = 1;
            break;
        }
        if (n > 0 && (fds[0].revents & POLLIN)) {
            std::uint8_t buffer[256];
            const ssize_t got = ::read(line, buffer, sizeof buffer);
            if (got < 0 && errno != EAGAIN && errno != EINTR) {
                std::fprintf(stderr, "unitsim: reading %s: %s\n", lineName.c_str(),
                             std::strerror(errno));
                exitCode = 1;
                break;
            }
            if (got > 0) {
                const std::int64_t now = nowMs();
                // A pause on the line ends any frame begun before it.
                if (now - lastByte > 50)
                    sim.resetFrame();
                lastByte = now;
                if (verbose)
                    logFrame("<-", buffer, std::size_t(got));
                for (Reply &r : sim.feed(buffer, std::size_t(got))) {
                    // A late reply still due, or one that went out just
                    // before this request, may reach the reader first.
                    bool lateAround = now - lastLateWrite < 20;
                    for (const Pending &q : pending)
                        lateAround = lateAround || q.reply.delayMs > 0;
                    Pending p{now + r.delayMs, std::move(r.bytes), std::move(r), lateAround};
                    auto at = pending.begin();
                    while (at != pending.end() && at->due <= p.due)
                        ++at;
                    pending.insert(at, std::move(p));
                }
            }
        }
        while (!pending.empty() && pending.front().due <= nowMs()) {
            const auto &bytes = pending.front().bytes;
            if (verbose)
                logFrame("->", bytes.data(), bytes.size());
            const bool written = !bytes.empty() && ::write(line, bytes.data(), bytes.size()) >= 0;
            if (!bytes.empty() && !written && verbose)
                std::fprintf(stderr, "unitsim: reply dropped: %s\n", std::strerror(errno));
            if (pending.front().reply.delayMs > 0 && !bytes.empty())
                lastLateWrite = nowMs();
            if (written || bytes.empty())
                logReply(lineLog, pending.front());
            pending.pop_front();
        }
    }

    if (lineLog)
        std::fclose(lineLog);
    if (!linkPath.empty())
        removeLink(linkPath, lineName);
    if (keepSlave >= 0)
        ::close(keepSlave);
    ::close(line);
    return exitCode;
}
