// The settings file reader and writer on any file and any values: a write changes only its own
// key (or adds it, with its section when that is missing), what was written reads back, and no
// value, whatever it holds, can become a line, a section or a key of its own.
#include "FuzzSupport.h"
#include "platform/IniFile.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"
#include <fuzzer/FuzzedDataProvider.h>
#include <QStringList>
#include <map>
#include <string>

namespace {

// The names Kiv uses, some in other spellings: the program writes its own names only, but a file
// edited by hand may spell them any way.
const char* const Sections[] = {"Application", "SerialCommunication", "KIV", "application", "SERIALCOMMUNICATION"};
const char* const Keys[] = {"ComPort",    "COM1Device", "TelephoneNumber", "RemoteDBDir",     "LangIndex",
                            "UseModem",   "DBIniValue", "HomePage",        "DiagManagerLeft", "KIVWindowState",
                            "comport",    "LANGINDEX"};

QStringList LinesOf(const QString& path)
{
    return TextFile::SplitLines(Win1252::Decode(ReadFileBytes(path)));
}

// Every value the names above can see, keyed by lower-case section and key; names that differ
// only in case are read once.
std::map<std::string, QString> Snapshot(const TIniFile& ini)
{
    std::map<std::string, QString> values;
    for (const char* section : Sections)
        for (const char* key : Keys) {
            const std::string name = QStringLiteral("%1/%2").arg(section, key).toLower().toStdString();
            if (!values.count(name))
                values[name] = ini.ReadString(section, key, QStringLiteral("<none>"));
        }
    return values;
}

QString AsStored(const QString& value)
{
    return Win1252::Decode(Win1252::Encode(TextFile::OneLine(value)));
}

// The file after a write differs from the file before it in exactly the written entry.
void CheckOnlyEntryChanged(const QStringList& before, const QStringList& after, const QString& section,
                           const QString& key, const QString& stored)
{
    const QString entry = key + QLatin1Char('=') + stored;
    if (after.size() == before.size()) {
        int changed = 0;
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (after[i] == before[i])
                continue;
            ++changed;
            const QString name = before[i].left(before[i].indexOf(QLatin1Char('=')));
            FUZZ_CHECK(name.trimmed().compare(key, Qt::CaseInsensitive) == 0);
            FUZZ_CHECK(after[i] == name + QLatin1Char('=') + stored);
        }
        FUZZ_CHECK(changed <= 1);
    } else if (after.size() == before.size() + 1) {
        qsizetype at = 0;
        while (at < before.size() && before[at] == after[at])
            ++at;
        FUZZ_CHECK(after[at] == entry);
        for (qsizetype i = at; i < before.size(); ++i)
            FUZZ_CHECK(after[i + 1] == before[i]);
    } else {
        FUZZ_CHECK(after.size() == before.size() + 2);
        FUZZ_CHECK(after.mid(0, before.size()) == before);
        FUZZ_CHECK(after[before.size()] == QLatin1Char('[') + section + QLatin1Char(']'));
        FUZZ_CHECK(after[before.size() + 1] == entry);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString path = FuzzFolder().filePath(QStringLiteral("kiv.ini"));
    const std::string initial = input.ConsumeRandomLengthString(4096);
    WriteFileBytes(path, QByteArray(initial.data(), static_cast<qsizetype>(initial.size())));
    TIniFile ini(path);

    std::map<std::string, QString> expected = Snapshot(ini);
    for (int step = 0; step < 6 && input.remaining_bytes() > 0; ++step) {
        const QString section = QString::fromLatin1(input.PickValueInArray(Sections));
        const QString key = QString::fromLatin1(input.PickValueInArray(Keys));
        const int kind = input.ConsumeIntegralInRange(0, 2);
        const QStringList linesBefore = LinesOf(path);

        QString stored;
        if (kind == 0) {
            const std::string raw = input.ConsumeRandomLengthString(512);
            // Values come from the user as text, so any UTF-16, not only what the file can hold.
            const QString value = input.ConsumeBool()
                ? QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()))
                : Win1252::Decode(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())));
            ini.WriteString(section, key, value);
            stored = AsStored(value);
            FUZZ_CHECK(ini.ReadString(section, key, QStringLiteral("<none>")) == stored);
        } else if (kind == 1) {
            const int32_t value = input.ConsumeIntegral<int32_t>();
            ini.WriteInteger(section, key, value);
            stored = QString::number(value);
            FUZZ_CHECK(ini.ReadInteger(section, key, value == 0 ? 1 : 0) == value);
        } else {
            const bool value = input.ConsumeBool();
            ini.WriteBool(section, key, value);
            stored = value ? QStringLiteral("1") : QStringLiteral("0");
            FUZZ_CHECK(ini.ReadBool(section, key, !value) == value);
        }

        // Files are always written with CR LF after every line.
        const QByteArray bytes = ReadFileBytes(path);
        const QStringList linesAfter = TextFile::SplitLines(Win1252::Decode(bytes));
        FUZZ_CHECK(bytes == Win1252::Encode(linesAfter.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
        CheckOnlyEntryChanged(linesBefore, linesAfter, section, key, stored);

        // Every other entry reads as before; the written one, under any spelling, as written.
        for (auto& [seen, value] : expected)
            if (QString::fromStdString(seen).endsWith(QLatin1Char('/') + key.toLower())
                && QString::fromStdString(seen).startsWith(section.toLower() + QLatin1Char('/')))
                value = stored;
        FUZZ_CHECK(Snapshot(ini) == expected);
        FUZZ_CHECK(ini.ReadSection(section).contains(key, Qt::CaseInsensitive));
    }
    return 0;
}
