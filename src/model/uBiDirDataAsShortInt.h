#pragma once
#include "model/uBiDirDataBase.h"

// An unsigned 16-bit value, low byte at the item's address.
class TBiDirDataAsShortInt : public TBiDirDataTyped<uint16_t> {
public:
    bool Execute() override;
    QString GetAsText() const override;
    // Decimal, 0 to 65535.
    void SetAsText(const QString& text) override;
    void WriteValue(uint16_t newValue);
};
