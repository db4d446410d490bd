#include "platform/ProgramPaths.h"
#include "platform/Exception.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <unistd.h>

TUserEnvironment TUserEnvironment::FromProcess()
{
    return {qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()};
}

TProgramPaths::TProgramPaths(const QString& programDir, const QString& programFileName)
    : TProgramPaths(programDir, programDir, programFileName)
{
}

TProgramPaths::TProgramPaths(const QString& installDir, const QString& dataDir, const QString& programFileName)
    : ProgramDir(QDir::cleanPath(installDir)), DataDir(QDir::cleanPath(dataDir)), FileName(programFileName)
{
}

TProgramPaths TProgramPaths::FromApplication()
{
    const QString installDir = QCoreApplication::applicationDirPath();
    const QString dataDir = DataDirFor(installDir, IsWritableFolder(installDir), TUserEnvironment::FromProcess());
    PrepareDataDir(installDir, dataDir);
    return TProgramPaths(installDir, dataDir, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString TProgramPaths::FilePath(const QString& name) const
{
    return QDir(DataDir).filePath(name);
}

QString TProgramPaths::SettingsFile() const
{
    return FilePath(SettingsFileName(FileName));
}

QString DataDirFor(const QString& installDir, bool installDirWritable, const TUserEnvironment& env)
{
    if (installDirWritable)
        return QDir::cleanPath(installDir);
    const QString base = QDir::isAbsolutePath(env.XdgDataHome) ? env.XdgDataHome
                                                               : QDir(env.Home).filePath(QStringLiteral(".local/share"));
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("kiv")));
}

bool IsWritableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

namespace {

void Seed(const QDir& from, const QDir& to)
{
    const QStringList names = from.entryList({QStringLiteral("*.txt"), QStringLiteral("lang.lst")}, QDir::Files);
    for (const QString& name : names) {
        if (!QFile::copy(from.filePath(name), to.filePath(name)))
            throw Exception(QStringLiteral("Could not copy %1 to %2").arg(from.filePath(name), to.path()));
        // A copy keeps the installed file's mode, which may be read-only; the user's copy must
        // take the texts the language controller adds.
        QFile::setPermissions(to.filePath(name), QFile::permissions(to.filePath(name)) | QFile::WriteOwner);
    }
}

} // namespace

void PrepareDataDir(const QString& installDir, const QString& dataDir)
{
    if (QDir::cleanPath(installDir) == QDir::cleanPath(dataDir) || QFileInfo(dataDir).isDir())
        return;
    const QString parent = QFileInfo(dataDir).absolutePath();
    if (!QDir().mkpath(parent))
        throw Exception(QStringLiteral("Could not create the folder %1").arg(parent));
    // Seeded beside its place and then renamed, so that an interrupted first start leaves no
    // half-seeded folder behind and two first starts at once do not mix.
    QTemporaryDir staging(QDir(parent).filePath(QStringLiteral(".kiv-XXXXXX")));
    if (!staging.isValid())
        throw Exception(QStringLiteral("Could not create a folder in %1: %2").arg(parent, staging.errorString()));
    Seed(QDir(installDir), QDir(staging.path()));
    if (QDir().rename(staging.path(), dataDir))
        staging.setAutoRemove(false);
    else if (!QFileInfo(dataDir).isDir())
        throw Exception(QStringLiteral("Could not create the folder %1").arg(dataDir));
}

QString DefaultToolFolder(const QString& installDir)
{
    const QString dataDir = DataDirFor(installDir, IsWritableFolder(installDir), TUserEnvironment::FromProcess());
    return QFileInfo(dataDir).isDir() ? dataDir : QDir::cleanPath(installDir);
}

QString SettingsFileName(const QString& programFileName)
{
    const qsizetype dot = programFileName.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return programFileName + QStringLiteral(".ini");
    return programFileName.left(dot + 1) + QStringLiteral("ini");
}
