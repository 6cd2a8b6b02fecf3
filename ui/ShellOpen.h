// Starting the alarm sound file with the desktop's player: the shell "open"
// of this program. Nothing waits for the player and failures are ignored; an
// alarm that cannot sound must never hold up the poll cycle.
//
// A request runs `xdg-open FILE` detached; when xdg-open is missing or fails
// (a minimal session without a desktop), a direct player is tried in turn:
// pw-play, paplay, aplay. The chain runs in one /bin/sh, in a session of its
// own, with the file name as a positional argument, so a name is never parsed
// as shell text. At most kMaxPlayers players run at once, counted as long as
// any process their request started lives (ShellOpen.cpp says how); further
// requests are dropped (the alarm repeats on the next poll anyway).
//
// Tests install a ShellOpenRecorder: while it lives, requests are recorded
// instead of started.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace orvex::ui {

inline constexpr int kMaxPlayers = 3;
// How long one request's players count towards kMaxPlayers at most.
inline constexpr std::chrono::milliseconds kPlayerTimeLimit{60000};

// A file name as the settings hold it, made usable here: backslashes become
// slashes, and a name that begins with a separator but does not exist is
// taken relative to the program folder ("\Sound\Beep.wav" is the shipped
// Sound/Beep.wav of the program folder).
QString mapSoundFileName(const QString &name);

// Asks the desktop to open (play) the file. Returns true when a player was
// started (or the request recorded), false when it was dropped or could not
// be started; callers are free to ignore the result.
bool shellOpen(const QString &fileName);

// Opens the file `times` times in a row without waiting between the calls.
void shellOpenRepeated(const QString &fileName, int times);

// Number of players started here that are still running (and count).
int runningPlayers();

// Changes kPlayerTimeLimit (tests).
void setPlayerTimeLimit(std::chrono::milliseconds limit);

// Records requests instead of starting players, from construction to
// destruction. The recorded names are the mapped ones.
class ShellOpenRecorder {
public:
    ShellOpenRecorder();
    ~ShellOpenRecorder();
    ShellOpenRecorder(const ShellOpenRecorder &) = delete;
    ShellOpenRecorder &operator=(const ShellOpenRecorder &) = delete;

    const QStringList &requests() const { return m_requests; }
    int count() const { return int(m_requests.size()); }
    void clear() { m_requests.clear(); }

private:
    friend bool shellOpen(const QString &);
    QStringList m_requests;
    ShellOpenRecorder *m_outer = nullptr;
};

} // namespace orvex::ui
