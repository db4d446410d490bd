#pragma once
#include <QProcess>
#include <QProcessEnvironment>
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
// wrapper runs it through another program (setpriv, for example); environment adds NAME=VALUE
// variables to the test's own.
inline TRun RunProgram(const QString& name, const QStringList& args, const QStringList& wrapper = {},
                       const QStringList& environment = {})
{
    QProcess program;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : environment)
        variables.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    program.setProcessEnvironment(variables);
    const QString path = QStringLiteral(KIV_PROGRAM_DIR "/") + name;
    if (wrapper.isEmpty())
        program.start(path, args);
    else
        program.start(wrapper.first(), wrapper.mid(1) + QStringList{path} + args);
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
