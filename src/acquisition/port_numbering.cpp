#include "port_numbering.h"

#include <QSerialPortInfo>

#include <algorithm>

QList<SerialDevice> orderedForNumbering(QList<SerialDevice> devices)
{
    std::ranges::sort(devices, [](const SerialDevice &a, const SerialDevice &b) {
        if (a.usb != b.usb)
            return a.usb;
        return a.path < b.path;
    });
    return devices;
}

QString deviceForPortNumber(int number)
{
#ifdef Q_OS_WIN
    return number >= 1 ? QStringLiteral("COM%1").arg(number) : QString();
#else
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const bool usb = info.hasVendorIdentifier() || info.systemLocation().contains(u"ttyUSB")
                         || info.systemLocation().contains(u"ttyACM");
        devices.append({info.systemLocation(), usb});
    }
    devices = orderedForNumbering(std::move(devices));
    if (number < 1 || number > devices.size())
        return {};
    return devices[number - 1].path;
#endif
}
