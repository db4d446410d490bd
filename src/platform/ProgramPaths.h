#pragma once
#include <QString>

// What the program folder rule reads from the process environment.
struct TUserEnvironment {
    QString XdgDataHome; // $XDG_DATA_HOME; empty when unset
    QString Home;        // the user's home folder
    static TUserEnvironment FromProcess();
};

// Kiv is a portable folder: the program, its settings file, the language files and the
// databases sit together. Installed where the user cannot write (a package under /opt), the
// files Kiv writes move to a per-user folder while the program, help and pictures stay where
// they were installed. Every class that touches those files is given this value; only the
// program entry asks Qt where the executable is (FromApplication).
class TProgramPaths {
public:
    // A portable folder: Kiv writes where it is installed.
    TProgramPaths(const QString& programDir, const QString& programFileName);
    TProgramPaths(const QString& installDir, const QString& dataDir, const QString& programFileName);
    // The running program's folders, the per-user folder created and seeded on first use.
    // Throws Exception when the per-user folder cannot be made.
    static TProgramPaths FromApplication();

    // Where Kiv keeps everything it writes: the settings file, language files, lang.lst,
    // ModemInit.txt and DB/. Without a trailing separator.
    const QString& Dir() const { return DataDir; }
    // Where the program, its helpers, the help pages and the shipped language files are.
    const QString& InstallDir() const { return ProgramDir; }
    const QString& ProgramFileName() const { return FileName; }
    // A file in Dir().
    QString FilePath(const QString& name) const;
    // The settings file: see SettingsFileName.
    QString SettingsFile() const;

private:
    QString ProgramDir;
    QString DataDir;
    QString FileName;
};

// The folder Kiv writes into when installed in installDir: installDir itself when the user may
// write there, otherwise $XDG_DATA_HOME/kiv, or ~/.local/share/kiv when XDG_DATA_HOME is unset or
// not absolute (the base directory rules ignore a relative one).
QString DataDirFor(const QString& installDir, bool installDirWritable, const TUserEnvironment& env);

// Whether the current user may create files in folder.
bool IsWritableFolder(const QString& folder);

// Makes dataDir ready for use when it is not installDir: on first use it is created holding
// copies of the shipped language files (*.txt) and lang.lst of installDir. An existing folder is
// left as the user keeps it. Throws Exception when the folder cannot be made.
void PrepareDataDir(const QString& installDir, const QString& dataDir);

// The program folder a command-line tool installed in installDir reads by default: the folder
// Kiv writes into, or installDir itself while Kiv has never run for this user. Creates nothing.
QString DefaultToolFolder(const QString& installDir);

// The settings file's name for a program file: the name up to and including its first dot, then
// "ini" (my.tool.exe gives my.ini). A name without a dot gets ".ini" added (kiv gives kiv.ini).
QString SettingsFileName(const QString& programFileName);
