// Loaded into Wine with LD_PRELOAD for the serial end-to-end test. It stands in
// for a real line's modem status, which a pseudo-terminal lacks: Wine asks a
// serial line for it (TIOCMGET) while it waits for serial events, a real
// serial driver answers, a pseudo-terminal refuses, and a Wine that takes the
// refusal as a failure ends the wait as cancelled, after which Qt stops
// reading. Here a terminal that refuses reports carrier, DSR and CTS up.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <unistd.h>

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real_ioctl)(int, unsigned long, ...);
    if (!real_ioctl)
        *(void **)&real_ioctl = dlsym(RTLD_NEXT, "ioctl"); // as POSIX suggests for function pointers

    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);

    const int result = real_ioctl(fd, request, argument);
    if (result == 0 || request != TIOCMGET)
        return result;
    const int refusal = errno;
    if (!isatty(fd)) {
        errno = refusal;
        return result;
    }
    *(int *)argument = TIOCM_CAR | TIOCM_DSR | TIOCM_CTS;
    return 0;
}
