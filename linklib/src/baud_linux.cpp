// Only <asm/termbits.h> here: it cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace vantlink {

bool set_custom_baud_rate(int fd, uint32_t rate) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = rate;
    tio.c_ospeed = rate;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace vantlink
