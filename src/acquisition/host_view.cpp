#include "host_view.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
Account systemAccount(const QString &device)
{
    Account account;
    account.sudoInstalled = !QStandardPaths::findExecutable(QStringLiteral("sudo")).isEmpty();
    struct stat node{};
    if (::stat(QFile::encodeName(device).constData(), &node) == 0) {
        account.nodeGid = node.st_gid;
        if (const group *owner = ::getgrgid(node.st_gid))
            account.nodeGroup = QString::fromLocal8Bit(owner->gr_name);
    }
    const gid_t primary = ::getegid();
    account.loginGroups.append(primary);
    std::vector<gid_t> groups(size_t(std::max(0, ::getgroups(0, nullptr))));
    groups.resize(size_t(std::max(0, ::getgroups(int(groups.size()), groups.data()))));
    account.loginGroups.append(QList<uint>(groups.begin(), groups.end()));
    const passwd *user = ::getpwuid(::geteuid());
    if (!user)
        return account;
    account.user = QString::fromLocal8Bit(user->pw_name);
    // Through the system's name services, which may know more than /etc/group.
    int count = 32;
    std::vector<gid_t> listed(32);
    while (::getgrouplist(user->pw_name, user->pw_gid, listed.data(), &count) < 0)
        listed.resize(size_t(count));
    account.databaseGroups = QList<uint>(listed.begin(), listed.begin() + count);
    return account;
}
#endif

} // namespace

HostView HostView::system()
{
    HostView host;
    host.ownPid = QCoreApplication::applicationPid();
#ifdef Q_OS_UNIX
    host.account = systemAccount;
    host.mayOpen = [](const QString &device) { return ::access(QFile::encodeName(device).constData(), R_OK) == 0; };
#else
    host.account = [](const QString &) { return Account{}; };
    host.mayOpen = [](const QString &) { return true; };
#endif
    return host;
}
