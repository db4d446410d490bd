#include "core/uUtilities.h"
#include <gtest/gtest.h>

TEST(Utilities, HexToInt)
{
    const struct {
        const char* Text;
        int32_t Value;
    } cases[] = {
        {"$1A", 26}, {"ff", 255}, {"$", 0}, {"7FFF", 32767}, {"", 0},
        {"$0000FFFF", 65535}, {"7fffffff", 0x7fffffff}, {"FFFFFFFF", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexToInt(QString::fromLatin1(c.Text)), c.Value) << c.Text;
}

TEST(Utilities, WriteWordBEPutsTheHighByteFirst)
{
    uint8_t bytes[3] = {0, 0, 0x77};
    WriteWordBE(0x1234, bytes);
    EXPECT_EQ(bytes[0], 0x12);
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(bytes[2], 0x77);
}
