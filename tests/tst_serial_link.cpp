#include "acquisition/comm_events.h"
#include "acquisition/serial_link.h"
#include "pseudo_terminal.h"
#include "simulated_board.h"
#include "event_loop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include <termios.h>

namespace {

const QString kLineSettings = QStringLiteral("115200,N,8,2");

// Opens a link the way the window does, on the given device.
void openLink(SerialLink &link, const QString &device)
{
    link.setCommPort(1);
    link.setDevicePath(device);
    link.setSettings(kLineSettings);
    link.setInputLen(0);
    link.setRThreshold(1);
    link.setPortOpen(true);
}

// What the link hands out, notification by notification.
struct Reader
{
    explicit Reader(SerialLink &link, bool reading = true) : link(link), reading(reading)
    {
        QObject::connect(&link, &SerialLink::OnComm, &link, [this] {
            events.push_back(this->link.CommEvent());
            if (this->reading && this->link.CommEvent() == comEvReceive) {
                const QByteArray chunk = this->link.Input();
                chunks.push_back(chunk);
                received += chunk;
            }
        });
    }
    int count(short event) const { return int(std::count(events.begin(), events.end(), event)); }

    SerialLink &link;
    bool reading;
    std::vector<short> events;
    std::vector<QByteArray> chunks;
    QByteArray received;
};

// Lets the link take in what the kernel holds: waits until no notification
// has come for a while.
void settle(const Reader &reader, int quietMs = 200)
{
    size_t seen = reader.events.size();
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(quietMs);
        if (reader.events.size() == seen)
            return;
        seen = reader.events.size();
    }
}

// A pattern with no short period, so a shift or a gap shows.
QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((quint32(i) * 2654435761u) >> 13);
    return bytes;
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void opensWithTheBoardsLineSettings();
    void everyByteValueArrivesUnaltered();
    void burstBetweenNotificationsComesFromOneRead();
    void unreadBytesComeBackInOrder();
    void inputLenLimitsARead();
    void closingThePort();
    void malformedSettingsAreRefused_data();
    void malformedSettingsAreRefused();
    void absentDeviceIsRefused();
    void fullReceiveBufferKeepsTheOldestBytes();
    void chunksFromALineAtFullPace();
    void lostDeviceIsClosedAndReopenedWhenBack();
    void everyFailedAttemptTellsItsOwnReason();
    void lostBoardIsNotTakenForADeviceThatWasThere();
    void portNumbersNameUsbDevicesFirst_data();
    void portNumbersNameUsbDevicesFirst();
    void emptyReadOnALiveLineKeepsThePort();
};

void TestSerialLink::opensWithTheBoardsLineSettings()
{
    PseudoTerminal pty;
    SerialLink link;
    openLink(link, pty.slavePath());
    QVERIFY(link.PortOpen());
    QCOMPARE(link.deviceName(), pty.slavePath());
    QVERIFY(link.failure().isEmpty());

    // Read back from the line itself, not through Qt: the master's termios
    // calls act on the slave.
    termios tio{};
    QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
    QCOMPARE(::cfgetispeed(&tio), speed_t(B115200));
    QCOMPARE(::cfgetospeed(&tio), speed_t(B115200));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(tio.c_cflag & CSTOPB);
    QVERIFY(!(tio.c_cflag & PARENB));
    // Nothing that would change or hold back a byte.
    QVERIFY(!(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP)));
    QVERIFY(!(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)));
    link.setPortOpen(false);
}

void TestSerialLink::everyByteValueArrivesUnaltered()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link);
    openLink(link, pty.slavePath());

    // Flow-control, line-end and the extreme values first, then every value.
    QByteArray sent("\x00\xff\x11\x13\x0d\x0a\x0d\x0d\x0a\x00", 10);
    for (int v = 0; v < 256; ++v)
        sent.append(char(v));
    QVERIFY(pty.writeAll(sent));
    QTRY_COMPARE_WITH_TIMEOUT(reader.received.size(), sent.size(), 5000);
    QCOMPARE(reader.received, sent);
    QVERIFY(!reader.events.empty());
    QCOMPARE(reader.count(comEvReceive), int(reader.events.size()));
    for (const QByteArray &chunk : reader.chunks)
        QVERIFY(!chunk.isEmpty());

    // A single byte makes a notification of its own.
    const size_t before = reader.events.size();
    QVERIFY(pty.writeAll(QByteArray(1, char(0xff))));
    QTRY_VERIFY_WITH_TIMEOUT(reader.events.size() > before, 5000);
    QCOMPARE(link.CommEvent(), short(comEvReceive));
    QCOMPARE(reader.chunks.back(), QByteArray(1, char(0xff)));
    link.setPortOpen(false);
}

