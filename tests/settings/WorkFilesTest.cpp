#include "platform/ProgramPaths.h"
#include "settings/uWorkFiles.h"
#include "support/RefusingFileAccess.h"
#include "support/TestFiles.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WorkFilesTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    TProgramPaths Paths{Dir.path(), QStringLiteral("kiv")};

    QString File(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

    void SetUp() override
    {
        WriteAll(File("kiv.ini"), "[Application]\r\nLangIndex=0\r\n");
        WriteAll(File("lang.lst"), "English\r\n../outside\r\n");
        WriteAll(File("English.txt"), "[Main]\r\nsAckResetEncoder=Erase?\r\n");
        WriteAll(File("DefLang.txt"), "[Main]\r\n");
    }
};

TEST_F(WorkFilesTest, AFolderKivMayChangeIsUsedAsItIs)
{
    TWorkFiles files(Paths, TRefusingFileAccess());
    EXPECT_FALSE(files.IsCopy());
    EXPECT_EQ(files.Dir(), Dir.path());
    EXPECT_EQ(files.SettingsFile(), File("kiv.ini"));
}

TEST_F(WorkFilesTest, AFileKivMayNotWriteMakesAWritableCopyOfAllOfThem)
{
    TRefusingFileAccess access;
    access.Unwritable = {QStringLiteral("English.txt")};
    // A read-only translation: its copy must still take the texts Kiv fills in.
    QFile::setPermissions(File("English.txt"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    TWorkFiles files(Paths, access);

    ASSERT_TRUE(files.IsCopy());
    EXPECT_EQ(files.UnwritableFile(), File("English.txt"));
    EXPECT_TRUE(files.UnreadableFile().isEmpty());
    const QDir copy(files.Dir());
    EXPECT_NE(copy.path(), Dir.path());
    EXPECT_EQ(files.SettingsFile(), copy.filePath(QStringLiteral("kiv.ini")));
    for (const char* name : {"kiv.ini", "lang.lst", "English.txt", "DefLang.txt"}) {
        SCOPED_TRACE(name);
        const QString copied = copy.filePath(QString::fromLatin1(name));
        EXPECT_EQ(ReadAll(copied), ReadAll(File(name)));
        EXPECT_TRUE(QFile::permissions(copied) & QFileDevice::WriteOwner);
    }
    EXPECT_FALSE(QFile::exists(QDir(copy.filePath(QStringLiteral(".."))).filePath(QStringLiteral("outside.txt"))));
}

TEST_F(WorkFilesTest, AnUnreadableSettingsFileIsLeftOutOfTheCopy)
{
    TRefusingFileAccess access;
    access.Unreadable = {QStringLiteral("kiv.ini")};
    TWorkFiles files(Paths, access);

    ASSERT_TRUE(files.IsCopy());
    EXPECT_EQ(files.UnreadableFile(), File("kiv.ini"));
    EXPECT_FALSE(QFile::exists(files.SettingsFile())) << "read as a missing file: every setting its default";
    EXPECT_TRUE(QFile::exists(QDir(files.Dir()).filePath(QStringLiteral("English.txt"))));
}

} // namespace
