// Starting the alarm sound file with the desktop's player, and counting the
// players that run.
//
// How a player is counted. A request starts one launcher, /bin/sh running
// the chain of kLauncher, as a child of this process in a session of its own
// (so it outlives the program and no signal of a terminal reaches it; the
// session's id is the launcher's process id). xdg-open may play the file
// itself, start a player and wait for it, or hand the file to a player it
// starts in the background and return at once (what a desktop's "open"
// usually does). Everything the chain starts stays in the session unless it
// makes one of its own (daemons do), so the request's player is running for
// as long as the launcher runs or any other live process is in its session.
//
// Process ids are reused, so a process found by its id after the fact may be
// anybody. The launcher is therefore left unreaped (a zombie) once it ends,
// for as long as its session has members: while it exists its id can be
// given to no other process, and no other session can have that id. Every
// process in the session is then truly started by the request. When the
// session is empty, the launcher is reaped and the request forgotten. Its
// pidfd tells when the launcher ends; while a session outlives its launcher,
// it is looked at again every kSessionCheckMs.
//
// A file that the desktop hands to a player running already (a
// single-instance media player), or a player that makes a session of its
// own, plays in a program that is not ours to count or limit. A request
// counts for kPlayerTimeLimit at most: a media player whose window stays open
// after the sound must not silence the alarms that follow for ever. An alarm
// file is a short signal; a player still running after a minute has done
// its work.
#include "ui/ShellOpen.h"

#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace orvex::ui {
namespace {

// The launcher: xdg-open first, then the direct players, each tried when the
// one before is missing (exit 127) or fails. "$1" is the file name; it is
// never part of the script text.
const char *const kLauncher = "xdg-open \"$1\" >/dev/null 2>&1 && exit 0; "
                              "for p in pw-play paplay aplay; do "
                              "command -v \"$p\" >/dev/null 2>&1 && "
                              "\"$p\" \"$1\" >/dev/null 2>&1 && exit 0; "
                              "done; exit 1";

std::chrono::milliseconds g_timeLimit = kPlayerTimeLimit;
constexpr int kSessionCheckMs = 200;

// Notifiers and the timer are the application's children: they go with it
// even when the list of requests outlives it.
void retire(QPointer<QSocketNotifier> &notifier) {
    // A notifier may be retired from its own signal: it goes later.
    if (notifier) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    notifier = nullptr;
}

// One request: its launcher and the session it leads.
struct Player {
    pid_t launcher = -1; // our child, reaped only once its session is empty
    int pidfd = -1;      // readable once the launcher has ended; -1 without
    bool launcherEnded = false;
    bool reaped = false;
    QElapsedTimer started;
    QPointer<QSocketNotifier> endWatch;

    Player() = default;
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;
    ~Player() {
        retire(endWatch);
        if (pidfd >= 0)
            ::close(pidfd);
    }