void TestSerialLink::burstBetweenNotificationsComesFromOneRead()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link);
    openLink(link, pty.slavePath());

    const QByteArray first = pattern(1500);
    const QByteArray second = pattern(3000).mid(1500);
    for (const QByteArray &burst : {first, second}) {
        const size_t before = reader.chunks.size();
        QVERIFY(pty.writeAll(burst));
        // The event loop does not run meanwhile: give the kernel a moment to
        // pass the whole burst on, so it all waits for one notification.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QTRY_VERIFY_WITH_TIMEOUT(reader.chunks.size() > before, 5000);
        QCOMPARE(reader.chunks.size(), before + 1);
        QCOMPARE(reader.chunks.back(), burst);
    }
    link.setPortOpen(false);
}

void TestSerialLink::unreadBytesComeBackInOrder()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link, false); // notified, but leaves the bytes waiting
    openLink(link, pty.slavePath());

    const QByteArray all = pattern(900);
    for (int part = 0; part < 3; ++part) {
        const size_t before = reader.events.size();
        QVERIFY(pty.writeAll(all.mid(part * 300, 300)));
        // Notifications keep coming while earlier bytes are still unread.
        QTRY_VERIFY_WITH_TIMEOUT(reader.events.size() > before, 5000);
    }
    settle(reader);
    QCOMPARE(reader.count(comEvReceive), int(reader.events.size()));
    QCOMPARE(link.Input(), all);
    QCOMPARE(link.Input(), QByteArray()); // a read empties the buffer

    // Later bytes come after, not mixed with, what was read.
    QVERIFY(pty.writeAll("later"));
    const size_t before = reader.events.size();
    QTRY_VERIFY_WITH_TIMEOUT(reader.events.size() > before, 5000);
    settle(reader);
    QCOMPARE(link.Input(), QByteArray("later"));
    link.setPortOpen(false);
}

void TestSerialLink::inputLenLimitsARead()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link, false);
    openLink(link, pty.slavePath());

    QVERIFY(pty.writeAll("0123456789"));
    QTRY_VERIFY_WITH_TIMEOUT(!reader.events.empty(), 5000);
    settle(reader);
    link.setInputLen(4);
    QCOMPARE(link.InputLen(), short(4));
    QCOMPARE(link.Input(), QByteArray("0123"));
    QCOMPARE(link.Input(), QByteArray("4567"));
    QCOMPARE(link.Input(), QByteArray("89"));
    QCOMPARE(link.Input(), QByteArray());

    QVERIFY(pty.writeAll("abcdef"));
    const size_t before = reader.events.size();
    QTRY_VERIFY_WITH_TIMEOUT(reader.events.size() > before, 5000);
    settle(reader);
    link.setInputLen(0);
    QCOMPARE(link.Input(), QByteArray("abcdef"));
    link.setPortOpen(false);
}

void TestSerialLink::closingThePort()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link);
    openLink(link, pty.slavePath());
    QVERIFY(link.PortOpen());

    link.setPortOpen(false);
    QVERIFY(!link.PortOpen());
    QVERIFY(link.failure().isEmpty()); // closed on purpose is no failure
    QVERIFY(pty.writeAll("ignored"));
    QTest::qWait(300);
    QVERIFY(reader.events.empty());
    QCOMPARE(link.Input(), QByteArray());

    // Closing twice is harmless, and the device is free for the next opener.
    link.setPortOpen(false);
    SerialLink other;
    openLink(other, pty.slavePath());
    QVERIFY(other.PortOpen());
    other.setPortOpen(false);
}

void TestSerialLink::malformedSettingsAreRefused_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("empty") << QString();
    QTest::newRow("words") << QStringLiteral("fast");
    QTest::newRow("three fields") << QStringLiteral("115200,N,8");
    QTest::newRow("five fields") << QStringLiteral("115200,N,8,2,1");
    QTest::newRow("parity letter") << QStringLiteral("115200,X,8,2");
    QTest::newRow("baud") << QStringLiteral("fast,N,8,2");
    QTest::newRow("zero baud") << QStringLiteral("0,N,8,2");
    QTest::newRow("data bits") << QStringLiteral("115200,N,9,2");
    QTest::newRow("stop bits") << QStringLiteral("115200,N,8,3");
}

