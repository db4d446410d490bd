#include "support/TestFiles.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("kiv.ini"));
    TIniFile Ini{Path};

    void Put(const QByteArray& bytes) { WriteAll(Path, bytes); }
    QByteArray Bytes() const { return ReadAll(Path); }
};

} // namespace

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt)
{
    EXPECT_EQ(Ini.ReadString("Application", "X", "def"), "def");
    EXPECT_EQ(Ini.ReadInteger("Application", "X", 7), 7);
    EXPECT_TRUE(Ini.ReadBool("Application", "X", true));
    EXPECT_TRUE(Ini.ReadSection("Application").isEmpty());
    EXPECT_FALSE(QFile::exists(Path));

    Ini.WriteString("SerialCommunication", "ComPort", "COM1");
    Ini.WriteInteger("Application", "LangIndex", -1);
    Ini.WriteBool("Application", "UseModem", true);
    EXPECT_EQ(Bytes(), QByteArray("[SerialCommunication]\r\nComPort=COM1\r\n"
                                  "[Application]\r\nLangIndex=-1\r\nUseModem=1\r\n"));
}

TEST_F(IniFileTest, WriteChangesOneKeyAndKeepsEverythingElse)
{
    // LF line ends, comments, blank lines, an entry-less line, mixed-case names.
    Put("; settings\n"
        "[application]\n"
        "langindex=2\n"
        "; keep me\n"
        "TelephoneNumber=123\n"
        "\n"
        "[SerialCommunication]\n"
        "not an entry\n"
        "ComPort=COM2\n");
    EXPECT_EQ(Ini.ReadInteger("Application", "LangIndex", -1), 2);
    EXPECT_EQ(Ini.ReadSection("APPLICATION"), QStringList({"langindex", "TelephoneNumber"}));

    Ini.WriteInteger("Application", "LANGINDEX", 4);
    Ini.WriteString("Application", "RemoteDBDir", "/srv/kiv");
    Ini.WriteString("SerialCommunication", "COM1Device", "/dev/ttyUSB0");
    EXPECT_EQ(Bytes(), QByteArray("; settings\r\n"
                                  "[application]\r\n"
                                  "langindex=4\r\n"
                                  "; keep me\r\n"
                                  "TelephoneNumber=123\r\n"
                                  "RemoteDBDir=/srv/kiv\r\n"
                                  "\r\n"
                                  "[SerialCommunication]\r\n"
                                  "not an entry\r\n"
                                  "ComPort=COM2\r\n"
                                  "COM1Device=/dev/ttyUSB0\r\n"));
    EXPECT_FALSE(Ini.ValueExists("Application", "keep me"));
}

TEST_F(IniFileTest, TextIsWindows1252OnDiskAndKeptExactly)
{
    Ini.WriteString("KIV", "lbTemp", "Temperatur °C");
    Ini.WriteString("KIV", "sCopyMsg", "Detta kommer att skrivar över den ");
    Ini.WriteString("KIV", "Namn", "Åsa Östlund");
    Ini.WriteString("KIV", "Empty", "");
    EXPECT_EQ(Bytes(), QByteArray("[KIV]\r\nlbTemp=Temperatur \xB0" "C\r\n"
                                  "sCopyMsg=Detta kommer att skrivar \xF6ver den \r\n"
                                  "Namn=\xC5sa \xD6stlund\r\nEmpty=\r\n"));
    EXPECT_EQ(Ini.ReadString("kiv", "LBTEMP", ""), "Temperatur °C");
    EXPECT_EQ(Ini.ReadString("KIV", "sCopyMsg", ""), "Detta kommer att skrivar över den ");
    EXPECT_EQ(Ini.ReadString("KIV", "Empty", "def"), "");
}

TEST_F(IniFileTest, ValueWithLineBreaksStaysOneEntry)
{
    Ini.WriteString("Application", "TelephoneNumber", "123\r\n[Evil]\nComPort=COM9");
    EXPECT_EQ(Ini.ReadString("Application", "TelephoneNumber", ""), "123 [Evil] ComPort=COM9");
    EXPECT_FALSE(Ini.SectionExists("Evil"));
}