    // Notes the launcher's end without reaping it.
    void checkLauncher() {
        if (launcherEnded)
            return;
        siginfo_t info{};
        if (::waitid(P_PID, id_t(launcher), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
            if (info.si_pid != launcher)
                return;
        } else if (errno != ECHILD) {
            return;
        } else {
            // Reaped by someone else (SIGCHLD ignored): nothing left to track.
            reaped = true;
        }
        launcherEnded = true;
        retire(endWatch);
    }

    void reap() {
        if (!reaped)
            ::waitpid(launcher, nullptr, 0); // a zombie: returns at once
        reaped = true;
    }

    bool counts() const { return started.elapsed() < g_timeLimit.count(); }
};

bool isZombie(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true; // gone meanwhile
    // "pid (name) state ...": the name may hold blanks and parentheses.
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size())
        return false;
    const char state = text.at(close + 2);
    return state == 'Z' || state == 'X';
}

// Of the sessions led by `leaders`, those that have a live member other
// than their leader.
QSet<pid_t> sessionsWithMembers(const QSet<pid_t> &leaders) {
    QSet<pid_t> alive;
    DIR *proc = ::opendir("/proc");
    if (!proc) {
        // Cannot look: the sessions count as alive until the time limit.
        return leaders;
    }
    while (dirent *entry = ::readdir(proc)) {
        char *end = nullptr;
        const long id = std::strtol(entry->d_name, &end, 10);
        if (id <= 0 || *end != '\0')
            continue;
        const pid_t pid = pid_t(id);
        if (leaders.contains(pid))
            continue;
        const pid_t session = ::getsid(pid);
        if (session <= 0 || !leaders.contains(session) || alive.contains(session))
            continue;
        if (!isZombie(pid))
            alive.insert(session);
    }
    ::closedir(proc);
    return alive;
}

ShellOpenRecorder *g_recorder = nullptr;
std::vector<std::unique_ptr<Player>> g_players;
QPointer<QTimer> g_sessionCheck;

void prune() {
    QSet<pid_t> ended;
    for (const std::unique_ptr<Player> &p : g_players) {
        p->checkLauncher();
        if (p->launcherEnded && !p->reaped)
            ended.insert(p->launcher);
    }
    if (!ended.isEmpty()) {
        const QSet<pid_t> alive = sessionsWithMembers(ended);
        for (const std::unique_ptr<Player> &p : g_players) {
            if (p->launcherEnded && !p->reaped && !alive.contains(p->launcher))
                p->reap();
        }
    }
    std::erase_if(g_players,
                  [](const std::unique_ptr<Player> &p) { return p->launcherEnded && p->reaped; });
    // Sessions that outlive their launcher end without any notice.
    const bool outliving = std::any_of(g_players.begin(), g_players.end(),
                                       [](const auto &p) { return p->launcherEnded; });
    if (outliving && QCoreApplication::instance()) {
        if (!g_sessionCheck) {
            g_sessionCheck = new QTimer(QCoreApplication::instance());
            g_sessionCheck->setSingleShot(true);
            QObject::connect(g_sessionCheck, &QTimer::timeout, [] { prune(); });
        }
        if (!g_sessionCheck->isActive())
            g_sessionCheck->start(kSessionCheckMs);
    }
}

int countedPlayers() {
    prune();
    return int(std::count_if(g_players.begin(), g_players.end(),
                             [](const auto &p) { return p->counts(); }));
}

bool startPlayer(const QString &fileName) {
    // Standard input and output go nowhere, as for any detached program.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // A session of its own; no signal blocked and the usual dispositions,
    // whatever this process set for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    const QByteArray name = QFile::encodeName(fileName);
    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    char zero[] = "orvex-sound";
    char *argv[] = {
        sh,     dashC, const_cast<char *>(kLauncher), zero, const_cast<char *>(name.constData()),
        nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, sh, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        return false;
    auto player = std::make_unique<Player>();
    player->launcher = pid;
    player->started.start();
    // The launcher is our unreaped child, so the id still names it here.
    player->pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (player->pidfd >= 0) {
        ::fcntl(player->pidfd, F_SETFD, FD_CLOEXEC);
        // With an event loop the launcher's end is noticed as it happens;
        // without one, at the next request or count.
        if (QCoreApplication::instance()) {
            player->endWatch = new QSocketNotifier(player->pidfd, QSocketNotifier::Read,
                                                   QCoreApplication::instance());
            QObject::connect(player->endWatch, &QSocketNotifier::activated, [] { prune(); });
        }
    }
    g_players.push_back(std::move(player));
    return true;
}

} // namespace

QString mapSoundFileName(const QString &name) {
    QString mapped = name;
    mapped.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (mapped.startsWith(QLatin1Char('/')) && !QFileInfo::exists(mapped))
        mapped = QDir::cleanPath(programFolder() + mapped);
    return mapped;
}

bool shellOpen(const QString &fileName) {
    const QString mapped = mapSoundFileName(fileName);
    if (g_recorder) {
        g_recorder->m_requests.append(mapped);
        return true;
    }
    if (mapped.isEmpty())
        return false;
    if (countedPlayers() >= kMaxPlayers)
        return false;
    return startPlayer(mapped);
}

void shellOpenRepeated(const QString &fileName, int times) {
    for (int i = 0; i < times; ++i)
        shellOpen(fileName);
}

int runningPlayers() {
    return countedPlayers();
}

void setPlayerTimeLimit(std::chrono::milliseconds limit) {
    g_timeLimit = limit;
}

ShellOpenRecorder::ShellOpenRecorder() : m_outer(g_recorder) {
    g_recorder = this;
}

ShellOpenRecorder::~ShellOpenRecorder() {
    g_recorder = m_outer;
}

} // namespace orvex::ui
