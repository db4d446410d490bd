#pragma once
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

// One reading of the live values, as the trend keeps it.
struct TTrendSample {
    int64_t TimeMs = 0;       // milliseconds since 1970-01-01 UTC
    int32_t OpTime = 0;       // hours
    int32_t Freq = 0;         // hertz
    int32_t Temp = 0;         // degrees Celsius
    int32_t FaultCount = 0;   // faults the encoder has stored in all
    // The count is higher than at the sample before: a fault was stored in between.
    bool FaultCountGrew = false;

    bool SameValues(const TTrendSample& other) const
    {
        return OpTime == other.OpTime && Freq == other.Freq && Temp == other.Temp && FaultCount == other.FaultCount;
    }
};

// The samples of the last hour, oldest first, in storage of a fixed size: a sample older than the
// span before the newest one is dropped, and so is the oldest when the storage is full. The
// capacity covers an hour at the shortest update interval, so memory stays bounded whatever runs.
class TTrendRing {
public:
    static constexpr int64_t DefaultSpanMs = 3600 * 1000;
    static constexpr size_t DefaultCapacity = 36000; // an hour of 0.1 s updates

    explicit TTrendRing(size_t capacity = DefaultCapacity, int64_t spanMs = DefaultSpanMs);

    void Add(const TTrendSample& sample);
    void Clear();

    size_t Size() const { return Count; }
    bool Empty() const { return Count == 0; }
    size_t Capacity() const { return Cap; }
    int64_t SpanMs() const { return Span; }
    // Position 0 is the oldest sample.
    const TTrendSample& At(size_t position) const;
    const TTrendSample& Newest() const { return At(Count - 1); }
    std::vector<TTrendSample> Samples() const;

private:
    size_t Cap;
    int64_t Span;
    std::vector<TTrendSample> Storage; // allocated with the first sample
    size_t Head = 0;                   // the oldest sample's slot
    size_t Count = 0;
};

// The samples as comma-separated lines under a header line: the local time in ISO 8601 with its
// offset from UTC, then the operating time, frequency, temperature and fault count as numbers.
// The trend's export and the command-line reader's watch write the same lines.
namespace TrendCsv {
QString Header();
QString Line(const TTrendSample& sample);
QStringList Lines(const std::vector<TTrendSample>& samples);
// Replaces the file as a whole; raises EWriteError when it cannot be written.
void Write(const QString& path, const std::vector<TTrendSample>& samples);
} // namespace TrendCsv
