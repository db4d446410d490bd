#include "settings/uLangIniFile.h"
#include <QDir>

namespace {

const QString NoValue = QStringLiteral("NoValue");

// A value is one line, so a text keeps each line break as the two characters \n, and a backslash
// of its own as \\ so that it never reads back as part of a line break.
QString ToStored(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

// Any other backslash, as a translator may well write one, stays as it is.
QString FromStored(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] == QLatin1Char('\\') && next == QLatin1Char('n')) {
            out += QLatin1Char('\n');
            ++i;
        } else if (text[i] == QLatin1Char('\\') && next == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

TLangIniFile::TLangIniFile(const QString& programDir, const QString& languageName)
    : TIniFile(QDir(programDir).filePath(languageName + QStringLiteral(".txt"))), Name(languageName)
{
}

QString TLangIniFile::ReadText(const QString& key, const QString& defaultText)
{
    return ReadTextFrom(CurrentSection, key, defaultText);
}

QString TLangIniFile::ReadTextFrom(const QString& section, const QString& key, const QString& defaultText)
{
    const QString value = ReadString(section, key, NoValue);
    if (value != NoValue)
        return FromStored(value);
    WriteString(section, key, ToStored(defaultText));
    return defaultText;
}

TPortErrorTexts ReadPortErrorTexts(TLangIniFile& langFile)
{
    TPortErrorTexts texts;
    texts.Read([&langFile](const QString& key, const QString& defaultText) {
        return langFile.ReadTextFrom(QStringLiteral("SerialPort"), key, defaultText);
    });
    return texts;
}
