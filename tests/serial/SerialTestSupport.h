// Helpers of the serial tests: a pseudo-terminal pair standing in for a
// serial line, linked as ports/COMn of a temporary program folder, and waits
// on conditions with generous deadlines instead of fixed sleeps.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QString>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace orvex::test {

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool waitUntil(const std::function<bool()> &done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::yieldCurrentThread();
    }
    return true;
}

// Both ends of a pseudo-terminal. The test plays the far end of the line on
// the master; the component opens the slave by its name. The pair holds a
// descriptor of the slave too, so the line stays up while the component
// closes and reopens, and can look at its settings.
class PtyPair {
public:
    PtyPair() {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            m_slaveName = QString::fromLocal8Bit(name);
            termios tio{};
            ::tcgetattr(m_slave, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
            ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
            ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        }
    }
    ~PtyPair() {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool valid() const { return m_master >= 0; }
    int master() const { return m_master; }
    int slave() const { return m_slave; }
    const QString &slaveName() const { return m_slaveName; }

    // Makes `portName` (e.g. "COM1") in `programFolder`/ports point here.
    bool link(const QString &programFolder, const QString &portName) const {
        QDir().mkpath(programFolder + QStringLiteral("/ports"));
        const QString path = programFolder + QStringLiteral("/ports/") + portName;
        QFile::remove(path);
        return QFile::link(m_slaveName, path);
    }

    // The far end vanishes (the simulator died, the adapter was pulled).
    void vanish() {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

    void send(const QByteArray &bytes) const {
        qsizetype off = 0;
        while (off < bytes.size()) {
            const ssize_t n =
                ::write(m_master, bytes.constData() + off, size_t(bytes.size() - off));
            if (n > 0) {
                off += n;
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 1000);
            } else if (n < 0 && errno != EINTR) {
                return;
            }
        }
    }

    // Reads from the far end until `count` bytes came or `ms` passed.
    QByteArray receive(int count, int ms = 5000) const {
        QByteArray got;
        QDeadlineTimer deadline(ms);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd p{m_master, POLLIN, 0};
            ::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime())));
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }

private:
    void closeMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slaveName;
};

// Number of threads of this process.
inline int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace orvex::test
