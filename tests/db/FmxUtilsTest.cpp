#include "DbFixture.h"
#include "platform/IniFile.h"
#include "settings/uApplIniFile.h"
#include <QDir>

namespace {

QByteArray Pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

// A missing copy must not pass for an empty one.
QByteArray ReadOrMissing(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(CopyDataFile, CopiesWholeFilesIntoAFolderUnderTheSourceName)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("into");
    for (int size : {0, 8192, 8192 * 2 + 5}) {
        const QString source = dir.filePath("KIV.db");
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(Pattern(size));
        f.close();
        CopyDataFile(source, dir.filePath("into"));
        EXPECT_EQ(ReadOrMissing(dir.filePath("into/KIV.db")), Pattern(size)) << size;
        CopyDataFile(source, dir.filePath("into/other.db")); // replaces an existing file
        EXPECT_EQ(ReadOrMissing(dir.filePath("into/other.db")), Pattern(size)) << size;
    }
}

TEST(CopyDataFile, NamesTheFileItCannotOpenOrCreate)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.db");
    try {
        CopyDataFile(missing, dir.filePath("x.db"));
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    QFile source(dir.filePath("s.db"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write("x");
    source.close();
    QFile(dir.filePath("plain")).open(QIODevice::WriteOnly); // a file where a folder should be
    const QString blocked = dir.filePath("plain/x.db");
    try {
        CopyDataFile(source.fileName(), blocked);
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + blocked);
    }
}

class InitRemoteDatabaseTest : public DbFixture {
protected:
    TIniFile Ini{Program.filePath("kiv.ini")};
    TApplIniFile Settings{&Ini};
    const QString CopyMsg = "Detta kommer att skrivar \u00f6ver den \rbefintliga fj\u00e4rrdatabasen,forts\u00e4tt \u00e4nd\u00e5?";
    const QString CopyError = "Kan inte kopiera till en \u00f6ppen databas!";
};

TEST_F(InitRemoteDatabaseTest, CopiesTheLocalDatabaseIntoTheRemoteFolder)
{
    Settings.WriteRemoteDBDir(RemoteFolder.path());
    InitRemoteDatabase(Settings, *Mod, Dialogs, CopyMsg, CopyError);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(ReadOrMissing(RemotePath()), ReadOrMissing(Mod->LocalDatabasePath()));
    EXPECT_EQ(Settings.ReadDBIniValue(), 1);
    EXPECT_FALSE(Mod->Remote());
    EXPECT_TRUE(Mod->EncoderIDTab.Active());
    EXPECT_NO_THROW(Mod->SelectDatabase(true));
}

TEST_F(InitRemoteDatabaseTest, PresentRemoteFileIsKept)
{
    Settings.WriteRemoteDBDir(RemoteFolder.path());
    QFile existing(RemotePath());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("theirs");
    existing.close();
    for (const auto& [copyMsg, message] :
         {std::pair{CopyMsg, "Databas finns redan!"}, {QString("This will overwrite"), "Database already exists!"}}) {
        Dialogs.Messages.clear();
        InitRemoteDatabase(Settings, *Mod, Dialogs, copyMsg, CopyError);
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text, message);
        EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Information);
        EXPECT_EQ(ReadOrMissing(RemotePath()), "theirs");
        EXPECT_EQ(Settings.ReadDBIniValue(), 1);
    }
}

TEST_F(InitRemoteDatabaseTest, UnwritableDestinationShowsTheCopyError)
{
    Settings.WriteDBIniValue(1);
    QFile(RemoteFolder.filePath("plain")).open(QIODevice::WriteOnly);
    Settings.WriteRemoteDBDir(RemoteFolder.filePath("plain"));
    InitRemoteDatabase(Settings, *Mod, Dialogs, CopyMsg, CopyError);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, CopyError);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(Settings.ReadDBIniValue(), 0);
    EXPECT_TRUE(Mod->EncoderIDTab.Active()); // back on the local database
}
