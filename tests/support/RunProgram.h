#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// What a program of the build printed and how it ended; ExitCode -1 when it did not end
// normally within 30 s.
struct TRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

// Runs one of the built programs (kiv-read, kiv-db, ...) from the build's program folder.
inline TRun RunProgram(const QString& name, const QStringList& args)
{
    QProcess program;
    program.start(QStringLiteral(KIV_PROGRAM_DIR "/") + name, args);
    TRun run;
    if (!program.waitForFinished(30000) || program.exitStatus() != QProcess::NormalExit) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.ExitCode = program.exitCode();
    run.Out = QString::fromUtf8(program.readAllStandardOutput());
    run.Err = QString::fromUtf8(program.readAllStandardError());
    return run;
}
