#include "port_diagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

namespace {

struct Chip
{
    QLatin1StringView vendor;
    QLatin1StringView product;
    QLatin1StringView name;
};

// The boards' USB serial chips, the ones the package's udev rule lists.
constexpr Chip kBoardChips[] = {
        {QLatin1StringView("2341"), QLatin1StringView("0043"), QLatin1StringView("Arduino Uno's ATmega16U2")},
        {QLatin1StringView("2a03"), QLatin1StringView("0043"), QLatin1StringView("Arduino Uno's ATmega16U2")},
        {QLatin1StringView("1a86"), QLatin1StringView("7523"), QLatin1StringView("WCH CH340")},
        {QLatin1StringView("0403"), QLatin1StringView("6001"), QLatin1StringView("FTDI FT232R")},
};

// The kernel's drivers that give those chips a serial device.
constexpr QLatin1StringView kSerialDrivers[] = {QLatin1StringView("cdc_acm"), QLatin1StringView("ch341"),
                                                QLatin1StringView("ftdi_sio")};

struct Process
{
    qint64 pid = 0;
    QString name;
};

QString firstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readLine()).trimmed();
}

// A path of the host, given from its root without the leading slash.
QString hostPath(const HostView &host, const QString &path)
{
    return QDir(host.root).filePath(path);
}

std::filesystem::path fsPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

QList<Process> listProcesses(const HostView &host)
{
    QList<Process> found;
    const QDir proc(hostPath(host, QStringLiteral("proc")));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && pid != host.ownPid)
            found.append({pid, firstLine(proc.filePath(entry + QStringLiteral("/comm")))});
    }
    return found;
}

bool running(const QList<Process> &processes, QStringView name)
{
    return std::ranges::any_of(processes, [name](const Process &process) { return process.name == name; });
}

// A command that must run as root: through sudo where it is installed,
// otherwise su, since a Debian installed with a root password has no sudo.
QString asRoot(const QString &command, bool sudoInstalled)
{
    return sudoInstalled ? QStringLiteral("sudo ") + command : QStringLiteral("su - -c \"%1\"").arg(command);
}

QString rootPasswordNote(bool sudoInstalled)
{
    return sudoInstalled ? QString() : QStringLiteral(" (su asks for root's password)");
}

std::optional<PortAdvice> permissionAdvice(const QString &device, const Account &account)
{
    // No group to join for a device of root's group or of a group without a name.
    if (account.nodeGid == 0 || account.nodeGroup.isEmpty())
        return std::nullopt;
    const QString summary = QStringLiteral("permission denied: see the tooltip");
    if (account.loginGroups.contains(account.nodeGid)) {
        const QString look = QStringLiteral("ls -l ") + device;
        return PortAdvice{summary, look,
                          QStringLiteral("You may not open %1, though this login is in its group %2: the device's "
                                         "own permissions keep the group out. See them with:\n\n    %3")
                                  .arg(device, account.nodeGroup, look)};
    }
    if (account.databaseGroups.contains(account.nodeGid)) {
        return PortAdvice{summary, QStringLiteral("Log out and log in again."),
                          QStringLiteral("You may not open %1 yet. It belongs to the group %2, and you are in that "
                                         "group, but you were added after this login began, and a login keeps the "
                                         "groups it began with. Log out and log in again.")
                                  .arg(device, account.nodeGroup)};
    }
    const QString user = account.user.isEmpty() ? QStringLiteral("$USER") : account.user;
    const QString join =
            asRoot(QStringLiteral("usermod -aG %1 %2").arg(account.nodeGroup, user), account.sudoInstalled);
    return PortAdvice{summary, join,
                      QStringLiteral("You may not open %1: it belongs to the group %2, and you are not in it. Join "
                                     "the group with this command%3, then log out and log in again, since a login "
                                     "keeps the groups it began with:\n\n    %4")
                              .arg(device, account.nodeGroup, rootPasswordNote(account.sudoInstalled), join)};
}

// The process that holds the device, and how that is known, where the
// system lets this user see it.
std::optional<std::pair<QString, QString>> holder(const QString &device, const HostView &host,
                                                  const QList<Process> &processes)
{
    const QString lockName = QStringLiteral("LCK..") + QFileInfo(device).fileName();
    for (const QString &folder : {QStringLiteral("run/lock/"), QStringLiteral("var/lock/")}) {
        // Written by UUCP's convention (the process id in text) or by Qt's lock files (the same, then more lines).
        const qint64 pid = firstLine(hostPath(host, folder + lockName)).toLongLong();
        const auto process = std::ranges::find(processes, pid, &Process::pid);
        if (pid > 0 && process != processes.end())
            return std::pair{QStringLiteral("%1 (process %2)").arg(process->name).arg(pid),
                             QStringLiteral("its lock file /%1%2 says").arg(folder, lockName)};
    }
    const std::filesystem::path wanted = fsPath(device);
    const std::filesystem::path canonical = fsPath(QFileInfo(device).canonicalFilePath());
    for (const Process &process : processes) {
        std::error_code error;
        const auto folder = fsPath(hostPath(host, QStringLiteral("proc/%1/fd").arg(process.pid)));
        for (std::filesystem::directory_iterator file(folder, error), end; !error && file != end;
             file.increment(error)) {
            // An fd closed since the listing ends only its own look, not the process's.
            std::error_code unreadable;
            const std::filesystem::path target = std::filesystem::read_symlink(file->path(), unreadable);
            if (!unreadable && (target == wanted || (!canonical.empty() && target == canonical)))
                return std::pair{QStringLiteral("%1 (process %2)").arg(process.name).arg(process.pid),
                                 QStringLiteral("its open files show")};
        }
    }
    return std::nullopt;
}

