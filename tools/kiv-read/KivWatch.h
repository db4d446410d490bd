#pragma once
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "model/uEncoderModel.h"
#include "platform/Dialogs.h"
#include <QString>
#include <cstdio>
#include <optional>

// Follows an encoder from the command line: the identity once, then the live values at a fixed
// interval, each reading one CSV line of the trend's form under its header, flushed at once so a
// pipe sees it. SIGINT or SIGTERM ends it between two readings, the port closed and every line
// printed whole.
class TKivWatch {
public:
    TKivWatch(int portIndex, const QString& device, double intervalSeconds, std::optional<long> count);
    TKivWatch(const TKivWatch&) = delete;
    TKivWatch& operator=(const TKivWatch&) = delete;

    // Link errors propagate as ECommResError or ESerialBiDirError. The identity goes to err, the
    // readings to out.
    void Run(FILE* out, FILE* err);

private:
    int PortIndex;
    QString Device;
    long IntervalMs;
    std::optional<long> Count;

    TStderrDialogs Dialogs{"kiv-read"};
    TCommRes CommRes;
    TBiDirDiagProtocol Protocol;
    TEncoderModel Model{Dialogs};
};
