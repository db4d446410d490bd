#pragma once
#include "support/FakeDialogs.h"
#include "model/uRawDiag.h"
#include "model/uStaticDiag.h"
#include "model/uStoredFaults.h"
#include <algorithm>

// A consistent diagnostic block whose encoder stored n faults: fault i (0-based) has 1000 + 10 i
// hours, status `status(i)`, 500 (i mod 4 + 1) Hz and 20 + i mod 7 degrees; the encoder has run
// 5000 hours. An erased block for n = 0.
template <class StatusOf>
TRawDiag::TData FaultBlock(int n, StatusOf status)
{
    TRawDiag::TData block;
    block.fill(0xFF);
    if (n == 0)
        return block;
    block[1] = 0x00;
    block[2] = uint8_t((n - 1) % 13 * 6);
    block[3] = uint8_t(n >> 8);
    block[4] = uint8_t(n);
    block[7] = 0x00;
    block[96] = 0x00;
    block[97] = 0x13;
    block[98] = 0x88;
    for (int i = std::max(0, n - 13); i < n; ++i) {
        const int hours = 1000 + 10 * i;
        uint8_t* record = &block[16 + 6 * (i % 13)];
        record[0] = uint8_t(hours >> 16);
        record[1] = uint8_t(hours >> 8);
        record[2] = uint8_t(hours);
        record[3] = uint8_t(status(i));
        record[4] = uint8_t(i % 4 + 1);
        record[5] = uint8_t(20 + i % 7);
    }
    return block;
}

inline TRawDiag::TData FaultBlock(int n)
{
    return FaultBlock(n, [](int i) { return i; });
}

// A stored-fault list decoded from such a block, as the controller wires it.
struct FaultListFixture {
    FaultListFixture()
    {
        NumOfFaults.SetRawDiag(&Raw);
        OperatingTime.SetRawDiag(&Raw);
        Faults.SetRawDiag(&Raw);
        Faults.SetNumOfFaults(&NumOfFaults);
        Faults.SetOperatingTime(&OperatingTime);
    }
    void Load(const TRawDiag::TData& block)
    {
        Raw.SetData(block);
        NumOfFaults.Execute();
        OperatingTime.Execute();
        Faults.Execute();
    }

    FakeDialogs Dialogs;
    TRawDiag Raw;
    TNumOfFaults NumOfFaults;
    TOperatingTime OperatingTime;
    TStoredFaults Faults{Dialogs};
};
