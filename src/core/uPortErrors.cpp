#include "core/uPortErrors.h"
#include "platform/SerialPorts.h"
#include <cerrno>
#include <cstring>

namespace {

struct TDefaultText {
    const char* Key;
    const char* Text;
};

// %1 is the group, %2 the user; %1 in the others is a list.
const TDefaultText Defaults[] = {
    {"sPortAccessDenied", "Lägg till användaren i gruppen %1, som äger enheten, och logga in igen: sudo usermod -aG %1 %2"},
    {"sPortBusyBy", "Enheten används av ett annat program: %1."},
    {"sPortBusy", "Enheten används av ett annat program."},
    {"sPortMissing", "Är adaptern ansluten? Serieenheter som finns: %1."},
    {"sPortNoneFound", "Är adaptern ansluten? Ingen serieenhet hittades."},
    {"sPortNotSerial", "Sökvägen är ingen serieenhet."},
    {"sPortHungUp", "Förbindelsen bröts, adaptern kopplades ur. Anslut den igen och tryck på Online."},
};

bool IsTransfer(const QString& call)
{
    return call == QLatin1String("read") || call == QLatin1String("write") || call == QLatin1String("tcflush") ||
           call.startsWith(QLatin1String("ioctl(FIONREAD"));
}

} // namespace

TPortErrorTexts::TPortErrorTexts()
{
    for (const TDefaultText& entry : Defaults)
        Texts.insert(QLatin1String(entry.Key), QString::fromUtf8(entry.Text));
}

void TPortErrorTexts::Read(const std::function<QString(const QString&, const QString&)>& read)
{
    for (const TDefaultText& entry : Defaults)
        Texts.insert(QLatin1String(entry.Key), read(QLatin1String(entry.Key), QString::fromUtf8(entry.Text)));
}

bool IsHangUp(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

QString ExplainPortError(const TPortFailure& failure, const TPortErrorTexts& texts, const TSerialPortSystem& system)
{
    QString line = failure.Device;
    if (!failure.Call.isEmpty())
        line += QStringLiteral(": ") + failure.Call;
    line += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(failure.Error)) + QStringLiteral(".");

    QString remedy;
    if (IsTransfer(failure.Call)) {
        if (IsHangUp(failure.Error))
            remedy = texts.Text(QStringLiteral("sPortHungUp"));
    } else {
        switch (failure.Error) {
        case EACCES:
        case EPERM: {
            QString group = system.OwnerGroup(failure.Device);
            if (group.isEmpty() || group == QLatin1String("root"))
                group = QStringLiteral("dialout");
            remedy = texts.Text(QStringLiteral("sPortAccessDenied")).arg(group, system.UserName());
            break;
        }
        case EBUSY:
        case EWOULDBLOCK: {
            const QStringList holders = system.Holders(failure.Device);
            remedy = holders.isEmpty() ? texts.Text(QStringLiteral("sPortBusy"))
                                       : texts.Text(QStringLiteral("sPortBusyBy")).arg(holders.join(QStringLiteral(", ")));
            break;
        }
        case ENOENT:
        case ENXIO:
        case ENODEV: {
            QStringList present;
            for (const TSerialPortEntry& entry : system.Ports())
                present << entry.Preferred();
            remedy = present.isEmpty() ? texts.Text(QStringLiteral("sPortNoneFound"))
                                       : texts.Text(QStringLiteral("sPortMissing")).arg(present.join(QStringLiteral(", ")));
            break;
        }
        case ENOTTY:
        case EISDIR:
            remedy = texts.Text(QStringLiteral("sPortNotSerial"));
            break;
        default:
            break;
        }
    }
    return remedy.isEmpty() ? line : line + QLatin1Char(' ') + remedy;
}
