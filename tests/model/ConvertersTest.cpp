#include "model/uFreq.h"
#include "model/uOpTime.h"
#include "model/uTemp.h"
#include <gtest/gtest.h>

TEST(Converters, TemperatureIsOneSignedByte)
{
    const struct { uint8_t Raw; int32_t Value; } cases[] = {{0x00, 0}, {0x7F, 127}, {0x80, -128}, {0xFF, -1}, {0xF6, -10}};
    for (const auto& c : cases) {
        TTemp fromRaw;
        fromRaw.SetRaw(c.Raw);
        EXPECT_EQ(fromRaw.Value(), c.Value) << int(c.Raw);
        TTemp fromValue;
        fromValue.SetValue(c.Value);
        EXPECT_EQ(fromValue.GetRaw(), c.Raw) << c.Value;
    }
}

TEST(Converters, FrequencyIsStepsOf500Hertz)
{
    const struct { uint8_t Raw; int32_t Value; } cases[] = {{0x00, 0}, {0x03, 1500}, {0xFF, 127500}};
    for (const auto& c : cases) {
        TFreq f;
        f.SetRaw(c.Raw);
        EXPECT_EQ(f.Value(), c.Value) << int(c.Raw);
    }
    TFreq f;
    f.SetValue(1234);   // truncated toward zero
    EXPECT_EQ(f.GetRaw(), 2);
    EXPECT_EQ(f.Value(), 1234);
}

TEST(Converters, OperatingTimeInBothByteOrders)
{
    const uint8_t bytes[3] = {0x01, 0x02, 0x03};
    TOpTime msbFirst;
    msbFirst.SetBytes(bytes);
    EXPECT_EQ(msbFirst.Value(), 66051);
    TOpTime lsbFirst;
    lsbFirst.SetLsbFirst(true);
    lsbFirst.SetBytes(bytes);
    EXPECT_EQ(lsbFirst.Value(), 197121);

    msbFirst.SetValue(0x123456);
    EXPECT_EQ(msbFirst.GetBytes(), (TOpTime::TBytes{0x12, 0x34, 0x56}));
    lsbFirst.SetValue(0x123456);
    EXPECT_EQ(lsbFirst.GetBytes(), (TOpTime::TBytes{0x56, 0x34, 0x12}));

    const uint8_t erased[3] = {0xFF, 0xFF, 0xFF};
    msbFirst.SetBytes(erased);
    EXPECT_EQ(msbFirst.Value(), 0xFFFFFF);
}