void TestSerialLink::malformedSettingsAreRefused()
{
    QFETCH(QString, settings);
    SerialLink link;
    link.setSettings(kLineSettings);
    bool thrown = false;
    try {
        link.setSettings(settings);
    } catch (const PortError &error) {
        thrown = true;
        QVERIFY(QString::fromStdString(error.what()).contains(u"settings"));
    }
    QVERIFY(thrown);
    QCOMPARE(link.Settings(), kLineSettings); // the refused text is not kept
}

void TestSerialLink::absentDeviceIsRefused()
{
    const QString absent = QStringLiteral("/nonexistent/tarnwick-serial-link");
    SerialLink link;
    bool thrown = false;
    try {
        openLink(link, absent);
    } catch (const PortError &error) {
        thrown = true;
        QCOMPARE(QString::fromStdString(error.what()), QStringLiteral("device not found"));
        QCOMPARE(error.device(), absent);
    }
    QVERIFY(thrown);
    QVERIFY(!link.PortOpen());
    QCOMPARE(link.failure(), QStringLiteral("device not found"));
    link.setPortOpen(false);
    QVERIFY(link.failure().isEmpty());
}

void TestSerialLink::fullReceiveBufferKeepsTheOldestBytes()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link, false);
    openLink(link, pty.slavePath());

    const QByteArray flood = pattern(SerialLink::kReceiveBufferSize + 20000);
    SimulatedBoard board(pty.masterFd());
    board.setScript(flood, false);
    board.setRateMultiplier(40.0); // about 0.2 s for the whole flood
    board.start();
    QTRY_VERIFY_WITH_TIMEOUT(board.scriptFinished(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(reader.count(comEventRxOver) > 0, 10000);
    settle(reader);
    board.stop();
    QCOMPARE(board.bytesWritten(), quint64(flood.size()));

    const QByteArray kept = link.Input();
    QCOMPARE(kept.size(), SerialLink::kReceiveBufferSize);
    QVERIFY(kept == flood.first(SerialLink::kReceiveBufferSize));
    QVERIFY(link.PortOpen());

    // With room again, new bytes are taken in.
    const size_t before = reader.events.size();
    QVERIFY(pty.writeAll("after"));
    QTRY_VERIFY_WITH_TIMEOUT(reader.events.size() > before, 5000);
    settle(reader);
    const QByteArray after = link.Input();
    QStringList events;
    for (size_t i = before; i < reader.events.size(); ++i)
        events << QString::number(reader.events[i]);
    QVERIFY2(after == "after", qPrintable(QStringLiteral("read \"%1\", events %2, failure \"%3\"")
                                                  .arg(QString::fromLatin1(after), events.join(u' '), link.failure())));
    link.setPortOpen(false);
}

void TestSerialLink::chunksFromALineAtFullPace()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link);
    openLink(link, pty.slavePath());

    // About a second of the line's traffic, at its real pace.
    QByteArray script;
    for (int i = 0; i < 10473; ++i)
        script.append(char(i % 251));
    std::vector<qint64> gaps; // between notifications, in microseconds
    QElapsedTimer clock;
    QObject::connect(&link, &SerialLink::OnComm, &link, [&] {
        if (clock.isValid())
            gaps.push_back(clock.nsecsElapsed() / 1000);
        clock.start();
    });
    SimulatedBoard board(pty.masterFd());
    board.setScript(script, false);
    board.start();
    QVERIFY(runUntil([&] { return reader.received.size() >= script.size(); }, 20000));
    board.stop();
    QVERIFY(reader.received == script);

    // Arriving at the line's pace, the bytes come in many small chunks, not
    // in a few big ones.
    std::vector<qsizetype> sizes;
    for (const QByteArray &chunk : reader.chunks)
        sizes.push_back(chunk.size());
    std::sort(sizes.begin(), sizes.end());
    const qsizetype median = sizes[sizes.size() / 2];
    std::sort(gaps.begin(), gaps.end());
    qInfo("%zu chunks for %lld bytes: median %lld, p99 %lld, largest %lld bytes; "
          "notification gaps median %lld us, p99 %lld us",
          sizes.size(), qlonglong(script.size()), qlonglong(median), qlonglong(sizes[sizes.size() * 99 / 100]),
          qlonglong(sizes.back()), qlonglong(gaps[gaps.size() / 2]), qlonglong(gaps[gaps.size() * 99 / 100]));
    QVERIFY(sizes.size() >= 100);
    QVERIFY(median <= 40);
    link.setPortOpen(false);
}

