// The staging-line parser of the database import on any file: a line that parses is exactly the
// line its values format to, and any values format to one line of the file that reads back as
// those values.
#include "FuzzSupport.h"
#include "db/uStagingFormat.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"

namespace {

void CheckLine(const QString& line, qsizetype count)
{
    TStagedValues values;
    QString reason;
    if (!ParseStagedLine(line, count, values, reason)) {
        FUZZ_CHECK(!reason.isEmpty());
        return;
    }
    FUZZ_CHECK(values.size() == count);
    FUZZ_CHECK_TEXT(FormatStagedLine(values), line);
}

// The file's lines taken as values, every fourth one as no value, written the way a save
// writes them and read back the way the import reads them: the same values, each on one line.
void CheckValuesRoundTrip(const QStringList& lines)
{
    TStagedValues values;
    for (qsizetype i = 0; i < lines.size() && i < 8; ++i)
        values.push_back(i % 4 == 3 ? TStagedValue() : TStagedValue(lines[i]));
    if (values.isEmpty())
        return;
    const QByteArray written = Win1252::Encode(FormatStagedLine(values)) + "\r\n";
    const QStringList read = TextFile::SplitLines(Win1252::Decode(written));
    FUZZ_CHECK(read.size() == 1);
    TStagedValues back;
    QString reason;
    FUZZ_CHECK(ParseStagedLine(read[0], values.size(), back, reason));
    for (TStagedValue& value : values)
        if (value)
            value = TextFile::OneLine(*value);
    FUZZ_CHECK(back == values);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the number of values expected; the files hold 2, 4, 7 and 8.
    const qsizetype count = data[0] % 9;
    const QStringList lines = TextFile::SplitLines(Win1252::Decode(BytesOf(data + 1, size - 1)));
    for (const QString& line : lines)
        CheckLine(line, count);
    CheckValuesRoundTrip(lines);
    // Values with line breaks in them, as the remote database may hand them to an export.
    CheckValuesRoundTrip({Win1252::Decode(BytesOf(data + 1, size - 1))});
    return 0;
}
