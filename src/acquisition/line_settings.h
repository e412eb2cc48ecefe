#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// A line-settings text such as "115200,N,8,2": baud, parity letter
// (N, E, O, M or S), data bits (5 to 8) and stop bits (1, 1.5 or 2).
struct LineSettings
{
    qint32 baudRate = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // Nothing for a text that is not of that form.
    static std::optional<LineSettings> parse(const QString &text);
};
