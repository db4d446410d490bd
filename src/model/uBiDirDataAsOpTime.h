#pragma once
#include "model/uBiDirDataBase.h"
#include "model/uOpTime.h"

// Operating hours in three bytes, least significant byte at the item's address.
class TBiDirDataAsOpTime : public TBiDirDataTyped<int32_t> {
public:
    TBiDirDataAsOpTime();
    bool Execute() override;
    QString GetAsText() const override;
    // Decimal, 0 to 16777215.
    void SetAsText(const QString& text) override;
    void WriteValue(int32_t newValue);

private:
    TOpTime OpTime;
};
