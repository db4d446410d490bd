#include "platform/Exception.h"
#include "platform/TextFormat.h"
#include <gtest/gtest.h>

TEST(TextFormat, FillsPlaceholdersInOrderByNumberWidthAndPrecision)
{
    const QStringList args{"5", " 30 "};
    const struct {
        const char* Format;
        const char* Expected;
    } cases[] = {
        {"Index %s, Felstatus: %s", "Index 5, Felstatus:  30 "},
        {"%1:s before %0:s", " 30  before 5"},
        {"%1:s%0:s%s", " 30 5 30 "}, // an unnumbered one goes on after the last numbered
        {"[%3s][%-5s]", "[  5][ 30  ]"},
        {"[%1:.2s]", "[ 3]"},
        {"%S only", "5 only"},
        {"100%% of %s", "100% of 5"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        EXPECT_EQ(FormatTexts(c.Format, args), c.Expected);
    }
}

TEST(TextFormat, RefusesWhatItCannotFill)
{
    for (const char* format : {"%s %s %s", "%d", "%2:s", "trailing %", "%.s", "%x"}) {
        SCOPED_TRACE(format);
        EXPECT_THROW(FormatTexts(format, {"a", "b"}), Exception);
    }
}
