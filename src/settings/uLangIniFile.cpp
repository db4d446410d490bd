#include "settings/uLangIniFile.h"
#include <QDir>

namespace {

const QString NoValue = QStringLiteral("NoValue");

// A value is one line, so a text with line breaks is kept with each break as the two
// characters \n.
QString ToStored(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString FromStored(QString text)
{
    return text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
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
