#pragma once
#include <QString>
#include <QStringList>
#include <memory>

class QTemporaryDir;
class TFileAccess;
class TProgramPaths;

// The files Kiv changes while it runs: the settings file, lang.lst and the language files (they
// fill themselves). They live in the program folder. When one of them cannot be read or written
// there (a read-only install, a file without permission), Kiv works on a private copy of all of
// them for this run instead, so that no write fails halfway and the user's files stay as they are.
class TWorkFiles {
public:
    TWorkFiles(const TProgramPaths& paths, const TFileAccess& access);
    ~TWorkFiles();
    TWorkFiles(const TWorkFiles&) = delete;
    TWorkFiles& operator=(const TWorkFiles&) = delete;

    // The folder that holds the files for this run.
    QString Dir() const;
    QString SettingsFile() const;
    bool IsCopy() const { return Copy != nullptr; }
    // The first file found that could not be read, or else the first that could not be written;
    // empty when the program folder is used.
    const QString& UnreadableFile() const { return Unreadable; }
    const QString& UnwritableFile() const { return Unwritable; }

    // The names of those files in a folder: the settings file of the given name, lang.lst, the
    // default language and every language lang.lst names that stays inside the folder.
    static QStringList FileNames(const QString& folder, const QString& settingsFileName);
    // Copies those of them that exist and can be read into another folder.
    static void CopyFiles(const QString& from, const QString& to, const QString& settingsFileName,
                          const TFileAccess& access);

private:
    QString ProgramDir;
    QString SettingsName;
    QString Unreadable;
    QString Unwritable;
    std::unique_ptr<QTemporaryDir> Copy;
};
