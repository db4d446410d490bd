// The language file reader on any file and any default texts: a text in the file is taken from
// it, a missing one is written with its default and comes back as that default on the next start,
// a second start over the filled file reads the same texts and leaves the file as it was, and
// every text read can be filled in as a format without anything worse than a format error.
#include "FuzzSupport.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/TextFormat.h"
#include "platform/Win1252.h"
#include "settings/uLangIniFile.h"
#include <fuzzer/FuzzedDataProvider.h>
#include <QStringList>
#include <string>
#include <vector>

namespace {

const char* const Sections[] = {"TStoredFault", "KIV", "DiagManager", "Main", "StoredFaultView", "kiv"};
const char* const Keys[] = {"sFaultStatus_01", "sEEPromDataInconsistent", "lbTitleMaxTemp", "Section_0",
                            "sDBFunction",     "StoredFaultView",         "KIV",            "NoValue"};

struct TLookup {
    QString Section;
    QString Key;
    QString Default;
};

QStringList ReadAll(const std::vector<TLookup>& lookups)
{
    TLangIniFile file(FuzzFolder().path(), QStringLiteral("Fuzz"));
    QStringList texts;
    for (const TLookup& lookup : lookups)
        texts << file.ReadTextFrom(lookup.Section, lookup.Key, lookup.Default);
    return texts;
}

// What a text comes back as from the file: one line in the file's character set.
QString AsReadBack(const QString& text)
{
    return Win1252::Decode(Win1252::Encode(WithLineFeeds(text)));
}

void CheckFormat(const QString& text)
{
    try {
        const QString filled = FormatTexts(text, {QStringLiteral("12"), QStringLiteral(" 80  40 ")});
        if (!text.contains(QLatin1Char('%')))
            FUZZ_CHECK(filled == text);
    } catch (const Exception&) {
        // A translator's broken format is reported as such; nothing else may escape.
        FUZZ_CHECK(text.contains(QLatin1Char('%')));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString path = FuzzFolder().filePath(QStringLiteral("Fuzz.txt"));
    const std::string initial = input.ConsumeRandomLengthString(4096);
    WriteFileBytes(path, QByteArray(initial.data(), static_cast<qsizetype>(initial.size())));

    std::vector<TLookup> lookups;
    while (lookups.size() < 8 && input.remaining_bytes() > 0) {
        TLookup lookup{QString::fromLatin1(input.PickValueInArray(Sections)),
                       QString::fromLatin1(input.PickValueInArray(Keys)), QString()};
        const std::string raw = input.ConsumeRandomLengthString(256);
        lookup.Default = input.ConsumeBool() ? QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()))
                                             : Win1252::Decode(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())));
        lookups.push_back(lookup);
    }

    // Which texts the file lacks before the first start.
    std::vector<bool> missing;
    {
        const TIniFile plain(path);
        for (const TLookup& lookup : lookups)
            missing.push_back(plain.ReadString(lookup.Section, lookup.Key, QStringLiteral("NoValue"))
                              == QStringLiteral("NoValue"));
    }

    const QStringList first = ReadAll(lookups);
    for (size_t i = 0; i < lookups.size(); ++i) {
        // A key looked up twice in one start gets the first lookup's default written.
        bool earlier = false;
        for (size_t j = 0; j < i; ++j)
            earlier = earlier
                || (lookups[j].Section.compare(lookups[i].Section, Qt::CaseInsensitive) == 0
                    && lookups[j].Key.compare(lookups[i].Key, Qt::CaseInsensitive) == 0);
        if (missing[i] && !earlier)
            FUZZ_CHECK_TEXT(first[static_cast<qsizetype>(i)], lookups[i].Default);
        CheckFormat(first[static_cast<qsizetype>(i)]);
    }

    const QByteArray filled = ReadFileBytes(path);
    const QStringList second = ReadAll(lookups);
    FUZZ_CHECK(ReadFileBytes(path) == filled);
    for (qsizetype i = 0; i < first.size(); ++i)
        FUZZ_CHECK_TEXT(second[i], AsReadBack(first[i]));
    return 0;
}
