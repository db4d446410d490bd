#pragma once
#include <QString>

// Kiv is a portable folder: the program, its settings file, the language files and the
// databases sit together. Every class that touches those files is given this value; only the
// program entry asks Qt where the executable is (FromApplication).
class TProgramPaths {
public:
    TProgramPaths(const QString& programDir, const QString& programFileName);
    static TProgramPaths FromApplication();

    // The program's folder, without a trailing separator.
    const QString& Dir() const { return ProgramDir; }
    const QString& ProgramFileName() const { return FileName; }
    // A file in the program's folder.
    QString FilePath(const QString& name) const;
    // The settings file: see SettingsFileName.
    QString SettingsFile() const;

private:
    QString ProgramDir;
    QString FileName;
};

// The settings file's name for a program file: the name up to and including its first dot, then
// "ini" (my.tool.exe gives my.ini). A name without a dot gets ".ini" added (kiv gives kiv.ini).
QString SettingsFileName(const QString& programFileName);
