// The kill tests run the program as a separate helper process, read what it
// prints, and kill it at a moment they choose.
#pragma once

#include "tests/support/Deadline.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace orvex::e2e {

// Starts `program` on the program folder `folder` and reads what it prints
// into `out` until `word` stood there `times` times, it ended, or `ms`
// passed. Returns whether the word came that often while it still runs.
inline bool startUntilPrinted(QProcess &host, const QString &program, const QString &folder,
                              const QByteArray &word, int times, int ms, QByteArray &out) {
    host.setProgram(program);
    host.setArguments({folder});
    host.start();
    if (!host.waitForStarted(5000))
        return false;
    test::holdsWithin(
        [&] {
            out += host.readAllStandardOutput();
            return out.count(word) >= times || host.state() == QProcess::NotRunning;
        },
        ms);
    return out.count(word) >= times && host.state() == QProcess::Running;
}

} // namespace orvex::e2e
