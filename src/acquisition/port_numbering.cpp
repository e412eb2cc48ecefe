#include "port_numbering.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

namespace {

// A device's name split into its text and the number that ends it, so names
// can be ordered by that number as a number.
std::pair<QStringView, qulonglong> textAndNumber(QStringView name)
{
    qsizetype digitsStart = name.size();
    while (digitsStart > 0 && name[digitsStart - 1].isDigit())
        --digitsStart;
    return {name.first(digitsStart), name.sliced(digitsStart).toULongLong()};
}

} // namespace

QList<SerialDevice> listedSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        // Windows names a port COMn, whatever path opens it; a USB adapter shows by its vendor.
        devices.append({info.portName(), info.hasVendorIdentifier()});
#else
        const bool usb = info.hasVendorIdentifier() || info.systemLocation().contains(u"ttyUSB")
                         || info.systemLocation().contains(u"ttyACM");
        devices.append({info.systemLocation(), usb});
#endif
    }
    return devices;
}

QString deviceForPortNumber(int number, QList<SerialDevice> devices)
{
    if (number < 1 || number > devices.size())
        return {};
    std::ranges::sort(devices, [](const SerialDevice &a, const SerialDevice &b) {
        if (a.usb != b.usb)
            return a.usb;
        const auto [aText, aNumber] = textAndNumber(a.path);
        const auto [bText, bNumber] = textAndNumber(b.path);
        if (aText != bText)
            return aText < bText;
        if (aNumber != bNumber)
            return aNumber < bNumber;
        // Names whose numbers read alike (COM3, COM03) keep one order too.
        return a.path < b.path;
    });
    return devices[number - 1].path;
}
