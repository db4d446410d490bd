// Where Kiv writes: its own folder when the user may write there, a per-user folder otherwise.
#include "platform/Exception.h"
#include "platform/ProgramPaths.h"
#include "support/TestFiles.h"
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(ProgramPathsTest, DataDirFollowsWritabilityAndTheXdgBaseDirectory)
{
    struct TRow {
        const char* Name;
        bool Writable;
        QString XdgDataHome;
        QString Expected;
    };
    const QString install = QStringLiteral("/opt/kiv");
    const QString home = QStringLiteral("/home/ann");
    const TRow rows[] = {
        {"writable folder is used as it is, XDG ignored", true, QStringLiteral("/data"), install},
        {"writable folder, XDG unset", true, QString(), install},
        {"read-only folder, XDG set", false, QStringLiteral("/data/ann"), QStringLiteral("/data/ann/kiv")},
        {"read-only folder, XDG unset", false, QString(), QStringLiteral("/home/ann/.local/share/kiv")},
        {"read-only folder, XDG relative is ignored", false, QStringLiteral("data"),
         QStringLiteral("/home/ann/.local/share/kiv")},
        {"read-only folder, XDG with a trailing separator", false, QStringLiteral("/data/ann/"),
         QStringLiteral("/data/ann/kiv")},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(DataDirFor(install + QStringLiteral("/"), row.Writable, {row.XdgDataHome, home}), row.Expected);
    }
}

TEST(ProgramPathsTest, WritesGoToTheDataFolderWhileTheProgramStaysInstalled)
{
    const TProgramPaths portable(QStringLiteral("/work/kiv/"), QStringLiteral("kiv"));
    EXPECT_EQ(portable.Dir(), QStringLiteral("/work/kiv"));
    EXPECT_EQ(portable.InstallDir(), QStringLiteral("/work/kiv"));
    EXPECT_EQ(portable.SettingsFile(), QStringLiteral("/work/kiv/kiv.ini"));

    const TProgramPaths installed(QStringLiteral("/opt/kiv"), QStringLiteral("/home/ann/.local/share/kiv"),
                                  QStringLiteral("kiv"));
    EXPECT_EQ(installed.InstallDir(), QStringLiteral("/opt/kiv"));
    EXPECT_EQ(installed.SettingsFile(), QStringLiteral("/home/ann/.local/share/kiv/kiv.ini"));
    EXPECT_EQ(installed.FilePath(QStringLiteral("ModemInit.txt")),
              QStringLiteral("/home/ann/.local/share/kiv/ModemInit.txt"));
}

TEST(ProgramPathsTest, WritabilityIsTheUsersRightToCreateFiles)
{
    QTemporaryDir folder;
    EXPECT_TRUE(IsWritableFolder(folder.path()));
    EXPECT_FALSE(IsWritableFolder(folder.filePath(QStringLiteral("missing"))));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder, so its mode cannot be checked here";
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(IsWritableFolder(folder.path()));
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// An installed folder as a package lays it out, and a user's home beside it.
class PrepareDataDirTest : public ::testing::Test {
protected:
    QTemporaryDir Root;
    QString Install;
    QString Data;

    void SetUp() override
    {
        Install = Root.filePath(QStringLiteral("opt/kiv"));
        Data = Root.filePath(QStringLiteral("home/ann/.local/share/kiv"));
        ASSERT_TRUE(QDir().mkpath(Install + QStringLiteral("/HelpFiles")));
        WriteAll(Install + QStringLiteral("/kiv"), "program");
        WriteAll(Install + QStringLiteral("/HelpFiles/KivHelp.html"), "<html/>");
        WriteAll(Install + QStringLiteral("/lang.lst"), "English\r\n");
        WriteAll(Install + QStringLiteral("/English.txt"), "[KIV]\r\nbtnOnLine=On line\r\n");
        // Installed files are not the user's to change.
        for (const char* name : {"lang.lst", "English.txt"})
            QFile::setPermissions(QDir(Install).filePath(QString::fromLatin1(name)),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }

    QString InData(const char* name) const { return QDir(Data).filePath(QString::fromLatin1(name)); }
};

TEST_F(PrepareDataDirTest, FirstUseCreatesTheFolderWithTheShippedLanguageFilesOnly)
{
    PrepareDataDir(Install, Data);
    ASSERT_TRUE(QFileInfo(Data).isDir());
    QStringList entries = QDir(Data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("English.txt"), QStringLiteral("lang.lst")}));
    EXPECT_EQ(ReadAll(InData("English.txt")), QByteArray("[KIV]\r\nbtnOnLine=On line\r\n"));
    EXPECT_TRUE(QFileInfo(InData("English.txt")).permissions() & QFile::WriteOwner)
        << "the language controller adds missing texts to the user's copy";
    // Nothing is left of the staging folder beside it.
    EXPECT_EQ(QDir(QFileInfo(Data).absolutePath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("kiv")});
}

TEST_F(PrepareDataDirTest, SeedsOnceAndNeverOverwritesTheUsersFiles)
{
    PrepareDataDir(Install, Data);
    WriteAll(InData("English.txt"), "[KIV]\r\nbtnOnLine=Connect\r\n");
    ASSERT_TRUE(QFile::remove(InData("lang.lst")));
    WriteAll(InData("kiv.ini"), "[Application]\r\n");

    PrepareDataDir(Install, Data);
    EXPECT_EQ(ReadAll(InData("English.txt")), QByteArray("[KIV]\r\nbtnOnLine=Connect\r\n"));
    EXPECT_FALSE(QFile::exists(InData("lang.lst"))) << "a file the user removed stays removed";
    EXPECT_EQ(ReadAll(InData("kiv.ini")), QByteArray("[Application]\r\n"));
}

TEST_F(PrepareDataDirTest, AWritableProgramFolderIsLeftAsItIs)
{
    PrepareDataDir(Install, Install + QStringLiteral("/"));
    QStringList entries = QDir(Install).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("English.txt"), QStringLiteral("HelpFiles"), QStringLiteral("kiv"),
                                    QStringLiteral("lang.lst")}));
}

TEST_F(PrepareDataDirTest, AFolderThatCannotBeMadeIsAnError)
{
    const QString blocked = Root.filePath(QStringLiteral("home/ann/.local"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(blocked).absolutePath()));
    WriteAll(blocked, "a file where the folder should be");
    EXPECT_THROW(PrepareDataDir(Install, Data), Exception);
}

} // namespace
