#pragma once
#include <QHash>
#include <QString>
#include <functional>

class TSerialPortSystem;

// The language texts that tell the user what to do about a failed port operation, in section
// "SerialPort" of the language file. They hold their Swedish defaults until read.
class TPortErrorTexts {
public:
    TPortErrorTexts();
    // Replaces every text by what read(key, default) gives, as a language file answers.
    void Read(const std::function<QString(const QString& key, const QString& defaultText)>& read);
    QString Text(const QString& key) const { return Texts.value(key); }

private:
    QHash<QString, QString> Texts;
};

// What failed: the system's error code, the call it came from and the device it was made on.
struct TPortFailure {
    int Error = 0;
    QString Call;     // "open", "flock", "read", ...
    QString Device;   // the path as given
};

// A read or write error that means the device went away under an open port: a pulled adapter or
// a closed pseudo-terminal.
bool IsHangUp(int error);

// The line that follows a port error's own message: the device, the call that failed and the
// system's reason, then what to do about it where there is a remedy.
QString ExplainPortError(const TPortFailure& failure, const TPortErrorTexts& texts, const TSerialPortSystem& system);
