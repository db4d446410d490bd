#include "settings/uWorkFiles.h"
#include "platform/Exception.h"
#include "platform/FileAccess.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "settings/uLangIniFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

TWorkFiles::TWorkFiles(const TProgramPaths& paths, const TFileAccess& access)
    : ProgramDir(paths.Dir()), SettingsName(QFileInfo(paths.SettingsFile()).fileName())
{
    const QDir dir(ProgramDir);
    for (const QString& name : FileNames(ProgramDir, SettingsName)) {
        const QString path = dir.filePath(name);
        if (Unreadable.isEmpty() && !access.CanRead(path))
            Unreadable = path;
        if (Unwritable.isEmpty() && !access.CanWrite(path))
            Unwritable = path;
    }
    if (Unreadable.isEmpty() && Unwritable.isEmpty())
        return;
    Copy = std::make_unique<QTemporaryDir>();
    if (!Copy->isValid())
        throw Exception(QStringLiteral("Could not create a temporary folder: %1").arg(Copy->errorString()));
    CopyFiles(ProgramDir, Copy->path(), SettingsName, access);
}

TWorkFiles::~TWorkFiles() = default;

QString TWorkFiles::Dir() const
{
    return Copy ? Copy->path() : ProgramDir;
}

QString TWorkFiles::SettingsFile() const
{
    return QDir(Dir()).filePath(SettingsName);
}

QStringList TWorkFiles::FileNames(const QString& folder, const QString& settingsFileName)
{
    QStringList names{settingsFileName, QStringLiteral("lang.lst"),
                      TLangIniFile::DefaultLanguage() + QStringLiteral(".txt")};
    QStringList languages;
    TextFile::ReadLines(QDir(folder).filePath(QStringLiteral("lang.lst")), languages);
    for (const QString& language : languages) {
        // A name that would reach outside the folder is refused by the language controller.
        if (language.isEmpty() || language.contains(QLatin1Char('/')) || language.contains(QLatin1Char('\\')))
            continue;
        const QString name = language + QStringLiteral(".txt");
        if (!names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

void TWorkFiles::CopyFiles(const QString& from, const QString& to, const QString& settingsFileName,
                           const TFileAccess& access)
{
    const QDir source(from);
    const QDir target(to);
    for (const QString& name : FileNames(from, settingsFileName)) {
        const QString path = source.filePath(name);
        const QString copy = target.filePath(name);
        // The copy is written to, whatever the permissions of the file it came from.
        if (QFile::exists(path) && access.CanRead(path) && QFile::copy(path, copy))
            QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}
