// ModemInit.txt on any bytes: every line of the file goes to the modem unchanged, in order, each
// ended by exactly one CR LF, whatever ended it in the file, and nothing else is sent.
#include "FuzzSupport.h"
#include "ui/uModemText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = BytesOf(data, size);
    const QByteArray sent = ModemInitCommands(file);

    // The file's lines, cut at CR LF, CR or LF, the end of the last line starting no new one.
    QByteArray expected;
    qsizetype start = 0;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n')
            continue;
        expected += file.mid(start, i - start) + "\r\n";
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < file.size())
        expected += file.mid(start) + "\r\n";
    FUZZ_CHECK(sent == expected);
    FUZZ_CHECK(sent.isEmpty() || sent.endsWith("\r\n"));
    return 0;
}