void TestSerialLink::lostDeviceIsClosedAndReopenedWhenBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString alias = dir.filePath(QStringLiteral("board"));
    auto pty = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(pty->slavePath(), alias));

    SerialLink link;
    Reader reader(link);
    QSignalSpy changes(&link, &SerialLink::connectionChanged);
    openLink(link, alias);
    QVERIFY(link.PortOpen());
    QVERIFY(pty->writeAll("before"));
    QTRY_COMPARE_WITH_TIMEOUT(reader.received, QByteArray("before"), 5000);

    // The board goes away: its line hangs up.
    pty->close();
    QTRY_VERIFY_WITH_TIMEOUT(changes.count() >= 1, 5000);
    QVERIFY(!link.PortOpen());
    QVERIFY2(link.failure() == QStringLiteral("port lost (device hung up)")
                     || link.failure() == QStringLiteral("port lost (device not found)"),
             qPrintable(link.failure()));
    QCOMPARE(reader.count(comEventPortLost), 1);
    // Gone with its name, which no other line can take meanwhile.
    QVERIFY(QFile::remove(alias));
    pty.reset();
    QTRY_COMPARE_WITH_TIMEOUT(link.failure(), QStringLiteral("port lost (device not found)"), 5000);
    const qsizetype changesWhileAway = changes.count();
    QVERIFY(changesWhileAway <= 2);

    // It comes back under the same name, on another line.
    auto back = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(back->slavePath(), alias));
    QTRY_VERIFY_WITH_TIMEOUT(link.PortOpen(), 5000);
    QVERIFY(link.failure().isEmpty());
    QCOMPARE(changes.count(), changesWhileAway + 1);

    reader.received.clear();
    QVERIFY(back->writeAll("again"));
    QTRY_COMPARE_WITH_TIMEOUT(reader.received, QByteArray("again"), 5000);
    QCOMPARE(link.CommEvent(), short(comEvReceive));
    link.setPortOpen(false);
}

void TestSerialLink::everyFailedAttemptTellsItsOwnReason()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString alias = dir.filePath(QStringLiteral("board"));
    SerialLink link;
    QSignalSpy changes(&link, &SerialLink::connectionChanged);
    QVERIFY_THROWS_EXCEPTION(PortError, openLink(link, alias));
    QCOMPARE(link.failure(), QStringLiteral("device not found"));

    // Something that is no serial line appears under the name: the system
    // calls it an "Inappropriate ioctl for device".
    QFile notALine(alias);
    QVERIFY(notALine.open(QIODevice::WriteOnly));
    notALine.close();
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, 5000);
    QVERIFY(!link.PortOpen());
    QCOMPARE(link.failure(), QStringLiteral("not a serial port"));

    // A folder in its place fails for the same reason, which is no news.
    QVERIFY(QFile::remove(alias));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("board")));
    QTest::qWait(2500);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(link.failure(), QStringLiteral("not a serial port"));

    // Gone again: the next attempt says so rather than keep the old reason.
    QVERIFY(QDir(alias).removeRecursively());
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 2, 5000);
    QCOMPARE(link.failure(), QStringLiteral("device not found"));

    PseudoTerminal line;
    QVERIFY(QFile::link(line.slavePath(), alias));
    QTRY_VERIFY_WITH_TIMEOUT(link.PortOpen(), 5000);
    QCOMPARE(changes.count(), 3);
    QVERIFY(link.failure().isEmpty());
    link.setPortOpen(false);
}

void TestSerialLink::lostBoardIsNotTakenForADeviceThatWasThere()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString boardPath = dir.filePath(QStringLiteral("ttyUSB0"));
    auto board = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::link(board->slavePath(), boardPath));
    PseudoTerminal uart;
    QList<SerialDevice> listed{{boardPath, true}, {uart.slavePath(), false}};
    SerialLink link;
    link.setDeviceLister([&listed] { return listed; });
    QSignalSpy changes(&link, &SerialLink::connectionChanged);
    openLink(link, QString()); // port 1
    QCOMPARE(link.deviceName(), boardPath);

    // Unplugged: the line hangs up, then the system takes the name away.
    board->close();
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, 5000);
    QVERIFY(QFile::remove(boardPath));
    listed.removeFirst();

    // Port 1 now names the UART, which was there all along.
    QTest::qWait(2500);
    QVERIFY(!link.PortOpen());
    QCOMPARE(link.deviceName(), boardPath);

    // The board comes back under a new name.
    PseudoTerminal back;
    const QString backPath = dir.filePath(QStringLiteral("ttyUSB1"));
    QVERIFY(QFile::link(back.slavePath(), backPath));
    listed.append({backPath, true});
    QTRY_VERIFY_WITH_TIMEOUT(link.PortOpen(), 5000);
    QCOMPARE(link.deviceName(), backPath);
    link.setPortOpen(false);
}

