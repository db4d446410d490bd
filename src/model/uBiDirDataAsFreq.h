#pragma once
#include "model/uBiDirDataBase.h"
#include "model/uFreq.h"

// A frequency byte in steps of 500 Hz, held in hertz.
class TBiDirDataAsFreq : public TBiDirDataTyped<int32_t> {
public:
    bool Execute() override;
    QString GetAsText() const override;
    // Decimal hertz, 0 to 127500; written in whole steps of 500 Hz, truncated.
    void SetAsText(const QString& text) override;
    void WriteValue(int32_t newValue);

private:
    TFreq Freq;
};
