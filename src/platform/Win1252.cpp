#include "platform/Win1252.h"

namespace {

// Code points of bytes 0x80-0x9F; the undefined bytes keep their own value.
constexpr char16_t HighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte for a character, or -1 when the code page has none.
int ByteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (HighTable[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace

namespace Win1252 {

QString Decode(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b <= 0x9F) ? QChar(HighTable[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray Encode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // A character outside the basic plane is a surrogate pair here but one character to the
        // reader, so it becomes a single '?'.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const int b = ByteOf(c);
        bytes.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return bytes;
}

bool CanEncode(const QString& text)
{
    for (QChar c : text)
        if (ByteOf(c.unicode()) < 0)
            return false;
    return true;
}

} // namespace Win1252
