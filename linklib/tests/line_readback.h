// What a tty reports about its line, read with termios2 so raw rates show too.
#pragma once

namespace linktest {

struct LineReadback {
    unsigned speed = 0;
    unsigned cflag = 0, iflag = 0, oflag = 0, lflag = 0;
};

// On a pty master this reports the slave's settings.
LineReadback read_line(int fd);

}  // namespace linktest
