#pragma once
#include "platform/TextFile.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

// The ini file's write error is the one of every text file.
using EIniFileError = EWriteError;

// An ini file on disk in Windows-1252: "[Section]" lines and "Key=Value" lines below them,
// section and key names matched without regard to case, lines starting with ';' are comments.
// Each read sees the file as it is now: the file is parsed once and parsed again only when it has
// changed on disk (size, time stamps or the file itself), so an edit made while Kiv runs still
// counts. Each write changes that one key at once, replacing the file atomically and leaving every
// other line, the order and the comments as they were. A value is taken exactly as it stands after the '=' (spaces
// included). Lines may end in CR LF or LF; the file is always written with CR LF.
class TIniFile {
public:
    explicit TIniFile(const QString& fileName);
    virtual ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const QString& FileName() const { return Path; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Line breaks in the value become spaces: a value is one line and must never turn into
    // entries of its own.
    void WriteString(const QString& section, const QString& key, const QString& value);

    // Decimal, or hexadecimal after "0x"/"0X"; anything else, or a missing key, gives the default.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t defaultValue) const;
    void WriteInteger(const QString& section, const QString& key, int32_t value);

    // Read as an integer with default 0 or 1; any non-zero number is true. Written as "1" or "0".
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    void WriteBool(const QString& section, const QString& key, bool value);

    // The key names of a section in file order; empty when the section or the file is missing.
    QStringList ReadSection(const QString& section) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // The integer syntax of ReadInteger, for callers that parse setting-like text themselves.
    static bool ParseInteger(const QString& text, int32_t& value);

private:
    struct TParsed;
    struct TStamp;
    const TParsed& Parsed() const;

    QString Path;
    mutable std::unique_ptr<TParsed> Cache;
    mutable std::unique_ptr<TStamp> CacheStamp;
};
