#include "platform/IniFile.h"
#include <QFile>
#include <optional>

#include <QHash>
#include <optional>
#include <sys/stat.h>

// What identifies one version of a file on disk. A replaced file (a new inode), a change of its
// size or either time stamp means it must be read again.
struct TIniFile::TStamp {
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};
    timespec Changed{};

    static TStamp Of(const QString& path)
    {
        TStamp stamp;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return stamp;
        stamp.Exists = true;
        stamp.Device = st.st_dev;
        stamp.Inode = st.st_ino;
        stamp.Size = st.st_size;
        stamp.Modified = st.st_mtim;
        stamp.Changed = st.st_ctim;
        return stamp;
    }
    bool operator==(const TStamp& o) const
    {
        return Exists == o.Exists && Device == o.Device && Inode == o.Inode && Size == o.Size
            && Modified.tv_sec == o.Modified.tv_sec && Modified.tv_nsec == o.Modified.tv_nsec
            && Changed.tv_sec == o.Changed.tv_sec && Changed.tv_nsec == o.Changed.tv_nsec;
    }
};

namespace {

bool IsComment(const QString& line)
{
    for (QChar c : line) {
        if (!c.isSpace())
            return c == QLatin1Char(';');
    }
    return false;
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

QString Folded(const QString& name)
{
    return name.toCaseFolded();
}

} // namespace

// The file's lines with the places of its sections and keys, so that a look-up never scans the
// text again. Names are matched without regard to case; only the first header of a section and
// the first line of a key in it count.
struct TIniFile::TParsed {
    struct TSection {
        qsizetype Header = -1;
        qsizetype End = -1; // one past its last line
        QHash<QString, qsizetype> Keys;
        QStringList KeyNames; // in file order, as spelled
    };

    QStringList Lines;
    bool Readable = true; // false when the file exists but could not be read
    QHash<QString, TSection> Sections;

    static TParsed From(QStringList lines, bool readable)
    {
        TParsed parsed;
        parsed.Lines = std::move(lines);
        parsed.Readable = readable;
        TSection* current = nullptr;
        for (qsizetype i = 0; i < parsed.Lines.size(); ++i) {
            const QString& line = parsed.Lines[i];
            if (const auto name = SectionOf(line)) {
                if (current)
                    current->End = i;
                const QString folded = Folded(*name);
                current = nullptr;
                if (!parsed.Sections.contains(folded)) {
                    current = &parsed.Sections[folded];
                    current->Header = i;
                }
                continue;
            }
            if (!current)
                continue;
            if (const auto key = KeyOf(line)) {
                current->KeyNames << *key;
                const QString folded = Folded(*key);
                if (!current->Keys.contains(folded))
                    current->Keys.insert(folded, i);
            }
        }
        if (current)
            current->End = parsed.Lines.size();
        return parsed;
    }

    const TSection* Section(const QString& name) const
    {
        const auto it = Sections.constFind(Folded(name));
        return it == Sections.constEnd() ? nullptr : &*it;
    }

    std::optional<QString> Value(const QString& section, const QString& key) const
    {
        const TSection* s = Section(section);
        if (!s)
            return std::nullopt;
        const auto it = s->Keys.constFind(Folded(key));
        if (it == s->Keys.constEnd())
            return std::nullopt;
        const QString& line = Lines[*it];
        return line.mid(line.indexOf(QLatin1Char('=')) + 1);
    }
};

namespace {

bool IsHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

TIniFile::TIniFile(const QString& fileName) : Path(fileName) {}

TIniFile::~TIniFile() = default;

const TIniFile::TParsed& TIniFile::Parsed() const
{
    const TStamp now = TStamp::Of(Path);
    if (Cache && CacheStamp && *CacheStamp == now)
        return *Cache;
    QStringList lines;
    const bool readable = TextFile::ReadLines(Path, lines) != TextFile::TReadResult::Unreadable;
    Cache = std::make_unique<TParsed>(TParsed::From(std::move(lines), readable));
    // What could not be read is tried again next time, whatever its stamp.
    if (readable)
        CacheStamp = std::make_unique<TStamp>(now);
    else
        CacheStamp.reset();
    return *Cache;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return Parsed().Value(section, key).value_or(defaultValue);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const TParsed& loaded = Parsed();
    // Writing over a file we could not read would throw its other entries away.
    if (!loaded.Readable)
        throw EWriteError(Path, QStringLiteral("the file cannot be read"));
    QStringList lines = loaded.Lines;

    QString oneLine = value;
    oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = key + QLatin1Char('=') + oneLine;

    const TParsed::TSection* found = loaded.Section(section);
    const qsizetype at = found ? found->Keys.value(Folded(key), -1) : -1;
    if (!found) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else if (at >= 0) {
        // The key keeps its spelling as found; only the value changes.
        lines[at] = lines[at].left(lines[at].indexOf(QLatin1Char('=')) + 1) + oneLine;
    } else {
        // A new key goes after the section's last non-blank line, so the blank lines that set
        // the next section apart stay where they were.
        qsizetype insertAt = found->End;
        while (insertAt > found->Header + 1 && lines[insertAt - 1].trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, entry);
    }

    // Forget the old text before writing: should the write fail, the next read looks again.
    Cache.reset();
    CacheStamp.reset();
    TextFile::WriteLines(Path, lines);
    Cache = std::make_unique<TParsed>(TParsed::From(std::move(lines), true));
    CacheStamp = std::make_unique<TStamp>(TStamp::Of(Path));
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
    const auto text = Parsed().Value(section, key);
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
    const TParsed::TSection* found = Parsed().Section(section);
    return found ? found->KeyNames : QStringList();
}

bool TIniFile::SectionExists(const QString& section) const
{
    return Parsed().Section(section) != nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    return Parsed().Value(section, key).has_value();
}
