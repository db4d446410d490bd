#include "platform/TextFormat.h"
#include "platform/Exception.h"

namespace {

[[noreturn]] void Invalid(const QString& format)
{
    throw Exception(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}

// Reads decimal digits at pos; -1 when there are none.
int ReadNumber(const QString& format, qsizetype& pos)
{
    int value = -1;
    while (pos < format.size() && format[pos].isDigit()) {
        value = (value < 0 ? 0 : value) * 10 + format[pos].digitValue();
        if (value > 100000)
            Invalid(format);
        ++pos;
    }
    return value;
}

} // namespace

QString FormatTexts(const QString& format, const QStringList& args)
{
    QString out;
    qsizetype next = 0;
    for (qsizetype pos = 0; pos < format.size(); ++pos) {
        const QChar c = format[pos];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++pos >= format.size())
            Invalid(format);
        if (format[pos] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        qsizetype index = next;
        const qsizetype start = pos;
        int number = ReadNumber(format, pos);
        if (number >= 0 && pos < format.size() && format[pos] == QLatin1Char(':')) {
            index = number;
            ++pos;
        } else {
            pos = start; // the digits were a width, read again below
        }
        bool leftAlign = false;
        if (pos < format.size() && format[pos] == QLatin1Char('-')) {
            leftAlign = true;
            ++pos;
        }
        const int width = ReadNumber(format, pos);
        int precision = -1;
        if (pos < format.size() && format[pos] == QLatin1Char('.')) {
            ++pos;
            precision = ReadNumber(format, pos);
            if (precision < 0)
                Invalid(format);
        }
        if (pos >= format.size() || format[pos].toLower() != QLatin1Char('s'))
            Invalid(format);
        if (index >= args.size())
            throw Exception(QStringLiteral("No argument for format '%1'").arg(format));
        QString text = args[index];
        if (precision >= 0)
            text.truncate(precision);
        if (width > text.size())
            text = leftAlign ? text.leftJustified(width) : text.rightJustified(width);
        out += text;
        next = index + 1;
    }
    return out;
}
