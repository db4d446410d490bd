#include "db/FmxUtils.h"
#include "db/uKivDataMod.h"
#include "db/DbError.h"
#include "platform/Dialogs.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"
#include "settings/uApplIniFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

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
    std::optional<TReplacedFile> out;
    try {
        out.emplace(target);
    } catch (const EWriteError&) {
        throw EFileError(QStringLiteral("Cannot create file %1").arg(target));
    }
    char buffer[CopyChunk];
    try {
        for (;;) {
            const qint64 got = in.read(buffer, CopyChunk);
            if (got < 0)
                throw EFileError(QStringLiteral("Cannot read file %1").arg(source));
            out->Write(buffer, got);
            if (got < CopyChunk)
                break;
        }
        out->Commit();
    } catch (const EWriteError& e) {
        throw EFileError(e.Message());
    }
}

QStringList ReadTextLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file %1").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("Cannot read file %1").arg(path));
    return TextFile::SplitLines(Win1252::Decode(bytes));
}

void WriteTextLines(const QString& path, const QStringList& lines)
{
    TextFile::WriteLines(path, lines);
}

void InitRemoteDatabase(TApplIniFile& settings, TDataMod& dataMod, TDialogs& dialogs, const QString& copyMsg,
                        const QString& copyErrorMsg)
{
    dataMod.CloseConnection();
    // On a server the tables are made where missing and the local rows copied once; nothing
    // there can be "already present" in the way a file is.
    if (ParseRemoteLocation(settings.ReadRemoteDBDir()).IsServer()) {
        try {
            dataMod.CopyToServer();
            settings.WriteDBIniValue(1);
        } catch (const EDatabaseError& e) {
            dialogs.MessageDlg(e.Message(), TMsgDlgType::Error, mbOK);
            settings.WriteDBIniValue(0);
        }
        dataMod.SelectDatabase(false);
        return;
    }
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
