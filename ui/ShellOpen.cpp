// Starting the alarm sound file with the desktop's player.
#include "ui/ShellOpen.h"

#include "ui/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>

#include <cerrno>
#include <signal.h>
#include <sys/types.h>

namespace orvex::ui {
namespace {

ShellOpenRecorder *g_recorder = nullptr;
QList<qint64> g_players;

// The launcher: xdg-open first, then the direct players, each tried when the
// one before is missing (exit 127) or fails. "$1" is the file name; it is
// never part of the script text.
const char *const kLauncher = "xdg-open \"$1\" >/dev/null 2>&1 && exit 0; "
                              "for p in pw-play paplay aplay; do "
                              "command -v \"$p\" >/dev/null 2>&1 && "
                              "\"$p\" \"$1\" >/dev/null 2>&1 && exit 0; "
                              "done; exit 1";

bool alive(qint64 pid) {
    // The detached launcher is not our child (it was started through a double
    // fork), so it leaves no zombie; a failed kill(0) with ESRCH means ended.
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

void pruneEnded() {
    g_players.removeIf([](qint64 pid) { return !alive(pid); });
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
    pruneEnded();
    if (g_players.size() >= kMaxPlayers)
        return false;
    qint64 pid = 0;
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({QStringLiteral("-c"), QString::fromLatin1(kLauncher),
                          QStringLiteral("orvex-sound"), mapped});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached(&pid))
        return false;
    g_players.append(pid);
    return true;
}

void shellOpenRepeated(const QString &fileName, int times) {
    for (int i = 0; i < times; ++i)
        shellOpen(fileName);
}

int runningPlayers() {
    pruneEnded();
    return int(g_players.size());
}

ShellOpenRecorder::ShellOpenRecorder() : m_outer(g_recorder) {
    g_recorder = this;
}

ShellOpenRecorder::~ShellOpenRecorder() {
    g_recorder = m_outer;
}

} // namespace orvex::ui
