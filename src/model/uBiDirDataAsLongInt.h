#pragma once
#include "model/uBiDirDataBase.h"

// A signed 32-bit value, lowest byte at the item's address.
class TBiDirDataAsLongInt : public TBiDirDataTyped<int32_t> {
public:
    bool Execute() override;
    QString GetAsText() const override;
    // Decimal, within the signed 32-bit range.
    void SetAsText(const QString& text) override;
    void WriteValue(int32_t newValue);
};
