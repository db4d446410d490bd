#include "platform/ProgramPaths.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TProgramPaths::TProgramPaths(const QString& programDir, const QString& programFileName)
    : ProgramDir(QDir::cleanPath(programDir)), FileName(programFileName)
{
}

TProgramPaths TProgramPaths::FromApplication()
{
    return TProgramPaths(QCoreApplication::applicationDirPath(),
                         QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString TProgramPaths::FilePath(const QString& name) const
{
    return QDir(ProgramDir).filePath(name);
}

QString TProgramPaths::SettingsFile() const
{
    return FilePath(SettingsFileName(FileName));
}

QString SettingsFileName(const QString& programFileName)
{
    const qsizetype dot = programFileName.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return programFileName + QStringLiteral(".ini");
    return programFileName.left(dot + 1) + QStringLiteral("ini");
}
