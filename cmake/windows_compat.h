// Included first in every file of a Windows build: the few POSIX names the shared code uses
// that the Windows C runtime lacks or spells otherwise, so that code needs no #ifdef of its own.
#pragma once

#ifndef _POSIX_THREAD_SAFE_FUNCTIONS
#define _POSIX_THREAD_SAFE_FUNCTIONS 200112L  // localtime_r, gmtime_r
#endif

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <time.h>

// No FIFOs, terminals or descriptor flags on Windows. Every open of the shared code says
// O_CLOEXEC, and there it also means binary: the runtime would otherwise turn LF into CR LF.
#define O_NONBLOCK 0
#define O_NOCTTY 0
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
#define F_GETFL 3
#define F_SETFL 4
#ifdef __cplusplus
inline int fcntl(int, int, int = 0) {
    return 0;
}
inline int mkdir(const char* path, int) {
    return _mkdir(path);
}
inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
inline time_t timegm(struct tm* t) {
    return _mkgmtime(t);
}
#endif
