// Only <asm/termbits.h> here: it cannot share a file with <termios.h>.
#include "line_readback.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace linktest {

LineReadback read_line(int fd) {
    struct termios2 tio {};
    LineReadback line;
    if (ioctl(fd, TCGETS2, &tio) != 0) return line;
    line.speed = tio.c_ospeed;
    line.cflag = tio.c_cflag;
    line.iflag = tio.c_iflag;
    line.oflag = tio.c_oflag;
    line.lflag = tio.c_lflag;
    return line;
}

}  // namespace linktest
