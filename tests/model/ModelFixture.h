#pragma once
#include "EncoderSim.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "core/uObserver.h"
#include <gtest/gtest.h>
#include <vector>

// The real link on a pseudo-terminal, talking to the simulated encoder.
class SimLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Comm.SetPortDevice(0, QString::fromStdString(Sim.Start()));
        Comm.SetComPort(QStringLiteral("COM1"));
        Comm.Open();
        Protocol.CommRes = &Comm;
    }
    void TearDown() override
    {
        Comm.Close();
        Sim.Stop();
    }

    // Commands of the requests logged since the last ClearLog, with their addresses.
    std::vector<std::pair<uint8_t, uint16_t>> Requests() const
    {
        std::vector<std::pair<uint8_t, uint16_t>> out;
        for (const auto& frame : Sim.RequestLog())
            out.emplace_back(frame[1], static_cast<uint16_t>(frame[2] << 8 | frame[3]));
        return out;
    }

    TEncoderSim Sim;
    TCommRes Comm;
    TBiDirDiagProtocol Protocol;
};

// Counts the notifications of the subjects it is attached to.
class CountingObserver : public TObserver {
public:
    CountingObserver() { SetActive(true); }
    void Update(TSubject* subject, int32_t code) override
    {
        Subjects.push_back(subject);
        Codes.push_back(code);
    }
    int Count() const { return static_cast<int>(Codes.size()); }
    void Clear()
    {
        Subjects.clear();
        Codes.clear();
    }

    std::vector<TSubject*> Subjects;
    std::vector<int32_t> Codes;
};
