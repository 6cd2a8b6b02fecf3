// The thin layer between the serial port component and the operating system.
// Every system call the component makes on a tty goes through one of these
// virtual functions, so that tests can make a single call fail in ways a
// pseudo-terminal never does (a refused speed, line errors, an unplugged
// adapter). Each function follows the system's convention: -1 and errno on
// failure.
#pragma once

#include <sys/types.h>

struct termios;

namespace orvex::serial {

class SerialPlatform {
public:
    virtual ~SerialPlatform();

    virtual int open(const char *path, int flags);
    virtual int close(int fd);
    virtual int flock(int fd, int operation);
    virtual int ioctl(int fd, unsigned long request, void *argument);
    virtual int tcgetattr(int fd, struct termios *settings);
    virtual int tcsetattr(int fd, int when, const struct termios *settings);
    virtual int tcflush(int fd, int queue);
    virtual ssize_t read(int fd, void *buffer, size_t count);
    virtual ssize_t write(int fd, const void *buffer, size_t count);
    // Sets a speed that has no Bnnn constant (14400, 56000, ...) through
    // termios2/BOTHER, after the rest of the line settings are in place.
    virtual int setCustomSpeed(int fd, int bitsPerSecond);
    // Is `fd` an open descriptor? Stands for the handle checks of steps that
    // have nothing to hand to a Linux driver (queue sizes, timeouts).
    virtual bool isOpen(int fd);
};

// The platform the components use unless they are given another one.
SerialPlatform &defaultSerialPlatform();

} // namespace orvex::serial
