// Speeds without a Bnnn constant go through the termios2 interface with
// BOTHER. The kernel's termios2 header clashes with glibc's <termios.h>, so
// this file includes only the kernel's definitions and declares ioctl itself.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace orvex::serial {

int setCustomSpeedTermios2(int fd, int bitsPerSecond) {
    if (bitsPerSecond <= 0) {
        errno = EINVAL;
        return -1;
    }
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return -1;
    settings.c_cflag &= ~CBAUD;
    settings.c_cflag |= BOTHER;
    settings.c_cflag &= ~(CBAUD << IBSHIFT); // input speed follows the output speed
    settings.c_ispeed = static_cast<speed_t>(bitsPerSecond);
    settings.c_ospeed = static_cast<speed_t>(bitsPerSecond);
    return ioctl(fd, TCSETS2, &settings);
}

} // namespace orvex::serial