PortAdvice busyAdvice(const QString &device, const HostView &host)
{
    const QList<Process> processes = listProcesses(host);
    const QString summary = QStringLiteral("device busy: see the tooltip");
    const QString retry = QStringLiteral("Tarnwick keeps trying and opens the port as soon as it is free.");
    if (const auto found = holder(device, host, processes)) {
        const auto &[who, how] = *found;
        return PortAdvice{summary, QStringLiteral("Held by %1.").arg(who),
                          QStringLiteral("Another program holds %1: %2, as %3. Close it. %4")
                                  .arg(device, who, how, retry)};
    }
    if (running(processes, u"ModemManager")) {
        return PortAdvice{summary, QStringLiteral("ModemManager may be probing it."),
                          QStringLiteral("Another program holds %1, and the system does not show which. "
                                         "ModemManager is running: it opens every newly plugged serial device for "
                                         "several seconds to probe it for a modem, then lets go by itself. %2")
                                  .arg(device, retry)};
    }
    return PortAdvice{summary, QStringLiteral("Close the program that holds it."),
                      QStringLiteral("Another program holds %1, and the system does not show which (it may be "
                                     "another user's). Close it. %2")
                              .arg(device, retry)};
}

bool boundToSerialDriver(const QDir &usbDevices, const QString &device)
{
    // The device's interfaces are its siblings named "device:configuration.interface".
    const QStringList interfaces = usbDevices.entryList({device + QStringLiteral(":*")}, QDir::Dirs);
    return std::ranges::any_of(interfaces, [&](const QString &interface) {
        std::error_code error;
        const QString link = usbDevices.filePath(interface + QStringLiteral("/driver"));
        const auto driver = std::filesystem::read_symlink(fsPath(link), error);
        const QString name = QString::fromStdString(driver.filename().string());
        return !error && std::ranges::find(kSerialDrivers, name) != std::end(kSerialDrivers);
    });
}

std::optional<PortAdvice> brlttyAdvice(const QString &port, const HostView &host)
{
    const QDir usbDevices(hostPath(host, QStringLiteral("sys/bus/usb/devices")));
    for (const QString &device : usbDevices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString vendor = firstLine(usbDevices.filePath(device + QStringLiteral("/idVendor")));
        const QString product = firstLine(usbDevices.filePath(device + QStringLiteral("/idProduct")));
        const auto chip = std::ranges::find_if(
                kBoardChips, [&](const Chip &chip) { return chip.vendor == vendor && chip.product == product; });
        if (chip == std::end(kBoardChips) || boundToSerialDriver(usbDevices, device))
            continue;
        if (!running(listProcesses(host), u"brltty"))
            return std::nullopt;
        const Account account = host.account(port);
        const QString remove = asRoot(QStringLiteral("apt remove brltty"), account.sudoInstalled);
        const QString reload = asRoot(QStringLiteral("udevadm control --reload"), account.sudoInstalled);
        return PortAdvice{
                QStringLiteral("brltty took the board: see the tooltip"), remove,
                QStringLiteral(
                        "A board's USB chip (%1, %2:%3) is plugged in but has no serial driver, and brltty is "
                        "running: brltty, a braille display service, took the board's USB chip.\n\n"
                        "Without a braille display, remove brltty%4 and plug the board in again:\n\n    %5\n\n"
                        "With a braille display, keep brltty and stop it claiming this one id: copy brltty's udev "
                        "rules (85-brltty.rules in /usr/lib/udev/rules.d) to /etc/udev/rules.d, delete the line "
                        "there that names %2/%3, run\n\n    %6\n\nand plug the board in again. Where brltty starts "
                        "as a service instead, name your display's driver (braille-driver) in /etc/brltty.conf, "
                        "so that it stops trying other displays' ids.")
                        .arg(chip->name, vendor, product, rootPasswordNote(account.sudoInstalled), remove, reload)};
    }
    return std::nullopt;
}

} // namespace

std::optional<PortAdvice> diagnosePort(const QString &device, const QString &failure, bool usbListed,
                                       const HostView &host)
{
    const bool permission = failure.contains(u"permission denied");
    const bool busy = failure.contains(u"device busy");
    if (usbListed && !permission && !busy)
        return std::nullopt;
    // A board whose chip another service took has no serial device: port 1
    // is then some other port, and its trouble is not the board's.
    if (!usbListed) {
        if (auto advice = brlttyAdvice(device, host))
            return advice;
    }
    if (permission)
        return permissionAdvice(device, host.account(device));
    if (busy)
        return busyAdvice(device, host);
    return std::nullopt;
}
