#include "db/FmxUtils.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "platform/Win1252.h"
#include "settings/uApplIniFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 CopyChunk = 8192;

} // namespace

void CopyDataFile(const QString& source, const QString& destination)
{
    QString target = QFileInfo(destination).absoluteFilePath();
    if (QFileInfo(target).isDir())
        target = QDir(target).filePath(QFileInfo(source).fileName());

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file %1").arg(source));
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw EFileError(QStringLiteral("Cannot create file %1").arg(target));
    char buffer[CopyChunk];
    for (;;) {
        const qint64 got = in.read(buffer, CopyChunk);
        if (got < 0)
            throw EFileError(QStringLiteral("Cannot read file %1").arg(source));
        if (got > 0 && out.write(buffer, got) != got)
            throw EFileError(QStringLiteral("Cannot write file %1").arg(target));
        if (got < CopyChunk)
            break;
    }
    if (!out.commit())
        throw EFileError(QStringLiteral("Cannot write file %1").arg(target));
}

QStringList ReadTextLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file %1").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("Cannot read file %1").arg(path));
    const QString text = Win1252::Decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

void WriteTextLines(const QString& path, const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(QStringLiteral("Cannot create file %1").arg(path));
    const QByteArray bytes = Win1252::Encode(text);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EFileError(QStringLiteral("Cannot write file %1").arg(path));
}

void InitRemoteDatabase(TApplIniFile& settings, TDataMod& dataMod, TDialogs& dialogs, const QString& copyMsg,
                        const QString& copyErrorMsg)
{
    dataMod.CloseConnection();
    const QString source = dataMod.LocalDatabasePath();
    const QString destination = settings.ReadRemoteDBDir() + QLatin1Char('/') + TDataMod::DatabaseFileName;
    if (QFileInfo::exists(destination)) {
        const bool swedish = copyMsg.contains(QLatin1String("Detta"));
        dialogs.MessageDlg(swedish ? QStringLiteral("Databas finns redan!") : QStringLiteral("Database already exists!"),
                           TMsgDlgType::Information, mbOK);
        if (settings.ReadDBIniValue() == 0)
            settings.WriteDBIniValue(1);
        return;
    }
    try {
        CopyDataFile(source, destination);
        settings.WriteDBIniValue(1);
    } catch (const EFileError&) {
        dialogs.MessageDlg(copyErrorMsg, TMsgDlgType::Error, mbOK);
        settings.WriteDBIniValue(0);
    }
    dataMod.SelectDatabase(false);
}
