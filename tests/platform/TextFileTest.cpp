#include "platform/TextFile.h"
#include "support/TestFiles.h"
#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs the write in a child process under a file-size limit (none when limit is 0), with
// SIGXFSZ ignored so the write fails as on a full disk instead of killing the process. Returns
// the error message, empty when the write succeeded.
QString WriteInChild(const QString& path, const QByteArray& bytes, rlim_t limit)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        if (limit > 0) {
            const rlimit r{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &r);
        }
        QByteArray message;
        try {
            TextFile::WriteBytes(path, bytes);
        } catch (const EWriteError& e) {
            message = e.Message().toUtf8();
        }
        [[maybe_unused]] const ssize_t n = ::write(fds[1], message.constData(), size_t(message.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray message;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    return QString::fromUtf8(message);
}

QByteArray Lines(int count, const char* text)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray::number(i) + text + "\r\n";
    return bytes;
}

} // namespace

TEST(TextFile, AFailedReplacementLeavesTheOldFileWholeAndNamesTheReason)
{
    QTemporaryDir dir;
    const QByteArray old = Lines(261, ",\"old line\"");
    const QByteArray longer = Lines(400, ",\"a new and longer line\"");
    WriteAll(dir.filePath("FAULTS_ID.TXT"), old);
    QDir().mkdir(dir.filePath("folder"));
    WriteAll(dir.filePath("plain"), "x");

    const struct {
        const char* Name;
        QString Path;
        rlim_t Limit;
        const char* Reason;
    } cases[] = {
        // A full disk: the new content does not fit, while the old one did.
        {"file size limit", dir.filePath("FAULTS_ID.TXT"), rlim_t(old.size() + 100), "File too large"},
        {"limit below the old size", dir.filePath("FAULTS_ID.TXT"), 1000, "File too large"},
        {"missing folder", dir.filePath("nowhere/FAULTS_ID.TXT"), 0, "No such file or directory"},
        {"folder in the way", dir.filePath("folder"), 0, "Is a directory"},
        {"file as folder", dir.filePath("plain/FAULTS_ID.TXT"), 0, "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString message = WriteInChild(c.Path, longer, c.Limit);
        EXPECT_EQ(message, "Cannot write file " + c.Path + ": " + c.Reason);
        EXPECT_EQ(ReadAll(dir.filePath("FAULTS_ID.TXT")), old);
        EXPECT_TRUE(QFileInfo(dir.filePath("folder")).isDir());
        // No temporary file is left behind.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), (QStringList{"FAULTS_ID.TXT", "plain"}));
    }

    EXPECT_EQ(WriteInChild(dir.filePath("FAULTS_ID.TXT"), longer, rlim_t(longer.size())), "");
    EXPECT_EQ(ReadAll(dir.filePath("FAULTS_ID.TXT")), longer);
}

TEST(TextFile, ReplacementKeepsPermissionsAndWritesCrLfLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kiv.ini");
    WriteAll(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    TextFile::WriteLines(path, {"[A]", "B=\u00b0"});
    EXPECT_EQ(ReadAll(path), QByteArray("[A]\r\nB=\xb0\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
