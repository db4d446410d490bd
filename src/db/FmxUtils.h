#pragma once
#include "platform/Exception.h"
#include <QString>
#include <QStringList>

class TApplIniFile;
class TDataMod;
class TDialogs;

// A file that cannot be opened, created, read or written; the message names the file.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

// Copies source to destination, in chunks. A destination that is an existing folder receives the
// file under the source's name. The destination is replaced whole or not at all.
// Raises EFileError "Cannot open file %s" or "Cannot create file %s".
void CopyDataFile(const QString& source, const QString& destination);

// The 8-bit text files of the DB folder. Reading accepts CR LF, CR or LF; writing ends every line
// with CR LF and replaces the file whole or not at all (TReplacedFile), raising EWriteError.
QStringList ReadTextLines(const QString& path);
void WriteTextLines(const QString& path, const QStringList& lines);

// Puts the first copy of the local database into the remote folder of the settings, unless one is
// there already, and records in the settings that the remote database exists. copyMsg only chooses
// the language of the "already exists" message; copyErrorMsg is shown when the copy fails.
void InitRemoteDatabase(TApplIniFile& settings, TDataMod& dataMod, TDialogs& dialogs, const QString& copyMsg,
                        const QString& copyErrorMsg);
