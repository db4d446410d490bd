// The modem answer reader on any bytes in any number of polls: the text shown is what arrived up
// to each poll's first zero byte, in order, with every line end (also one split between two
// polls) shown as one line feed, and no carriage return left.
//
// Input: polls, each a length byte followed by that many bytes.
#include "FuzzSupport.h"
#include "platform/Win1252.h"
#include "ui/uModemText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TModemAnswer answer;
    QByteArray arrived;
    size_t at = 0;
    while (at < size) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        const QByteArray poll = BytesOf(data + at + 1, length);
        at += 1 + length;
        const qsizetype zero = poll.indexOf('\0');
        const QByteArray text = zero < 0 ? poll : poll.left(zero);
        FUZZ_CHECK(answer.Append(poll) == !text.isEmpty());
        arrived += text;

        const QString shown = answer.Shown();
        FUZZ_CHECK(!shown.contains(QLatin1Char('\r')));
        FUZZ_CHECK(shown == WithLineFeeds(Win1252::Decode(arrived)));
        // All of it in one poll shows the same.
        TModemAnswer whole;
        whole.Append(arrived);
        FUZZ_CHECK(whole.Shown() == shown);
    }
    return 0;
}
