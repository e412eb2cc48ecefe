#include "port_numbering.h"

#include <QSerialPortInfo>

#include <algorithm>

QList<SerialDevice> listedSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const bool usb = info.hasVendorIdentifier() || info.systemLocation().contains(u"ttyUSB")
                         || info.systemLocation().contains(u"ttyACM");
        devices.append({info.systemLocation(), usb});
    }
    return devices;
}

QString deviceForPortNumber(int number, QList<SerialDevice> devices)
{
#ifdef Q_OS_WIN
    Q_UNUSED(devices);
    return number >= 1 ? QStringLiteral("COM%1").arg(number) : QString();
#else
    if (number < 1 || number > devices.size())
        return {};
    std::ranges::sort(devices, [](const SerialDevice &a, const SerialDevice &b) {
        if (a.usb != b.usb)
            return a.usb;
        return a.path < b.path;
    });
    return devices[number - 1].path;
#endif
}
