#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// The text of a PDF file as pdftotext reads it, pages ended by a form feed; empty when it cannot
// be read.
inline QString PdfText(const QString& path, bool keepLayout = false)
{
    QProcess p;
    QStringList args;
    if (keepLayout)
        args << QStringLiteral("-layout");
    args << path << QStringLiteral("-");
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}
