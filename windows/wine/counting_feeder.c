// The board's side of the serial end-to-end test under Wine: a pseudo-terminal
// whose master is written with a counting stream (0, 1, ..., 255, 0, ...) at
// the pace of 115200 baud with 11 bits a reading. Prints the slave's path on
// its first line, then feeds until killed, printing once a second of counting
// how many readings were due and how many the line took ("5 s: 52363 due,
// 52363 taken"): a reader that stops shows within two seconds, when the
// line's buffer of some 20 KB is full. As a real Uno, which the opening of
// the port resets, it starts each time a reader opens the line: silent for
// 1.4 s (its bootloader), then counting, from 0.
//
// Bytes the line cannot take when due are not sent later, so the pace holds,
// and the count goes on from the last byte written, so every gap at the
// reader is a loss of its own.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static const double kReadingsPerSecond = 115200.0 / 11.0;
static const double kBootSeconds = 1.4;

static double now(void)
{
    struct timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return (double)time.tv_sec + (double)time.tv_nsec / 1e9;
}

// Whether someone has the slave open.
static bool readerPresent(int master)
{
    struct pollfd line = {master, 0, 0};
    return poll(&line, 1, 0) == 0 || !(line.revents & POLLHUP);
}

int main(void)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("counting_feeder: pseudo-terminal");
        return 1;
    }
    // Raw before the reader opens the slave, so no byte is echoed or translated.
    struct termios raw;
    if (tcgetattr(master, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(master, TCSANOW, &raw);
    }
    // The master reports a hang-up while the slave is closed, but only once it
    // has been open: open it once here, so the reader's arrival shows.
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        perror("counting_feeder: slave");
        return 1;
    }
    close(slave);
    printf("%s\n", ptsname(master));
    fflush(stdout);

    bool reading = false;
    double start = 0;       // when the reader opened the line
    uint64_t scheduled = 0; // readings due since the count began, sent or not
    uint64_t taken = 0;     // readings the line took since the count began
    uint64_t reported = 0;  // whole seconds of counting reported
    uint8_t next = 0;
    const struct timespec burst = {0, 1000000};
    for (;;) {
        nanosleep(&burst, NULL);
        if (!readerPresent(master)) {
            reading = false;
            continue;
        }
        if (!reading) {
            reading = true;
            start = now();
            scheduled = 0;
            taken = 0;
            reported = 0;
            next = 0;
        }
        const double counting = now() - start - kBootSeconds;
        if (counting < 0)
            continue;
        const uint64_t due = (uint64_t)(counting * kReadingsPerSecond);
        unsigned char bytes[4096];
        size_t count = 0;
        while (scheduled < due && count < sizeof bytes) {
            bytes[count++] = next++;
            ++scheduled;
        }
        scheduled = due; // a stall longer than one buffer is not made up either
        const ssize_t written = write(master, bytes, count);
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            perror("counting_feeder: write");
            return 1;
        }
        // What the line did not take is not sent: the count resumes after the last byte written.
        const size_t accepted = written > 0 ? (size_t)written : 0;
        next = (uint8_t)(next - (count - accepted));
        taken += accepted;
        if ((uint64_t)counting > reported) {
            reported = (uint64_t)counting;
            printf("%llu s: %llu due, %llu taken\n", (unsigned long long)reported,
                   (unsigned long long)scheduled, (unsigned long long)taken);
            fflush(stdout);
        }
    }
}
