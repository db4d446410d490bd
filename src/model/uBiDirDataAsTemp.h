#pragma once
#include "model/uBiDirDataBase.h"
#include "model/uTemp.h"

// A temperature byte in degrees Celsius.
class TBiDirDataAsTemp : public TBiDirDataTyped<int32_t> {
public:
    bool Execute() override;
    QString GetAsText() const override;
    // Decimal, -128 to 127.
    void SetAsText(const QString& text) override;
    void WriteValue(int32_t newValue);

private:
    TTemp Temp;
};
