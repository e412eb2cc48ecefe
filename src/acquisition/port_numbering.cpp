#include "port_numbering.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace {

// A device's name split into its text and the number that ends it, so names
// can be ordered by that number as a number.
std::tuple<QStringView, qulonglong> textAndNumber(QStringView name)
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
        // The whole name last, so names whose numbers read alike (COM3, COM03) keep one order.
        return std::tuple_cat(textAndNumber(a.path), std::tie(a.path))
               < std::tuple_cat(textAndNumber(b.path), std::tie(b.path));
    });
    return devices[number - 1].path;
}
