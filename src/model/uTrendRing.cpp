#include "model/uTrendRing.h"
#include "platform/Exception.h"
#include "platform/TextFile.h"
#include <QDateTime>

TTrendRing::TTrendRing(size_t capacity, int64_t spanMs) : Cap(capacity > 0 ? capacity : 1), Span(spanMs) {}

void TTrendRing::Add(const TTrendSample& sample)
{
    if (Storage.empty())
        Storage.resize(Cap);
    if (Count == Cap) {
        Storage[Head] = sample;
        Head = (Head + 1) % Cap;
    } else {
        Storage[(Head + Count) % Cap] = sample;
        ++Count;
    }
    while (Count > 1 && Storage[Head].TimeMs < sample.TimeMs - Span) {
        Head = (Head + 1) % Cap;
        --Count;
    }
}

void TTrendRing::Clear()
{
    Head = 0;
    Count = 0;
}

const TTrendSample& TTrendRing::At(size_t position) const
{
    if (position >= Count)
        throw Exception(QStringLiteral("No trend sample %1 of %2").arg(position).arg(Count));
    return Storage[(Head + position) % Cap];
}

std::vector<TTrendSample> TTrendRing::Samples() const
{
    std::vector<TTrendSample> samples;
    samples.reserve(Count);
    for (size_t i = 0; i < Count; ++i)
        samples.push_back(At(i));
    return samples;
}

namespace TrendCsv {

QString Header()
{
    return QStringLiteral("time,operating_time_h,frequency_hz,temperature_c,fault_count");
}

QString Line(const TTrendSample& sample)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(sample.TimeMs);
    // With the offset written out, a file read in another time zone still means the same moment.
    const QString time = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(time)
        .arg(sample.OpTime)
        .arg(sample.Freq)
        .arg(sample.Temp)
        .arg(sample.FaultCount);
}

QStringList Lines(const std::vector<TTrendSample>& samples)
{
    QStringList lines{Header()};
    for (const TTrendSample& sample : samples)
        lines << Line(sample);
    return lines;
}

void Write(const QString& path, const std::vector<TTrendSample>& samples)
{
    TextFile::WriteLines(path, Lines(samples));
}

} // namespace TrendCsv
