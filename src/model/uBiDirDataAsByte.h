#pragma once
#include "model/uBiDirDataBase.h"

// One byte, shown and entered as hexadecimal ("$0A").
class TBiDirDataAsByte : public TBiDirDataTyped<uint8_t> {
public:
    bool Execute() override;
    QString GetAsText() const override;
    // Accepts one or two hexadecimal digits, with or without a leading "$".
    void SetAsText(const QString& text) override;
    void WriteValue(uint8_t newValue);
};
