#include "db/uStagingFormat.h"
#include "platform/Win1252.h"

namespace {

constexpr qsizetype DateTextLength = 20;

// The time with seconds: the locale's long time form without its time-zone part.
QString TimeFormatWithSeconds(const QLocale& locale)
{
    const QString full = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : full) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.simplified();
}

} // namespace

QString FormatStagedLine(const TStagedValues& values)
{
    QString line;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        if (!values[i]) {
            line += QLatin1String("NULL");
            continue;
        }
        line += QLatin1Char('"');
        for (QChar c : *values[i]) {
            if (c == QLatin1Char('"'))
                line += QLatin1Char('"');
            line += c;
        }
        line += QLatin1Char('"');
    }
    return line;
}

bool ParseStagedLine(QStringView line, qsizetype count, TStagedValues& values, QString& reason)
{
    values.clear();
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        if (i < n && line[i] == QLatin1Char('"')) {
            QString text(QLatin1String(""));
            ++i;
            for (;;) {
                const qsizetype close = line.indexOf(QLatin1Char('"'), i);
                if (close < 0) {
                    reason = QStringLiteral("a value has no closing double quote");
                    return false;
                }
                text += line.mid(i, close - i);
                i = close + 1;
                if (i < n && line[i] == QLatin1Char('"')) {
                    text += QLatin1Char('"');
                    ++i;
                    continue;
                }
                break;
            }
            values.push_back(std::move(text));
        } else if (line.mid(i, 4).compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) {
            values.push_back(std::nullopt);
            i += 4;
        } else {
            reason = QStringLiteral("value %1 is neither a quoted text nor NULL").arg(values.size() + 1);
            return false;
        }
        if (i == n)
            break;
        if (line[i] != QLatin1Char(',')) {
            reason = QStringLiteral("value %1 is not followed by a comma").arg(values.size());
            return false;
        }
        ++i;
    }
    if (values.size() != count) {
        reason = QStringLiteral("%1 values where %2 are expected").arg(values.size()).arg(count);
        return false;
    }
    return true;
}

QString DateTimeText(const QDateTime& when, const QLocale& locale)
{
    const QString text = locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), TimeFormatWithSeconds(locale));
    if (text.size() <= DateTextLength && Win1252::CanEncode(text))
        return text;
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime DateTimeFromText(const QString& text, const QLocale& locale)
{
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    QDateTime when = locale.toDateTime(text, dateFormat + QLatin1Char(' ') + TimeFormatWithSeconds(locale));
    if (when.isValid() && !dateFormat.contains(QStringLiteral("yyyy")) && when.date().year() < 2000)
        when = when.addYears(100);
    if (!when.isValid())
        when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return when;
}
