#include "serial_link.h"

#include "comm_events.h"
#include "port_numbering.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

constexpr int kWatchIntervalMs = 1000;

// Qt's reason for a failed opening in the plain words below, which the
// window shows the operator and adds its diagnosis to; the system's own text
// where none of them fits. Asked only once the access check let this user
// open the device, so a refusal means another program holds it: Qt reports
// that as refused permission too.
QString openingFailure(const QSerialPort &port)
{
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("device not found");
    case QSerialPort::PermissionError:
        return QStringLiteral("device busy");
    case QSerialPort::UnsupportedOperationError:
        // The system's "Inappropriate ioctl for device": a file, a folder or
        // a device that takes no line settings.
        return QStringLiteral("not a serial port");
    default:
        return port.errorString();
    }
}

} // namespace

SerialLink::SerialLink(QObject *parent) : QObject(parent)
{
    m_watchTimer.setInterval(kWatchIntervalMs);
    connect(&m_watchTimer, &QTimer::timeout, this, &SerialLink::watch);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::receive);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

SerialLink::~SerialLink() = default;

void SerialLink::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = LineSettings::parse(settings);
    if (!parsed)
        throw PortError(m_device, QStringLiteral("invalid line settings \"%1\"").arg(settings));
    m_settingsText = settings;
    m_settings = *parsed;
}

void SerialLink::setPortOpen(bool open)
{
    // Told to open or close, the program names the device afresh.
    m_lostDevice.clear();
    if (open) {
        m_wanted = true;
        this->open(resolveDevice());
        return;
    }
    m_wanted = false;
    m_watchTimer.stop();
    m_port.close();
    m_received.clear();
    m_failure.clear();
}

QString SerialLink::resolveDevice()
{
    if (!m_explicitPath.isEmpty())
        return m_explicitPath;
    const QList<SerialDevice> devices = m_listDevices();
    m_usbDeviceListed = std::ranges::any_of(devices, &SerialDevice::usb);
    return deviceForPortNumber(m_commPort, devices);
}

QString SerialLink::deviceToReopen()
{
    if (m_lostDevice.isEmpty())
        return resolveDevice();
    if (QFileInfo::exists(m_lostDevice))
        return m_lostDevice;
    // While the board is away its port's number can name a device that was
    // there all along (a UART, say), which is not the board; a device that
    // was not there is the board back under a new name.
    const QString named = resolveDevice();
    return m_devicesAtLoss.contains(named) ? m_lostDevice : named;
}

void SerialLink::open(const QString &device)
{
    if (m_port.isOpen())
        return;
    m_device = device;
    // Whatever happens, keep looking for the device from now on.
    m_watchTimer.start();
    if (m_device.isEmpty())
        failToOpen(QStringLiteral("no serial port found"));
#ifdef Q_OS_UNIX
    // Told without asking Qt, which would first take a lock file for it.
    if (!QFileInfo::exists(m_device))
        failToOpen(QStringLiteral("device not found"));
#endif
    if (!m_mayOpen(m_device))
        failToOpen(QStringLiteral("permission denied"));
    m_port.setPortName(m_device);
    m_port.setBaudRate(m_settings.baudRate);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadOnly))
        failToOpen(openingFailure(m_port));
    // Bytes from before the opening belong to no block of ours.
    m_port.clear(QSerialPort::Input);
    m_received.clear();
    m_failure.clear();
    m_lostDevice.clear();
    m_readFailedSinceLastByte = false;
}

void SerialLink::failToOpen(const QString &reason)
{
    // Every attempt tells its own reason; after a loss, that the port was lost too.
    m_failure = m_lostDevice.isEmpty() ? reason : QStringLiteral("port lost (%1)").arg(reason);
    throw PortError(m_device, m_failure);
}

QByteArray SerialLink::Input()
{
    if (m_inputLen <= 0 || m_inputLen >= m_received.size())
        return std::exchange(m_received, {});
    QByteArray head = m_received.first(m_inputLen);
    m_received.remove(0, m_inputLen);
    return head;
}

void SerialLink::receive()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        m_readFailedSinceLastByte = false;
    const qsizetype room = kReceiveBufferSize - m_received.size();
    m_received.append(bytes.first(std::min(room, bytes.size())));
    if (bytes.size() > room)
        notify(comEventRxOver);
    if (m_rThreshold > 0 && m_received.size() >= m_rThreshold)
        notify(comEvReceive);
}

void SerialLink::notify(short event)
{
    m_commEvent = event;
    emit OnComm();
}

void SerialLink::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // Qt may repeat the error many times before the event loop turns; judge
    // the turn's errors once, after the signal has returned, a resource
    // error above a read error.
    const bool judgementQueued = m_errorToJudge != QSerialPort::NoError;
    if (!judgementQueued || error == QSerialPort::ResourceError)
        m_errorToJudge = error;
    if (!judgementQueued)
        QMetaObject::invokeMethod(this, &SerialLink::judgeReadFailure, Qt::QueuedConnection);
}

void SerialLink::judgeReadFailure()
{
    const QSerialPort::SerialPortError error = std::exchange(m_errorToJudge, QSerialPort::NoError);
    // Qt calls every read that brings nothing a read error, and a raw line
    // can be woken with nothing to read. That alone loses no device: the
    // line must have hung up, or reads keep failing with no byte between
    // them. After a resource error Qt stops reading the port altogether.
    const bool failedBefore = std::exchange(m_readFailedSinceLastByte, true);
    if (error == QSerialPort::ResourceError || failedBefore || hungUp())
        loseConnection();
}

void SerialLink::loseConnection()
{
    if (!m_port.isOpen())
        return;
    // Qt's text for a failed read is whatever the system said last, often
    // nothing to do with the read: say what can be seen instead.
    QString reason = hungUp() ? QStringLiteral("device hung up") : QStringLiteral("reads failing");
    m_port.close();
#ifdef Q_OS_UNIX
    if (!QFileInfo::exists(m_device))
        reason = QStringLiteral("device not found");
#endif
    m_received.clear();
    m_lostDevice = m_device;
    m_devicesAtLoss.clear();
    for (const SerialDevice &device : m_listDevices())
        m_devicesAtLoss.append(device.path);
    m_failure = QStringLiteral("port lost (%1)").arg(reason);
    notify(comEventPortLost);
    emit connectionChanged();
}

bool SerialLink::hungUp() const
{
#ifdef Q_OS_UNIX
    // Not every Qt version reports a hang-up as an error.
    pollfd fd{int(m_port.handle()), 0, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return false;
#endif
}

void SerialLink::watch()
{
    if (!m_wanted)
        return;
    if (m_port.isOpen()) {
        if (hungUp())
            loseConnection();
        return;
    }
    const QString failureBefore = m_failure;
    const QString deviceBefore = m_device;
    try {
        open(deviceToReopen());
    } catch (const PortError &) {
        // Still not usable, and m_failure says why: news only when the
        // reason or the device is another than before.
        if (m_failure == failureBefore && m_device == deviceBefore)
            return;
    }
    emit connectionChanged();
}
