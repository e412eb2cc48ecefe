#pragma once

#include <QList>
#include <QString>

// How a port number names a device: port n is the n-th serial device the host
// lists, USB devices first (that is how a board reaches most hosts today),
// then the others. Each group is in the order of the devices' names, with the
// number that ends a name taken as a number: COM3 before COM10, ttyUSB2
// before ttyUSB10.
struct SerialDevice
{
    QString path; // the device file; on Windows the port's name, "COM3"
    bool usb = false;
};

// The serial devices the host lists now, in no particular order.
QList<SerialDevice> listedSerialDevices();

// The device of port `number` (1 is the first) among `devices`, or an empty
// text when there is no such port.
QString deviceForPortNumber(int number, QList<SerialDevice> devices);
