#pragma once

#include "host_view.h"
#include "line_settings.h"
#include "port_numbering.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <functional>
#include <stdexcept>

// The port could not be configured or opened. what() is the system's reason
// in plain words; device() the device that was tried.
class PortError : public std::runtime_error
{
public:
    PortError(QString device, const QString &reason)
        : std::runtime_error(reason.toStdString()), m_device(std::move(device)) { }
    const QString &device() const { return m_device; }

private:
    QString m_device;
};

// The scope's serial component, on the user-interface thread: a receive-only
// port set up through CommPort, Settings, InputLen and RThreshold, opened and
// closed through PortOpen, and read through Input(); OnComm() tells of
// received bytes and faults, CommEvent() which. Bytes are raw 8-bit values
// with no flow control and no translation.
//
// Received bytes wait in a receive buffer of kReceiveBufferSize bytes until
// Input() reads them; bytes that arrive while it is full are lost and
// reported with comEventRxOver. Once open, a device that goes away is closed,
// reported with comEventPortLost, and watched for every second: when it is
// back it is reopened with the same settings and connectionChanged() says
// so. It is back when its device is there again, or when the port's number
// names a device that was not there when it went (the board under a new
// name); a device that was there already is not the board.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kReceiveBufferSize = 64 * 1024;

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    short CommPort() const { return m_commPort; }
    void setCommPort(short port) { m_commPort = port; }
    QString Settings() const { return m_settingsText; }
    // PortError for a text that is not "baud,parity,data bits,stop bits".
    void setSettings(const QString &settings);
    // Bytes one read returns at most; 0 reads everything.
    short InputLen() const { return m_inputLen; }
    void setInputLen(short length) { m_inputLen = length; }
    // Bytes waiting that make a receive notification; 0 makes none.
    short RThreshold() const { return m_rThreshold; }
    void setRThreshold(short threshold) { m_rThreshold = threshold; }
    bool PortOpen() const { return m_port.isOpen(); }
    // Opening throws PortError with the reason; closing always succeeds.
    void setPortOpen(bool open);
    short CommEvent() const { return m_commEvent; }
    QByteArray Input();

    // Opens this device instead of the one the port number names.
    void setDevicePath(const QString &path) { m_explicitPath = path; }
    // Where port numbers look the devices up: the host's list unless told.
    void setDeviceLister(std::function<QList<SerialDevice>()> lister) { m_listDevices = std::move(lister); }
    // Whether the system lets this process open a device: asked before
    // opening, and to tell a device that another program holds from one
    // this user may not open. The system's own answer unless told.
    void setAccessCheck(std::function<bool(const QString &)> mayOpen) { m_mayOpen = std::move(mayOpen); }
    // Whether the host listed a USB serial device when the port's number was
    // last looked up (port 1 is one then); true when told a device path.
    bool usbDeviceListed() const { return m_usbDeviceListed; }
    // The device last opened or tried.
    QString deviceName() const { return m_device; }
    // Why the port is not open, in plain words ("device not found", "port
    // lost (device hung up)", ...), from the latest attempt to open it:
    // empty while it is open or was never opened.
    QString failure() const { return m_failure; }

signals:
    void OnComm();
    // The port was lost or came back, PortOpen() tells which; or an attempt
    // to open it failed for another reason or on another device than
    // before, failure() and deviceName() say which.
    void connectionChanged();

private:
    void open(const QString &device);
    [[noreturn]] void failToOpen(const QString &reason);
    void receive();
    void notify(short event);
    void onError(QSerialPort::SerialPortError error);
    void judgeReadFailure();
    void loseConnection();
    void watch();
    bool hungUp() const;
    QString resolveDevice();
    QString deviceToReopen();

    QSerialPort m_port{this};
    QTimer m_watchTimer;
    short m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    LineSettings m_settings = *LineSettings::parse(m_settingsText);
    short m_inputLen = 0;
    short m_rThreshold = 0;
    short m_commEvent = 0;
    QByteArray m_received;
    QString m_explicitPath;
    std::function<QList<SerialDevice>()> m_listDevices = listedSerialDevices;
    std::function<bool(const QString &)> m_mayOpen = HostView::system().mayOpen;
    QString m_device;
    bool m_usbDeviceListed = true;
    QString m_failure;
    bool m_wanted = false; // opened by the program and not closed since
    // The device that went away, and the devices there when it went.
    QString m_lostDevice;
    QStringList m_devicesAtLoss;
    QSerialPort::SerialPortError m_errorToJudge = QSerialPort::NoError; // the worst this turn
    bool m_readFailedSinceLastByte = false;
};
