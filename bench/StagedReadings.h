#pragma once
// What the import benchmarks share: many saved readings as staged lines and as CSV rows in the
// tables' column order, and the processor-time clock.
#include "db/uStagingFormat.h"
#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <utility>
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

// Runs one import of each side `runs` times, prints each run and the best of each side, and ends
// with the two ratios; the last line is "<ratioName>: R", R = Kiv's best time / the reference's.
template <class TRunOnce>
void ReportBestOf(int runs, const char* kivName, const char* refName, const char* ratioName, TRunOnce runOnce)
{
    TTimes kiv{1e300, 1e300}, ref{1e300, 1e300};
    for (int i = 0; i < runs; ++i) {
        const auto [k, r] = runOnce();
        std::printf("run %d: kiv %.1f ms (processor %.1f ms), reference %.1f ms (processor %.1f ms)\n", i + 1, k.Wall,
                    k.Cpu, r.Wall, r.Cpu);
        kiv = {std::min(kiv.Wall, k.Wall), std::min(kiv.Cpu, k.Cpu)};
        ref = {std::min(ref.Wall, r.Wall), std::min(ref.Cpu, r.Cpu)};
    }
    std::printf("%s: %.1f ms elapsed, %.1f ms processor\n", kivName, kiv.Wall, kiv.Cpu);
    std::printf("%s: %.1f ms elapsed, %.1f ms processor\n", refName, ref.Wall, ref.Cpu);
    std::printf("processor ratio: %.2f\n", kiv.Cpu / ref.Cpu);
    std::printf("%s: %.2f\n", ratioName, kiv.Wall / ref.Wall);
}
