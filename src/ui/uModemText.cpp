#include "ui/uModemText.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"

QByteArray ModemInitCommands(const QByteArray& fileBytes)
{
    QByteArray commands;
    for (const QString& line : TextFile::SplitLines(Win1252::Decode(fileBytes)))
        commands += Win1252::Encode(line) + "\r\n";
    return commands;
}

bool TModemAnswer::Append(const QByteArray& bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArray text = zero < 0 ? bytes : bytes.left(zero);
    if (text.isEmpty())
        return false;
    Received += Win1252::Decode(text);
    return true;
}

QString TModemAnswer::Shown() const
{
    QString shown = Received;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}
