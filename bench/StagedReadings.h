#pragma once
// What the import benchmarks share: many saved readings as staged lines and as CSV rows in the
// tables' column order, and the processor-time clock.
#include "db/uStagingFormat.h"
#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <sys/resource.h>

inline constexpr int FaultsPerReading = 13;

// Processor time (user and system) of this process or of its finished children, in milliseconds.
inline double CpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct TTimes {
    double Wall = 0;
    double Cpu = 0;
};

struct TStaged {
    QStringList Faults;     // staged lines, header first
    QStringList Properties;
    QByteArray FaultsCsv;   // the same rows in the tables' column order
    QByteArray PropertiesCsv;
};

inline QByteArray CsvLine(const QStringList& values)
{
    QStringList quoted;
    for (const QString& v : values)
        quoted << QLatin1Char('"') + v + QLatin1Char('"');
    return quoted.join(QLatin1Char(',')).toLatin1() + "\r\n";
}

inline TStaged MakeReadings(int readings, int encoders)
{
    TStaged s;
    s.Faults << QStringLiteral("Serialnr;FaultIndex;FaultStatus;Frequency;Optime;Temp;DateSaved");
    s.Properties << QStringLiteral("Serialnr;UnitsPerRev;OpTime;Temp;Frequency;MaxTemp;MinTemp;DateTaken");
    const QDateTime start(QDate(2025, 1, 1), QTime(8, 0, 0));
    for (int r = 0; r < readings; ++r) {
        const QString serial = QString::number(4000000 + r % encoders);
        const QString date = start.addSecs(r).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString opTime = QString::number(1000 + r);
        for (int f = 0; f < FaultsPerReading; ++f) {
            const QString index = QString::number(FaultsPerReading - f);
            const QString status = QStringLiteral("0C");
            const QString freq = QString::number(500 * (f + 1));
            const QString faultOpTime = QString::number(900 + r - f);
            const QString temp = QString::number(20 + f);
            s.Faults << FormatStagedLine({serial, index, status, freq, faultOpTime, temp, date});
            s.FaultsCsv += CsvLine({serial, index, faultOpTime, status, freq, temp, date});
        }
        const QString units = QStringLiteral("2048 ppr"), temp = QStringLiteral("23 C"), freq = QStringLiteral("1500 Hz"),
                      maxTemp = QStringLiteral("45 C"), minTemp = QStringLiteral("-12 C");
        s.Properties << FormatStagedLine({serial, units, opTime, temp, freq, maxTemp, minTemp, date});
        s.PropertiesCsv += CsvLine({serial, opTime, temp, freq, units, maxTemp, minTemp, date});
    }
    return s;
}
