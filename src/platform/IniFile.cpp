#include "platform/IniFile.h"
#include <optional>

namespace {

struct TLines {
    QStringList Lines;
    bool Readable = true; // false when the file exists but could not be read
};

TLines LoadLines(const QString& path)
{
    TLines result;
    result.Readable = TextFile::ReadLines(path, result.Lines) != TextFile::TReadResult::Unreadable;
    return result;
}

bool IsComment(const QString& line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char(';'));
}

// The section name of a header line, or nothing when the line is no header.
std::optional<QString> SectionOf(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

// The key of an entry line, or nothing when the line is no entry.
std::optional<QString> KeyOf(const QString& line)
{
    if (IsComment(line) || SectionOf(line))
        return std::nullopt;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the first header of the section, or -1.
qsizetype FindSection(const QStringList& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i]);
        if (name && SameName(*name, section))
            return i;
    }
    return -1;
}

// One past the last line that belongs to the section whose header is at index header.
qsizetype SectionEnd(const QStringList& lines, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < lines.size() && !SectionOf(lines[i]))
        ++i;
    return i;
}

qsizetype FindKey(const QStringList& lines, qsizetype header, const QString& key)
{
    const qsizetype end = SectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto name = KeyOf(lines[i]);
        if (name && SameName(*name, key))
            return i;
    }
    return -1;
}

std::optional<QString> FindValue(const QString& path, const QString& section, const QString& key)
{
    const QStringList lines = LoadLines(path).Lines;
    const qsizetype header = FindSection(lines, section);
    if (header < 0)
        return std::nullopt;
    const qsizetype at = FindKey(lines, header, key);
    if (at < 0)
        return std::nullopt;
    return lines[at].mid(lines[at].indexOf(QLatin1Char('=')) + 1);
}

bool IsHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

TIniFile::TIniFile(const QString& fileName) : Path(fileName) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return FindValue(Path, section, key).value_or(defaultValue);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    TLines loaded = LoadLines(Path);
    // Writing over a file we could not read would throw its other entries away.
    if (!loaded.Readable)
        throw EWriteError(Path, QStringLiteral("the file cannot be read"));
    QStringList& lines = loaded.Lines;

    QString oneLine = value;
    oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = key + QLatin1Char('=') + oneLine;

    const qsizetype header = FindSection(lines, section);
    if (header < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else if (const qsizetype at = FindKey(lines, header, key); at >= 0) {
        // The key keeps its spelling as found; only the value changes.
        lines[at] = lines[at].left(lines[at].indexOf(QLatin1Char('=')) + 1) + oneLine;
    } else {
        // A new key goes after the section's last non-blank line, so the blank lines that set
        // the next section apart stay where they were.
        qsizetype insertAt = SectionEnd(lines, header);
        while (insertAt > header + 1 && lines[insertAt - 1].trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, entry);
    }

    TextFile::WriteLines(Path, lines);
}

bool TIniFile::ParseInteger(const QString& text, int32_t& value)
{
    const QString t = text.trimmed();
    if (t.size() > 2 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X")))) {
        const QString digits = t.mid(2);
        if (digits.size() > 8)
            return false;
        for (QChar c : digits)
            if (!IsHexDigit(c))
                return false;
        // Eight digits cover the whole 32 bits, so 0xFFFFFFFF is -1 as for any 32-bit integer.
        value = static_cast<int32_t>(digits.toUInt(nullptr, 16));
        return true;
    }
    qsizetype i = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? 1 : 0;
    if (i >= t.size())
        return false;
    for (; i < t.size(); ++i)
        if (!t[i].isDigit() || t[i].unicode() > 0x7F)
            return false;
    bool ok = false;
    const int parsed = t.toInt(&ok, 10);
    if (!ok)
        return false;
    value = parsed;
    return true;
}

int32_t TIniFile::ReadInteger(const QString& section, const QString& key, int32_t defaultValue) const
{
    int32_t value = defaultValue;
    const auto text = FindValue(Path, section, key);
    if (text && ParseInteger(*text, value))
        return value;
    return defaultValue;
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int32_t value)
{
    WriteString(section, key, QString::number(value));
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    const QStringList lines = LoadLines(Path).Lines;
    QStringList keys;
    const qsizetype header = FindSection(lines, section);
    if (header < 0)
        return keys;
    const qsizetype end = SectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (const auto name = KeyOf(lines[i]))
            keys << *name;
    return keys;
}

bool TIniFile::SectionExists(const QString& section) const
{
    return FindSection(LoadLines(Path).Lines, section) >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    return FindValue(Path, section, key).has_value();
}
