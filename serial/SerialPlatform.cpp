// The real system calls behind SerialPlatform.
#include "serial/SerialPlatform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace orvex::serial {

int setCustomSpeedTermios2(int fd, int bitsPerSecond); // CustomSpeed.cpp

SerialPlatform::~SerialPlatform() = default;

int SerialPlatform::open(const char *path, int flags) {
    return ::open(path, flags);
}

int SerialPlatform::close(int fd) {
    return ::close(fd);
}

int SerialPlatform::flock(int fd, int operation) {
    return ::flock(fd, operation);
}

int SerialPlatform::ioctl(int fd, unsigned long request, void *argument) {
    return ::ioctl(fd, request, argument);
}

int SerialPlatform::tcgetattr(int fd, struct termios *settings) {
    return ::tcgetattr(fd, settings);
}

int SerialPlatform::tcsetattr(int fd, int when, const struct termios *settings) {
    return ::tcsetattr(fd, when, settings);
}

int SerialPlatform::tcflush(int fd, int queue) {
    return ::tcflush(fd, queue);
}

ssize_t SerialPlatform::read(int fd, void *buffer, size_t count) {
    return ::read(fd, buffer, count);
}

ssize_t SerialPlatform::write(int fd, const void *buffer, size_t count) {
    return ::write(fd, buffer, count);
}

int SerialPlatform::setCustomSpeed(int fd, int bitsPerSecond) {
    return setCustomSpeedTermios2(fd, bitsPerSecond);
}

bool SerialPlatform::isOpen(int fd) {
    return fd >= 0 && ::fcntl(fd, F_GETFD) != -1;
}

SerialPlatform &defaultSerialPlatform() {
    static SerialPlatform platform;
    return platform;
}

} // namespace orvex::serial
