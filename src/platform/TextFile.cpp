#include "platform/TextFile.h"
#include "platform/Win1252.h"
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

EWriteError::EWriteError(const QString& path, const QString& reason)
    : Exception(QStringLiteral("Cannot write file %1: %2").arg(path, reason))
{
}

namespace {

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

TReplacedFile::TReplacedFile(const QString& path) : Path(path), Target(QFile::encodeName(path))
{
    for (int attempt = 0; attempt < 16 && Fd < 0; ++attempt) {
        Temporary = Target + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        Fd = ::open(Temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd < 0 && errno != EEXIST)
            break;
    }
    if (Fd < 0)
        throw EWriteError(Path, SystemReason(errno));
    // The replacement keeps the permissions of the file it replaces.
    struct stat old {};
    if (::stat(Target.constData(), &old) == 0)
        ::fchmod(Fd, old.st_mode & 07777);
}

TReplacedFile::~TReplacedFile()
{
    if (Fd >= 0) {
        ::close(Fd);
        ::unlink(Temporary.constData());
    }
}

void TReplacedFile::Fail(int error)
{
    ::close(Fd);
    Fd = -1;
    ::unlink(Temporary.constData());
    throw EWriteError(Path, SystemReason(error));
}

void TReplacedFile::Write(const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t done = ::write(Fd, data, static_cast<size_t>(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        if (done == 0)
            Fail(EIO);
        data += done;
        size -= done;
    }
}

void TReplacedFile::Commit()
{
    if (::fsync(Fd) != 0)
        Fail(errno);
    const int fd = Fd;
    Fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(Temporary.constData());
        throw EWriteError(Path, SystemReason(error));
    }
    if (::rename(Temporary.constData(), Target.constData()) != 0) {
        const int error = errno;
        ::unlink(Temporary.constData());
        throw EWriteError(Path, SystemReason(error));
    }
    TextFile::SyncFolder(QFileInfo(Path).absolutePath());
}

namespace TextFile {

TReadResult ReadLines(const QString& path, QStringList& lines)
{
    lines.clear();
    QFile file(path);
    if (!file.exists())
        return TReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return TReadResult::Unreadable;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return TReadResult::Unreadable;
    // Editors that save UTF-8 put a byte-order mark first; read as Windows-1252 it would glue
    // three letters to the first line and hide its section.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    lines = SplitLines(Win1252::Decode(bytes));
    return TReadResult::Read;
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    // The end of the last line does not start another one.
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QByteArray LinesToBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += Win1252::Encode(line) + "\r\n";
    return bytes;
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    TReplacedFile file(path);
    file.Write(bytes);
    file.Commit();
}

void WriteLines(const QString& path, const QStringList& lines)
{
    WriteBytes(path, LinesToBytes(lines));
}

void SyncFolder(const QString& folder)
{
    // A folder that cannot be opened for flushing has still taken the change; only its
    // durability across a power cut is not certain then.
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace TextFile
