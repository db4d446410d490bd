#include "db/Search.h"

namespace {

bool IsWordChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9');
}

bool SameLetter(QChar a, QChar b)
{
    return a == b || a.toUpper() == b.toUpper();
}

} // namespace

bool ContainsWord(const QString& text, const QString& word)
{
    const qsizetype n = text.size();
    const qsizetype m = word.size();
    if (m == 0 || n == 0)
        return false;
    const qsizetype last = n - m;
    qsizetype i = 0;
    for (;;) {
        while (i < n && IsWordChar(text[i]))
            ++i;
        while (i < n && !IsWordChar(text[i]))
            ++i;
        if (i > last)
            return false;
        qsizetype k = 0;
        while (k < m && SameLetter(text[i + k], word[k]))
            ++k;
        if (k == m && (i + m == n || !IsWordChar(text[i + m])))
            return true;
        ++i;
    }
}
