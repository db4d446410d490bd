#pragma once
#include "platform/IniFile.h"
#include <QString>

// One language: the file <program folder>/<name>.txt in the ini format. It fills itself: a text
// whose key is missing is written into the file with its Swedish default and the default is used,
// so running once under a new name yields a complete file to translate.
class TLangIniFile : public TIniFile {
public:
    TLangIniFile(const QString& programDir, const QString& languageName);

    const QString& LanguageName() const { return Name; }
    void SetSection(const QString& section) { CurrentSection = section; }
    const QString& GetSection() const { return CurrentSection; }

    QString ReadText(const QString& key, const QString& defaultText);
    // A value of exactly "NoValue" counts as missing; an empty value is a text of its own.
    // A line break is stored as the two characters \n and read back as a line break.
    QString ReadTextFrom(const QString& section, const QString& key, const QString& defaultText);

    static QString DefaultLanguage() { return QStringLiteral("DefLang"); }

private:
    QString Name;
    QString CurrentSection;
};

// What every window and observer that shows texts offers the language controller. It selects
// its section, reads each text with its Swedish default and puts it where it is shown. The
// language file is only valid during the call.
class TLangClient {
public:
    virtual ~TLangClient() = default;
    virtual void UpdateLanguage(TLangIniFile* langFile) = 0;
    // Called on every client once all of them have read their texts: a window whose components
    // others fill in (the main window's column titles) fits them to the texts here.
    virtual void LanguagePassEnded() {}
};
