#pragma once

#include <QList>
#include <QString>

#include <functional>

// Who is asking for a device, and what the system says of them and of it.
struct Account
{
    QString user;
    QString nodeGroup; // the group that owns the device node
    uint nodeGid = 0;
    QList<uint> databaseGroups; // the user's groups as the group database has them now
    QList<uint> loginGroups;    // this process's groups, fixed when the login began
    bool sudoInstalled = false;
};

// What the port's diagnosis reads of the host. The files are read under
// `root`: sys/bus/usb/devices, proc, run/lock and var/lock. `system()` is
// this host; tests give a fixture tree and accounts of their own.
struct HostView
{
    QString root = QStringLiteral("/");
    std::function<Account(const QString &device)> account;
    // Whether the system lets this process open the device for reading.
    std::function<bool(const QString &device)> mayOpen;
    qint64 ownPid = 0;

    static HostView system();
};
