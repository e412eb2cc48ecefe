#include "line_settings.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {

// A field's text and the setting it names.
template<typename Setting>
struct Choice
{
    QStringView text;
    Setting setting;
};

constexpr Choice<QSerialPort::Parity> kParities[] = {
        {u"N", QSerialPort::NoParity},   {u"E", QSerialPort::EvenParity},  {u"O", QSerialPort::OddParity},
        {u"M", QSerialPort::MarkParity}, {u"S", QSerialPort::SpaceParity},
};
constexpr Choice<QSerialPort::StopBits> kStopBits[] = {
        {u"1", QSerialPort::OneStop}, {u"1.5", QSerialPort::OneAndHalfStop}, {u"2", QSerialPort::TwoStop}};

template<typename Setting, size_t count>
std::optional<Setting> choose(QStringView text, const Choice<Setting> (&choices)[count])
{
    const auto found = std::ranges::find(choices, text, &Choice<Setting>::text);
    if (found == std::end(choices))
        return std::nullopt;
    return found->setting;
}

} // namespace

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

    const std::optional parity = choose(fields[1].trimmed().toUpper(), kParities);
    if (!parity)
        return std::nullopt;
    settings.parity = *parity;

    const int dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8)
        return std::nullopt;
    settings.dataBits = QSerialPort::DataBits(dataBits);

    const std::optional stopBits = choose(fields[3].trimmed(), kStopBits);
    if (!stopBits)
        return std::nullopt;
    settings.stopBits = *stopBits;
    return settings;
}