TEST_F(IniFileTest, IntegerAndBooleanSyntax)
{
    const struct {
        const char* Text;
        int32_t Expected; // with default 3
    } cases[] = {
        {"31", 31},       {"-5", -5},     {"+7", 7},          {"0x1F", 31},        {"0X1f", 31},
        {"0xFFFFFFFF", -1}, {"0x", 3},    {"0x1G", 3},        {"0x123456789", 3},  {"abc", 3},
        {"12abc", 3},     {"", 3},        {"99999999999", 3}, {"-", 3},            {"1.5", 3},
        {"2147483647", 2147483647},       {"-2147483648", INT32_MIN},
    };
    for (const auto& c : cases) {
        Ini.WriteString("Application", "TimerIntervalIndex", QString::fromLatin1(c.Text));
        EXPECT_EQ(Ini.ReadInteger("Application", "TimerIntervalIndex", 3), c.Expected) << c.Text;
    }

    const struct {
        const char* Text;
        bool Default;
        bool Expected;
    } bools[] = {
        {"1", false, true}, {"2", false, true}, {"-1", false, true}, {"0", true, false},
        {"yes", false, false}, {"yes", true, true}, {"0x10", false, true},
    };
    for (const auto& c : bools) {
        Ini.WriteString("Application", "UseModem", QString::fromLatin1(c.Text));
        EXPECT_EQ(Ini.ReadBool("Application", "UseModem", c.Default), c.Expected) << c.Text;
    }
}

TEST_F(IniFileTest, RefusedWriteRaisesCannotWriteWithTheReason)
{
    // Tests run as root, where permission bits stop nothing; a folder that is a file does.
    Put("[A]\r\n");
    const QString inside = Path + QStringLiteral("/kiv.ini");
    TIniFile blocked(inside);
    EXPECT_EQ(blocked.ReadString("A", "B", "def"), "def");
    try {
        blocked.WriteString("A", "B", "C");
        FAIL() << "no error";
    } catch (const EIniFileError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot write file ") + inside + ": Not a directory");
    }
}

TEST_F(IniFileTest, LeadingByteOrderMarkIsPassedOverAndNotWrittenBack)
{
    Put("\xEF\xBB\xBF[SerialCommunication]\r\nCOM1Device=/dev/ttyUSB0\r\n");
    EXPECT_EQ(Ini.ReadString("SerialCommunication", "COM1Device", "/dev/ttyS0"), "/dev/ttyUSB0");
    EXPECT_EQ(Ini.ReadSection("SerialCommunication"), QStringList{"COM1Device"});

    Ini.WriteString("SerialCommunication", "ComPort", "COM1");
    EXPECT_EQ(Bytes(), QByteArray("[SerialCommunication]\r\nCOM1Device=/dev/ttyUSB0\r\nComPort=COM1\r\n"));

    // Only a mark at the very start is one; elsewhere the bytes are text.
    Put("[A]\r\nB=\xEF\xBB\xBFx\r\n");
    EXPECT_EQ(Ini.ReadString("A", "B", ""), QString::fromUtf8("\xC3\xAF\xC2\xBB\xC2\xBFx"));
}

// The file is parsed once, but every change made by someone else is still seen at the next read.
TEST_F(IniFileTest, FileChangedOnDiskIsReadAgain)
{
    auto setModified = [this](const QDateTime& when) {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    const QDateTime earlier = QDateTime::currentDateTime().addSecs(-3600);

    Put("[A]\r\nKey=1\r\n");
    EXPECT_EQ(Ini.ReadString("A", "Key", ""), "1");

    // Replaced by another file of the same size, as an editor that saves by renaming does.
    const QString other = Dir.filePath("other.ini");
    WriteAll(other, "[A]\r\nKey=2\r\n");
    ASSERT_TRUE(QFile::remove(Path));
    ASSERT_TRUE(QFile::rename(other, Path));
    EXPECT_EQ(Ini.ReadString("A", "Key", ""), "2");

    // Rewritten in place with a different size.
    Put("[A]\r\nKey=33\r\n");
    EXPECT_EQ(Ini.ReadString("A", "Key", ""), "33");

    // Rewritten in place with the same size: the time stamp tells.
    Put("[A]\r\nKey=44\r\n");
    setModified(earlier);
    EXPECT_EQ(Ini.ReadInteger("A", "Key", 0), 44);

    // Our own write is read back without a look at other files, and removing the file is seen.
    Ini.WriteString("A", "Other", "x");
    EXPECT_EQ(Ini.ReadSection("A"), (QStringList{"Key", "Other"}));
    ASSERT_TRUE(QFile::remove(Path));
    EXPECT_EQ(Ini.ReadString("A", "Key", "gone"), "gone");
    EXPECT_FALSE(Ini.SectionExists("A"));
}

TEST(ProgramPaths, SettingsFileNameIsCutAtTheFirstDot)
{
    EXPECT_EQ(SettingsFileName("kiv"), "kiv.ini");
    EXPECT_EQ(SettingsFileName("tool.exe"), "tool.ini");
    EXPECT_EQ(SettingsFileName("my.tool.exe"), "my.ini");

    const TProgramPaths paths("/opt/kiv/", "kiv");
    EXPECT_EQ(paths.Dir(), "/opt/kiv");
    EXPECT_EQ(paths.SettingsFile(), "/opt/kiv/kiv.ini");
    EXPECT_EQ(paths.FilePath("lang.lst"), "/opt/kiv/lang.lst");
}
