// A platform that passes every call to the real system but can make chosen
// calls fail or report line errors and modem lines that a pseudo-terminal
// never has. Thread-safe: the event thread calls it too.
#pragma once

#include "serial/SerialPlatform.h"

#include <atomic>
#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace orvex::test {

class FaultyPlatform : public orvex::serial::SerialPlatform {
public:
    std::atomic<int> calls{0};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};

    std::atomic<int> openErrno{0};
    std::atomic<int> tcsetattrErrno{0};
    std::atomic<int> linesErrno{0}; // TIOCMBIS/TIOCMBIC
    std::atomic<int> flushErrno{0};

    // Line-error counters and modem lines, when `fakeLineState` is set.
    std::atomic<bool> fakeLineState{false};
    std::atomic<int> frame{0}, parity{0}, overrun{0}, brk{0}, bufOverrun{0};
    std::atomic<int> modemBits{0};
    std::atomic<int> modemReads{0};

    // What the component last handed to the driver (GUI thread only).
    termios lastSettings{};
    int lastCustomSpeed = 0;

    int open(const char *path, int flags) override {
        ++calls;
        if (openErrno) {
            errno = openErrno;
            return -1;
        }
        const int fd = SerialPlatform::open(path, flags);
        if (fd >= 0)
            ++opens;
        return fd;
    }
    int close(int fd) override {
        ++calls;
        ++closes;
        return SerialPlatform::close(fd);
    }
    int ioctl(int fd, unsigned long request, void *argument) override {
        ++calls;
        if ((request == TIOCMBIS || request == TIOCMBIC) && linesErrno) {
            errno = linesErrno;
            return -1;
        }
        if (fakeLineState && request == TIOCGICOUNT) {
            auto *ic = static_cast<serial_icounter_struct *>(argument);
            *ic = serial_icounter_struct{};
            ic->frame = frame;
            ic->parity = parity;
            ic->overrun = overrun;
            ic->brk = brk;
            ic->buf_overrun = bufOverrun;
            return 0;
        }
        if (fakeLineState && request == TIOCMGET) {
            ++modemReads;
            *static_cast<int *>(argument) = modemBits;
            return 0;
        }
        return SerialPlatform::ioctl(fd, request, argument);
    }
    int tcsetattr(int fd, int when, const struct termios *settings) override {
        ++calls;
        if (tcsetattrErrno) {
            errno = tcsetattrErrno;
            return -1;
        }
        lastSettings = *settings;
        return SerialPlatform::tcsetattr(fd, when, settings);
    }
    int tcgetattr(int fd, struct termios *settings) override {
        ++calls;
        return SerialPlatform::tcgetattr(fd, settings);
    }
    int tcflush(int fd, int queue) override {
        ++calls;
        if (flushErrno) {
            errno = flushErrno;
            return -1;
        }
        return SerialPlatform::tcflush(fd, queue);
    }
    int setCustomSpeed(int fd, int bitsPerSecond) override {
        ++calls;
        lastCustomSpeed = bitsPerSecond;
        return SerialPlatform::setCustomSpeed(fd, bitsPerSecond);
    }
    bool isOpen(int fd) override {
        ++calls;
        return SerialPlatform::isOpen(fd);
    }
};

} // namespace orvex::test
