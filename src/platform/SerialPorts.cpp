#include "platform/SerialPorts.h"
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>
#include <algorithm>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Plain names in the order a user looks for them: USB adapters, USB modem-class adapters, the
// machine's own ports, anything else.
int Rank(const QString& device)
{
    const QString name = QFileInfo(device).fileName();
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    if (name.startsWith(QLatin1String("ttyS")))
        return 2;
    return 3;
}

QString Describe(const QSerialPortInfo& info)
{
    QStringList parts;
    for (const QString& part : {info.manufacturer(), info.description(), info.serialNumber()})
        if (!part.trimmed().isEmpty() && !parts.contains(part.trimmed()))
            parts << part.trimmed();
    return parts.join(QLatin1Char(' '));
}

} // namespace

QString DescriptionFromById(const QString& byIdName)
{
    QString name = byIdName;
    // The bus in front, the interface and port number behind say nothing about the adapter.
    const int bus = name.indexOf(QLatin1Char('-'));
    if (bus > 0 && bus <= 4)
        name = name.mid(bus + 1);
    const int tail = name.indexOf(QLatin1String("-if"));
    if (tail > 0)
        name = name.left(tail);
    return name.replace(QLatin1Char('_'), QLatin1Char(' ')).trimmed();
}

TPosixSerialPortSystem::TPosixSerialPortSystem(const QString& byIdDir) : ByIdDir(byIdDir)
{
    if (ByIdDir.isEmpty())
        ByIdDir = qEnvironmentVariable("KIV_SERIAL_BY_ID", QStringLiteral("/dev/serial/by-id"));
}

QList<TSerialPortEntry> TPosixSerialPortSystem::Ports() const
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QCollator natural;
    natural.setNumericMode(true);

    QList<TSerialPortEntry> stable;
    QSet<QString> named;
    const QDir byId(ByIdDir);
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = link.canonicalFilePath();
        if (device.isEmpty())
            continue;   // a link whose adapter is gone
        TSerialPortEntry entry{device, link.absoluteFilePath(), QString()};
        for (const QSerialPortInfo& info : infos)
            if (info.systemLocation() == device)
                entry.Description = Describe(info);
        if (entry.Description.isEmpty())
            entry.Description = DescriptionFromById(link.fileName());
        stable << entry;
        named << device;
    }

    QList<TSerialPortEntry> plain;
    for (const QSerialPortInfo& info : infos) {
        const QString device = info.systemLocation();
        if (named.contains(device) || !device.startsWith(QLatin1String("/dev/tty")))
            continue;
        plain << TSerialPortEntry{device, QString(), Describe(info)};
    }
    std::sort(plain.begin(), plain.end(), [&natural](const TSerialPortEntry& a, const TSerialPortEntry& b) {
        if (Rank(a.Device) != Rank(b.Device))
            return Rank(a.Device) < Rank(b.Device);
        return natural.compare(a.Device, b.Device) < 0;
    });
    return stable + plain;
}

QString TPosixSerialPortSystem::OwnerGroup(const QString& device) const
{
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return QString();
    const group* owner = ::getgrgid(info.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
}

QString TPosixSerialPortSystem::UserName() const
{
    const passwd* user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER");
}

QStringList TPosixSerialPortSystem::Holders(const QString& device) const
{
    const QString target = QFileInfo(device).canonicalFilePath();
    QStringList holders;
    if (target.isEmpty())
        return holders;
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || pid.toInt() <= 0)
            continue;
        // Another user's descriptors cannot be read without privileges: those holders stay unnamed.
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() != target)
                continue;
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            const QString name =
                comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
            holders << QStringLiteral("%1 (%2)").arg(pid, name);
            break;
        }
    }
    return holders;
}
