#include "acquisition/port_diagnosis.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// alice, not in the device's group uucp (gid 10) in either the database or this login.
Account outsiderAccount()
{
    Account account;
    account.user = QStringLiteral("alice");
    account.nodeGroup = QStringLiteral("uucp");
    account.nodeGid = 10;
    return account;
}

// A host's files under `root`: "path=text" is a file, "path->target" a symbolic link.
void makeTree(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const bool link = entry.contains(u"->");
        const QStringList parts = entry.split(link ? QStringLiteral("->") : QStringLiteral("="));
        const QString path = root + u'/' + parts[0];
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (link) {
            QVERIFY(QFile::link(parts[1], path));
            continue;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(parts[1].toUtf8());
    }
}

} // namespace

class TestPortDiagnosis : public QObject
{
    Q_OBJECT

private slots:
    void advice_data();
    void advice();
};

void TestPortDiagnosis::advice_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("usbListed");
    QTest::addColumn<Account>("account");
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("summary"); // empty: no advice
    QTest::addColumn<QString>("remedy");
    QTest::addColumn<QString>("detailsPart");

    const QString denied = QStringLiteral("permission denied: see the tooltip");
    const QString busy = QStringLiteral("device busy: see the tooltip");
    const QString brltty = QStringLiteral("brltty took the board: see the tooltip");
    const Account outsider = outsiderAccount();
    Account withSudo = outsider;
    withSudo.sudoInstalled = true;
    Account addedSinceLogin = outsider;
    addedSinceLogin.databaseGroups = {1000, 10};
    Account inLogin = addedSinceLogin;
    inLogin.loginGroups = {1000, 10};
    Account rootGroup = outsider;
    rootGroup.nodeGroup = QStringLiteral("root");
    rootGroup.nodeGid = 0;
    const QStringList ch340 = {"sys/bus/usb/devices/1-1/idVendor=1a86\n", "sys/bus/usb/devices/1-1/idProduct=7523\n"};
    const QStringList takenByBrltty = ch340 + QStringList{"sys/bus/usb/devices/1-1:1.0/driver->../../drivers/usbfs",
                                                          "proc/700/comm=brltty\n"};

    QTest::newRow("not in the group, no sudo, after a loss")
            << "port lost (permission denied)" << true << outsider << QStringList() << denied
            << "su - -c \"usermod -aG uucp alice\"" << "(su asks for root's password), then log out";
    QTest::newRow("added after this login began") << "permission denied" << true << addedSinceLogin << QStringList()
                                                  << denied << "Log out and log in again." << "group uucp";
    QTest::newRow("in the group, kept out by the mode") << "permission denied" << true << inLogin << QStringList()
                                                        << denied << "ls -l /dev/ttyUSB0" << "own permissions";
    QTest::newRow("root's group: none to join") << "permission denied" << true << rootGroup << QStringList() << ""
                                                << "" << "";
    QTest::newRow("Qt's lock file")
            << "device busy" << true << outsider
            << QStringList{"var/lock/LCK..ttyUSB0=4243\ncutecom\nhost\n", "proc/4243/comm=cutecom\n"} << busy
            << "Held by cutecom (process 4243)." << "/var/lock/LCK..ttyUSB0";
    QTest::newRow("stale UUCP lock, open file shows the holder")
            << "device busy" << true << outsider
            << QStringList{"run/lock/LCK..ttyUSB0=       999\n", "proc/4244/comm=picocom\n",
                           "proc/4244/fd/0->/dev/pts/1", "proc/4244/fd/3->/dev/ttyUSB0"}
            << busy << "Held by picocom (process 4244)." << "open files";
    QTest::newRow("holder unseen, ModemManager running")
            << "device busy" << true << outsider << QStringList{"proc/500/comm=ModemManager\n"} << busy
            << "ModemManager may be probing it." << "lets go by itself";
    QTest::newRow("holder unseen") << "device busy" << true << outsider << QStringList{"proc/501/comm=bash\n"} << busy
                                   << "Close the program that holds it." << "does not show which";
    QTest::newRow("brltty took a CH340, port 1 failing elsewhere")
            << "Input/output error" << false << withSudo << takenByBrltty << brltty << "sudo apt remove brltty"
            << "names 1a86/7523";
    QTest::newRow("brltty took a CH340, port 1 open elsewhere")
            << "" << false << outsider << takenByBrltty << brltty << "su - -c \"apt remove brltty\""
            << "braille display service";
    QTest::newRow("CH340 with its driver") << "no serial port found" << false << outsider
                                           << ch340 + QStringList{"sys/bus/usb/devices/1-1:1.0/driver->../ch341",
                                                                  "proc/700/comm=brltty\n"}
                                           << "" << "" << "";
    QTest::newRow("CH340 without a driver, no brltty") << "no serial port found" << false << outsider << ch340 << ""
                                                       << "" << "";
    QTest::newRow("a USB serial device listed") << "device not found" << true << outsider << takenByBrltty << ""
                                                << "" << "";
}

void TestPortDiagnosis::advice()
{
    QFETCH(QString, failure);
    QFETCH(bool, usbListed);
    QFETCH(Account, account);
    QFETCH(QStringList, tree);
    QFETCH(QString, summary);
    QFETCH(QString, remedy);
    QFETCH(QString, detailsPart);

    QTemporaryDir root;
    makeTree(root.path(), tree);
    HostView host;
    host.root = root.path();
    host.account = [&account](const QString &) { return account; };
    const QString device = usbListed ? QStringLiteral("/dev/ttyUSB0") : QStringLiteral("/dev/ttyS0");

    const std::optional<PortAdvice> advice = diagnosePort(device, failure, usbListed, host);
    QCOMPARE(advice.has_value(), !summary.isEmpty());
    if (!advice)
        return;
    QCOMPARE(advice->summary, summary);
    QCOMPARE(advice->remedy, remedy);
    QVERIFY2(advice->details.contains(detailsPart), qPrintable(advice->details));
}

QTEST_GUILESS_MAIN(TestPortDiagnosis)
#include "tst_port_diagnosis.moc"
