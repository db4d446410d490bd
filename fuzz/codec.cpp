// The Windows-1252 codec: every byte string decodes and encodes back unchanged, and any text
// encodes to the byte that decodes to each character, '?' where the code page has none.
#include "FuzzSupport.h"
#include "platform/Win1252.h"
#include <QHash>

namespace {

// The byte of each character, taken from the decoding direction only.
const QHash<char16_t, char>& ByteOfCharacter()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int b = 0; b < 256; ++b)
            t.insert(Win1252::Decode(QByteArray(1, static_cast<char>(b)))[0].unicode(), static_cast<char>(b));
        return t;
    }();
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = BytesOf(data, size);
    const QString text = Win1252::Decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    FUZZ_CHECK(Win1252::CanEncode(text));
    FUZZ_CHECK(Win1252::Encode(text) == bytes);

    // The same bytes read as UTF-16 text, as a QString from anywhere else would be.
    const QString any(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    QByteArray expected;
    bool encodable = true;
    for (qsizetype i = 0; i < any.size(); ++i) {
        const char16_t c = any[i].unicode();
        const auto found = ByteOfCharacter().constFind(c);
        if (found != ByteOfCharacter().constEnd()) {
            expected += *found;
            continue;
        }
        encodable = false;
        expected += '?';
        // A pair of surrogates is one character to the reader.
        if (QChar::isHighSurrogate(c) && i + 1 < any.size() && any[i + 1].isLowSurrogate())
            ++i;
    }
    FUZZ_CHECK(Win1252::Encode(any) == expected);
    FUZZ_CHECK(Win1252::CanEncode(any) == encodable);
    if (encodable)
        FUZZ_CHECK(Win1252::Decode(expected) == any);
    return 0;
}
