// A full single update (identity and diagnostic block) against the simulated encoder, paced as a
// real line at 9600 baud with a 1 ms turnaround, compared with the time the wire itself needs for
// the same exchanges. Then the processor time per exchange against an unpaced simulator, and the
// same paced update through a serial device server (ser2net, raw TCP) on the loopback.

#include "EncoderSim.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "model/uEncoderModel.h"
#include "platform/Dialogs.h"
#include "platform/NetSerialDevice.h"
#include "support/DeviceServer.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr unsigned Baud = 9600;
constexpr unsigned TurnaroundMs = 1;
constexpr int PacedRuns = 7;
constexpr int UnpacedRuns = 20;

// The real device, counting what crosses the line: every request is sent in one write.
class TCountingDevice : public TSerialDevice {
public:
    size_t BytesWritten = 0;
    size_t BytesRead = 0;
    size_t Writes = 0;

    int Open(const QString& path) override { return Device.Open(path); }
    int Close() override { return Device.Close(); }
    bool IsOpen() const override { return Device.IsOpen(); }
    int GetLineSettings(termios& settings) override { return Device.GetLineSettings(settings); }
    int SetLineSettings(const termios& settings) override { return Device.SetLineSettings(settings); }
    int SetTimeouts(uint32_t readMs, uint32_t writeMs) override { return Device.SetTimeouts(readMs, writeMs); }
    TTransfer Read(uint8_t* buffer, size_t count) override
    {
        const TTransfer result = Device.Read(buffer, count);
        BytesRead += result.Moved;
        return result;
    }
    TTransfer Write(const uint8_t* buffer, size_t count) override
    {
        const TTransfer result = Device.Write(buffer, count);
        BytesWritten += result.Moved;
        ++Writes;
        return result;
    }
    int Purge() override { return Device.Purge(); }
    int ClearErrors(uint32_t& bytesWaiting) override { return Device.ClearErrors(bytesWaiting); }

    void Reset() { BytesWritten = BytesRead = Writes = 0; }

private:
    TAnySerialDevice Device;
};

double Seconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string image = std::string(KIV_SIM_IMAGES) + "/healthy.txt";

    TEncoderSim sim;
    try {
        sim.LoadImage(image);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiv-bench-link: %s\n", e.what());
        return 1;
    }
    const QString device = QString::fromStdString(sim.Start());

    auto counting = std::make_unique<TCountingDevice>();
    TCountingDevice& line = *counting;
    TCommRes comm(std::move(counting));
    TBiDirDiagProtocol protocol;
    TStderrDialogs dialogs;
    TEncoderModel model(dialogs);
    try {
        comm.SetPortDevice(0, device);
        comm.SetComPort(QStringLiteral("COM1"));
        comm.Open();
        comm.SetBaudRate(Baud);
        comm.SetDataBits(8);
        comm.SetParity(cpNone);
        comm.SetStopBits(sbOne);
        protocol.CommRes = &comm;
        model.Wire(&protocol);
        model.ConfigureIdentityItems();

        auto singleUpdate = [&] {
            model.ReadIdentity();
            model.ReadDiagnostics();
        };

        // Best and limit of the paced update on the line as it is open now; 0 when the simulator
        // and the line disagree on what was sent.
        auto pacedUpdate = [&](double& limit) -> double {
            sim.SetPacing(Baud, TurnaroundMs);
            singleUpdate(); // warm-up: page faults, first round trips
            std::vector<double> elapsed;
            size_t exchanges = 0, bytes = 0;
            for (int run = 0; run < PacedRuns; ++run) {
                line.Reset();
                const size_t requestsBefore = sim.RequestCount();
                const auto start = std::chrono::steady_clock::now();
                singleUpdate();
                const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
                elapsed.push_back(took.count());
                exchanges = line.Writes;
                bytes = line.BytesWritten + line.BytesRead;
                if (sim.RequestCount() - requestsBefore != exchanges) {
                    std::fprintf(stderr, "kiv-bench-link: the simulator saw %zu requests, the line sent %zu\n",
                                 sim.RequestCount() - requestsBefore, exchanges);
                    return 0;
                }
                std::printf("  run %d: %.1f ms\n", run + 1, took.count() * 1e3);
            }
            limit = static_cast<double>(bytes) * 10.0 / Baud + static_cast<double>(exchanges) * TurnaroundMs * 1e-3;
            const double best = *std::min_element(elapsed.begin(), elapsed.end());
            std::printf("exchanges per update: %zu (%zu bytes on the line: %zu sent, %zu received)\n", exchanges,
                        bytes, line.BytesWritten, line.BytesRead);
            std::printf("measured: best %.1f ms, median %.1f ms over %d runs\n", best * 1e3, Median(elapsed) * 1e3,
                        PacedRuns);
            std::printf("wire-time limit: %.1f ms (10 bits per byte at %u baud, plus %u ms per exchange)\n",
                        limit * 1e3, Baud, TurnaroundMs);
            return best;
        };

        std::printf("Full single update (identity and diagnostic block), simulator paced at %u baud, "
                    "%u ms turnaround\n", Baud, TurnaroundMs);
        double limit = 0;
        const double best = pacedUpdate(limit);
        if (best == 0)
            return 1;

        sim.SetPacing(0, 0);
        singleUpdate();
        line.Reset();
        const double threadStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
        const double processStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto wallStart = std::chrono::steady_clock::now();
        for (int run = 0; run < UnpacedRuns; ++run)
            singleUpdate();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        const double threadCpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - threadStart;
        const double processCpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
        const double n = static_cast<double>(line.Writes);
        std::printf("unpaced simulator, %d updates, %zu exchanges: %.1f us elapsed per exchange; processor time "
                    "per exchange %.1f us for the link, %.1f us with the simulator\n",
                    UnpacedRuns, line.Writes, wall.count() / n * 1e6, threadCpu / n * 1e6, processCpu / n * 1e6);

        // The same update through a device server on the loopback: what the network path costs
        // is Kiv's and the server's share, the wire time stays the same.
        comm.Close();
        TDeviceServer server;
        if (!server.Start(device, TDeviceServer::TMode::Raw)) {
            std::fprintf(stderr, "kiv-bench-link: %s\n", qPrintable(server.Error));
            return 1;
        }
        comm.SetPortDevice(0, server.Address(TDeviceServer::TMode::Raw));
        comm.Open();
        std::printf("The same update through ser2net (raw TCP) on the loopback\n");
        double networkLimit = 0;
        const double networkBest = pacedUpdate(networkLimit);
        comm.Close();
        if (networkBest == 0)
            return 1;
        if (dialogs.MessagesShown != 0)
            std::printf("warning: the diagnostic block was reported inconsistent\n");
        std::printf("network link efficiency: %.3f\n", networkLimit / networkBest);
        // The best run is the one least disturbed by whatever else the machine is doing.
        std::printf("link efficiency: %.3f\n", limit / best);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiv-bench-link: %s\n", e.what());
        return 1;
    }
    return 0;
}
