// The board's system calls under the C library's standard streams: standard output and error go
// to the USB console; there is no file system behind them.

#include "usb/Driver/VCP.h"

#include <sys/stat.h>

extern "C" {

int _write(int fd, const char* buffer, int count)
{
    if (fd != 1 && fd != 2)
        return -1;
    if (count < 1)
        return 0;
    for (int i = 0; i < count; ++i)
        ConsolePrintChar(static_cast<unsigned char>(buffer[i]));
    return count;
}

int _read(int, char*, int)
{
    return 0;
}

int _lseek(int, int, int)
{
    return 0;
}

int _open(const char*, int, ...)
{
    return -1;
}

int _close(int)
{
    return -1;
}

int _fstat(int, struct stat* status)
{
    status->st_mode = S_IFCHR;
    return 0;
}

int _isatty(int fd)
{
    return fd == 1 || fd == 2 ? 1 : 0;
}

int _kill(int, int)
{
    return -1;
}

int _getpid(void)
{
    return -1;
}
}