void TestSerialLink::portNumbersNameUsbDevicesFirst_data()
{
    QTest::addColumn<QList<SerialDevice>>("listed");
    QTest::addColumn<QStringList>("byPortNumber");
    QTest::newRow("device files") << QList<SerialDevice>{{QStringLiteral("/dev/ttyS0"), false},
                                                         {QStringLiteral("/dev/ttyUSB10"), true},
                                                         {QStringLiteral("/dev/ttyAMA0"), false},
                                                         {QStringLiteral("/dev/ttyUSB2"), true},
                                                         {QStringLiteral("/dev/ttyACM0"), true}}
                                  << QStringList{QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB2"),
                                                 QStringLiteral("/dev/ttyUSB10"), QStringLiteral("/dev/ttyAMA0"),
                                                 QStringLiteral("/dev/ttyS0")};
    // As Windows lists them: a motherboard's COM1 and COM2, two USB adapters.
    QTest::newRow("COM ports") << QList<SerialDevice>{{QStringLiteral("COM2"), false},
                                                      {QStringLiteral("COM10"), true},
                                                      {QStringLiteral("COM1"), false},
                                                      {QStringLiteral("COM3"), true}}
                               << QStringList{QStringLiteral("COM3"), QStringLiteral("COM10"), QStringLiteral("COM1"),
                                              QStringLiteral("COM2")};
}

void TestSerialLink::portNumbersNameUsbDevicesFirst()
{
    QFETCH(QList<SerialDevice>, listed);
    QFETCH(QStringList, byPortNumber);
    for (int number = 1; number <= byPortNumber.size(); ++number)
        QCOMPARE(deviceForPortNumber(number, listed), byPortNumber[number - 1]);
    QVERIFY(deviceForPortNumber(int(byPortNumber.size()) + 1, listed).isEmpty());
    QVERIFY(deviceForPortNumber(0, listed).isEmpty());
    QVERIFY(deviceForPortNumber(1, {}).isEmpty());
}

// Qt reports a read that brings nothing as a read error, and a raw line can
// be woken with nothing to read: that alone must not drop the port and the
// readings it holds. Failures with no byte between them, or a resource
// error (after which Qt stops reading), do.
void TestSerialLink::emptyReadOnALiveLineKeepsThePort()
{
    PseudoTerminal pty;
    SerialLink link;
    Reader reader(link, false);
    openLink(link, pty.slavePath());
    auto *port = link.findChild<QSerialPort *>();
    QVERIFY(port);

    QVERIFY(pty.writeAll("kept"));
    QTRY_VERIFY_WITH_TIMEOUT(reader.count(comEvReceive) > 0, 5000);
    settle(reader);

    // Told many times within one turn of the event loop, as Qt does.
    for (int i = 0; i < 3; ++i)
        emit port->errorOccurred(QSerialPort::ReadError);
    QTest::qWait(50);
    QVERIFY(link.PortOpen());
    QVERIFY(link.failure().isEmpty());
    QCOMPARE(reader.count(comEventPortLost), 0);

    QVERIFY(pty.writeAll("more"));
    QTRY_VERIFY_WITH_TIMEOUT(reader.count(comEvReceive) > 1, 5000);
    settle(reader);
    QCOMPARE(link.Input(), QByteArray("keptmore"));

    // A byte came between: one more failure is again forgiven, a second in a
    // row is not.
    emit port->errorOccurred(QSerialPort::ReadError);
    QTest::qWait(50);
    QVERIFY(link.PortOpen());
    emit port->errorOccurred(QSerialPort::ReadError);
    QTRY_VERIFY_WITH_TIMEOUT(!link.PortOpen(), 5000);
    QCOMPARE(reader.count(comEventPortLost), 1);
    QCOMPARE(link.failure(), QStringLiteral("port lost (reads failing)"));

    // Back a second later; a resource error then loses the port at once.
    QTRY_VERIFY_WITH_TIMEOUT(link.PortOpen(), 5000);
    emit port->errorOccurred(QSerialPort::ResourceError);
    QTRY_VERIFY_WITH_TIMEOUT(!link.PortOpen(), 5000);
    QCOMPARE(reader.count(comEventPortLost), 2);

    // A resource error is not hidden by a forgivable read error told first
    // in the same turn.
    QTRY_VERIFY_WITH_TIMEOUT(link.PortOpen(), 5000);
    emit port->errorOccurred(QSerialPort::ReadError);
    emit port->errorOccurred(QSerialPort::ResourceError);
    QTRY_VERIFY_WITH_TIMEOUT(!link.PortOpen(), 5000);
    QCOMPARE(reader.count(comEventPortLost), 3);
    link.setPortOpen(false);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
