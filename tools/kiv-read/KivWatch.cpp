#include "KivWatch.h"
#include "KivReader.h"
#include "model/uTrendRing.h"
#include <QDateTime>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>

namespace {

volatile std::sig_atomic_t StopRequested = 0;

extern "C" void RequestStop(int)
{
    StopRequested = 1;
}

// Without SA_RESTART a signal cuts the wait short; the link's own waits carry on after one.
void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Sleeps until the deadline on the monotonic clock; false when a stop signal came first.
bool WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    while (!StopRequested) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return true;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec pause{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        nanosleep(&pause, nullptr);
    }
    return false;
}

void Print(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

TKivWatch::TKivWatch(int portIndex, const QString& device, double intervalSeconds, std::optional<long> count)
    : PortIndex(portIndex), Device(device), IntervalMs(static_cast<long>(intervalSeconds * 1000 + 0.5)), Count(count)
{
    Protocol.CommRes = &CommRes;
    Model.Wire(&Protocol);
    Model.ConfigureIdentityItems();
}

void TKivWatch::Run(FILE* out, FILE* err)
{
    StopRequested = 0;
    CatchStopSignals();
    OpenEncoderLine(CommRes, PortIndex, Device);

    Model.ReadIdentity();
    Print(err, QStringLiteral("kiv-read: %1: serial number %2, part number %3, software %4, hardware %5, %6")
                   .arg(Device)
                   .arg(Model.SerialNumberItem.Value())
                   .arg(TEncoderModel::PartNumberText(Model.PartNumberItem.Value(), Model.NewPartNumberFormat()),
                        TEncoderModel::VersionText(Model.SoftwareVersionItem.Value()),
                        TEncoderModel::VersionText(Model.HardwareVersionItem.Value()),
                        TEncoderModel::UnitsPerRevText(Model.UnitsPerRevItem.Value())));
    Print(out, TrendCsv::Header());

    // Readings keep to the interval's grid; one that ran late starts the next at once.
    auto next = std::chrono::steady_clock::now();
    for (long done = 0; !Count || done < *Count; ++done) {
        if (done > 0 && !WaitUntil(next))
            break;
        next += std::chrono::milliseconds(IntervalMs);
        TTrendSample sample;
        sample.TimeMs = QDateTime::currentMSecsSinceEpoch();
        sample.FaultCount = Model.ReadLiveValues();
        sample.OpTime = Model.LiveOpTime.Value();
        sample.Freq = Model.LiveFreq.Value();
        sample.Temp = Model.LiveTemp.Value();
        Print(out, TrendCsv::Line(sample));
        if (StopRequested)
            break;
        const auto now = std::chrono::steady_clock::now();
        if (next < now)
            next = now;
    }
    CommRes.Close();
}
