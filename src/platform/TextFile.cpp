#include "platform/TextFile.h"
#include "platform/Win1252.h"
#include <QFile>
#include <QSaveFile>

EWriteError::EWriteError(const QString& path) : Exception(QStringLiteral("Unable to write to %1").arg(path)) {}

namespace TextFile {

TReadResult ReadLines(const QString& path, QStringList& lines)
{
    lines.clear();
    QFile file(path);
    if (!file.exists())
        return TReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return TReadResult::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return TReadResult::Unreadable;
    lines = SplitLines(Win1252::Decode(bytes));
    return TReadResult::Read;
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    // The end of the last line does not start another one.
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

void WriteLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += Win1252::Encode(line) + "\r\n";
    QSaveFile file(path);
    // A file that may be written in a folder that may not still gets the change, if not atomically.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EWriteError(path);
}

} // namespace TextFile
