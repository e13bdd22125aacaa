// The C library's system calls on the board, for what the C and C++ run-time link in: there is no
// file system behind the standard streams and no process to signal. Each is weak, so that a unit
// that serves one for real (the console's output and input) takes its place.

#include "stm32f4xx.h"

#include <sys/stat.h>

#include <cerrno>

extern "C"
{

__attribute__((weak)) int _close(int)
{
    errno = EBADF;
    return -1;
}

__attribute__((weak)) int _fstat(int, struct stat* status)
{
    // A character device: the C library leaves the standard streams as they are set up.
    status->st_mode = S_IFCHR;
    return 0;
}

__attribute__((weak)) int _isatty(int)
{
    return 1;
}

__attribute__((weak)) int _lseek(int, int, int)
{
    errno = ESPIPE;
    return -1;
}

__attribute__((weak)) int _getpid()
{
    return 1;
}

__attribute__((weak)) int _kill(int, int)
{
    errno = EINVAL;
    return -1;
}

// exit ends here (abort too, after raising SIGABRT): the board stays as it is until it is reset.
__attribute__((weak, noreturn)) void _exit(int)
{
    for (;;)
        __NOP();
}

} // extern "C"
