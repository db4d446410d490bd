#include "db/Search.h"
#include <gtest/gtest.h>

TEST(ContainsWord, FindsWholeWordsOnly)
{
    struct Case {
        const char* Text;
        const char* Word;
        bool Found;
    };
    const Case cases[] = {
        {"\"123\",\"4\"", "123", true},           // first quoted value
        {"\"9\",\"123\"", "123", true},           // last value, match ends the text
        {"\"9\",\"123\"\r\n", "123", true},       // followed by the line break
        {"\"1234\",\"A123\"", "123", false},      // only a start, only an end of longer runs
        {"\"123A\"", "123", false},
        {"123,\"456\"", "123", false},            // the text's first word is never a candidate
        {"123,\"456\"", "456", true},
        {"Alias;Serienr\r\n\"x\",\"1\"", "Serienr", true}, // a header name after the first
        {"Alias;Serienr", "Alias", false},
        {"\"abc\"", "ABC", true},                 // letters ignore case
        {"\"x\",\"abc\"", "", false},             // empty word
        {"", "123", false},                       // empty text
        {"\"12\"", "123", false},                 // the word does not fit
        {"\"a b\",\"c\"", "a b", true},           // a word may hold separators
        {"\"x\u00e4123\"", "123", true},          // a non-ASCII letter separates words
    };
    for (const Case& c : cases)
        EXPECT_EQ(ContainsWord(QString::fromUtf8(c.Text), QString::fromUtf8(c.Word)), c.Found)
            << c.Text << " / " << c.Word;
}
