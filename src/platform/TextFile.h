#pragma once
#include "platform/Exception.h"
#include <QByteArray>
#include <QString>
#include <QStringList>

// Raised when the file system refuses to write a file; the message is "Cannot write file ",
// the file's path and the system's reason.
class EWriteError : public Exception {
public:
    EWriteError(const QString& path, const QString& reason);
};

// A file replaced whole or not at all. The new content goes into a temporary file beside it;
// Commit flushes it to the disk, renames it over the file and flushes the folder, so neither a
// full disk nor a crash nor a power cut can leave a shortened file in its place. Every failure
// leaves the old file as it was and raises EWriteError with the system's reason; nothing is ever
// written straight into the file. Without Commit the temporary file is removed.
class TReplacedFile {
public:
    explicit TReplacedFile(const QString& path);
    ~TReplacedFile();
    TReplacedFile(const TReplacedFile&) = delete;
    TReplacedFile& operator=(const TReplacedFile&) = delete;

    void Write(const char* data, qint64 size);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    void Commit();

private:
    [[noreturn]] void Fail(int error);

    QString Path;
    QByteArray Target;
    QByteArray Temporary;
    int Fd = -1;
};

// Text files of Kiv are Windows-1252 lines. Reading accepts CR, LF or CR LF as a line end and
// passes over a leading UTF-8 byte-order mark; writing ends every line, the last one too, with
// CR LF, and writes no mark.
namespace TextFile {

enum class TReadResult { Read, Missing, Unreadable };

// The lines of a file; Missing and Unreadable leave lines empty.
TReadResult ReadLines(const QString& path, QStringList& lines);

QStringList SplitLines(const QString& text);

QByteArray LinesToBytes(const QStringList& lines);

// Replaces the file as a whole (TReplacedFile).
void WriteLines(const QString& path, const QStringList& lines);
void WriteBytes(const QString& path, const QByteArray& bytes);

// Flushes a folder's entries (a rename or a removal) to the disk.
void SyncFolder(const QString& folder);

} // namespace TextFile
