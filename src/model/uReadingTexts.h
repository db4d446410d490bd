#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// One stored fault as the main window's fault table shows it.
struct TFaultTexts {
    QString Index;
    QString OpTime;
    QString Status;
    QString Freq;
    QString Temp;
};

// A reading as the main window displays it: the texts a save stores. The main window fills it in
// the program, the command-line reader from the same presentation observers' texts.
struct TReadingTexts {
    QString SerialNumber;
    QString PartNumber;
    QString SoftwareVersion;
    QString HardwareVersion;
    QString UnitsPerRev;
    QString OpTime; // from the diagnostic block
    QString Temp;
    QString Freq;
    QString MaxTemp;
    QString MinTemp;
    QList<TFaultTexts> Faults; // newest first, as the table lists them

    // Fills it from the main window's components by name: label texts and the five fault lists.
    static TReadingTexts FromComponents(const std::function<QString(const QString&)>& text,
                                        const std::function<QStringList(const QString&)>& items);
};

// How a save ended. A new encoder needs an alias; one already in use is refused.
enum class TSaveOutcome { Saved, NotSaved, AliasTaken };
