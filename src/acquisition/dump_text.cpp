#include "dump_text.h"

QString dumpText(std::span<const qint16> readings)
{
    // A reading is 0..255, so " 255," is the longest entry; room for " -32768,"
    // keeps any 16-bit value safe.
    QString text(qsizetype(readings.size()) * 8 + 1, Qt::Uninitialized);
    QChar *out = text.data();
    *out++ = u'(';
    for (const qint16 reading : readings) {
        *out++ = u' ';
        char digits[6];
        int count = 0;
        int value = reading;
        const bool negative = value < 0;
        unsigned magnitude = negative ? unsigned(-value) : unsigned(value);
        do {
            digits[count++] = char('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative)
            *out++ = u'-';
        while (count > 0)
            *out++ = QChar(digits[--count]);
        *out++ = u',';
    }
    if (!readings.empty())
        out[-1] = u')';
    text.truncate(out - text.data());
    return text;
}
