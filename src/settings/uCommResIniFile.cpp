#include "settings/uCommResIniFile.h"
#include "core/uCommRes.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"

namespace {

const QString NoValue = QStringLiteral("NoValue");

QString DeviceKey(int portNumber)
{
    return QStringLiteral("COM%1Device").arg(portNumber);
}

} // namespace

QString TCommResIniFile::ReadComPort(const QString& defaultPort)
{
    const QString port = IniFile->ReadString(Section(), QStringLiteral("ComPort"), NoValue);
    if (port != NoValue)
        return port;
    ShowNotSet(defaultPort);
    WriteComPort(defaultPort);
    // Read once more so the caller gets what the file now holds; never ask a second time.
    return IniFile->ReadString(Section(), QStringLiteral("ComPort"), defaultPort);
}

QString TCommResIniFile::ReadUsableComPort(const QString& defaultPort)
{
    const QString port = TCommRes::PortNameOf(ReadComPort(defaultPort));
    if (!port.isEmpty())
        return port;
    ShowNotSet(defaultPort);
    return defaultPort;
}

void TCommResIniFile::ShowNotSet(const QString& defaultPort) const
{
    if (Dialogs)
        Dialogs->MessageDlg(QStringLiteral("Serial communication port is not set. Using \"%1\"").arg(defaultPort),
                            TMsgDlgType::Information, mbOK);
}

void TCommResIniFile::WriteComPort(const QString& portName)
{
    IniFile->WriteString(Section(), QStringLiteral("ComPort"), portName);
}

QString TCommResIniFile::ReadComDevice(int portNumber) const
{
    return IniFile->ReadString(Section(), DeviceKey(portNumber), QStringLiteral("/dev/ttyS%1").arg(portNumber - 1));
}

void TCommResIniFile::WriteComDevice(int portNumber, const QString& path)
{
    IniFile->WriteString(Section(), DeviceKey(portNumber), path);
}

void TCommResIniFile::ApplyComDevices(TCommRes& commRes) const
{
    for (int i = 0; i < TCommRes::PortCount; ++i)
        commRes.SetPortDevice(i, ReadComDevice(i + 1));
}
