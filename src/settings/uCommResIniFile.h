#pragma once
#include <QString>

class TCommRes;
class TDialogs;
class TIniFile;

// The settings of section "SerialCommunication": the chosen port name ("COM1".."COM4") and the
// device path each port name stands for. Non-owning references, no state of its own.
class TCommResIniFile {
public:
    explicit TCommResIniFile(TIniFile* iniFile = nullptr, TDialogs* dialogs = nullptr)
        : IniFile(iniFile), Dialogs(dialogs)
    {
    }
    void SetIniFile(TIniFile* iniFile) { IniFile = iniFile; }
    void SetDialogs(TDialogs* dialogs) { Dialogs = dialogs; }

    // A missing "ComPort" is reported once, then repaired by writing the default; a value that is
    // present is returned as it is, even when empty.
    QString ReadComPort(const QString& defaultPort);
    // The port to use for this run: the setting when it names one of the four ports, case and
    // surrounding blanks aside; otherwise the default, after the same message as a missing setting.
    // A setting that names no port stays in the file as the user wrote it, until a port is chosen.
    QString ReadUsableComPort(const QString& defaultPort);
    void WriteComPort(const QString& portName);

    // Device path of port number 1..4 ("COM1Device".."COM4Device", default /dev/ttyS0../dev/ttyS3).
    QString ReadComDevice(int portNumber) const;
    void WriteComDevice(int portNumber, const QString& path);
    // Gives the port the device path of each of its names.
    void ApplyComDevices(TCommRes& commRes) const;

    static QString Section() { return QStringLiteral("SerialCommunication"); }

private:
    void ShowNotSet(const QString& defaultPort) const;

    TIniFile* IniFile;
    TDialogs* Dialogs;
};
