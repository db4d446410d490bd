#pragma once
#include "platform/Exception.h"
#include <QString>
#include <QStringList>

// Raised when the file system refuses to write a file; the message is "Unable to write to "
// followed by the file's path.
class EWriteError : public Exception {
public:
    explicit EWriteError(const QString& path);
};

// Text files of Kiv are Windows-1252 lines. Reading accepts CR, LF or CR LF as a line end;
// writing ends every line, the last one too, with CR LF.
namespace TextFile {

enum class TReadResult { Read, Missing, Unreadable };

// The lines of a file; Missing and Unreadable leave lines empty.
TReadResult ReadLines(const QString& path, QStringList& lines);

QStringList SplitLines(const QString& text);

// The text with each line break (CR LF, CR or LF) as one blank: a value kept in a line must
// never end that line and start entries of its own.
QString OneLine(const QString& text);

// Replaces the file as a whole, so a crash never leaves half a file behind.
void WriteLines(const QString& path, const QStringList& lines);

} // namespace TextFile
