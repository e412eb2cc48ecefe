#include "line_settings.h"

#include <QStringList>

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings settings;
    bool ok = false;
    settings.baudRate = fields[0].trimmed().toInt(&ok);
    if (!ok || settings.baudRate <= 0)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toUpper();
    if (parity == u"N")
        settings.parity = QSerialPort::NoParity;
    else if (parity == u"E")
        settings.parity = QSerialPort::EvenParity;
    else if (parity == u"O")
        settings.parity = QSerialPort::OddParity;
    else if (parity == u"M")
        settings.parity = QSerialPort::MarkParity;
    else if (parity == u"S")
        settings.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8)
        return std::nullopt;
    settings.dataBits = QSerialPort::DataBits(dataBits);

    const QString stopBits = fields[3].trimmed();
    if (stopBits == u"1")
        settings.stopBits = QSerialPort::OneStop;
    else if (stopBits == u"1.5")
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stopBits == u"2")
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}
