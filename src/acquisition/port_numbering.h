#pragma once

#include <QList>
#include <QString>

// How a port number names a device. On Windows port n is COMn. Elsewhere it
// is the n-th serial device the host lists, USB devices first (that is how a
// board reaches most hosts today), then the others, each group ordered by
// device path.
struct SerialDevice
{
    QString path;
    bool usb = false;
};

// The serial devices the host lists now, in no particular order.
QList<SerialDevice> listedSerialDevices();

// The device of port `number` (1 is the first) among `devices`, or an empty
// text when there is no such port.
QString deviceForPortNumber(int number, QList<SerialDevice> devices);
