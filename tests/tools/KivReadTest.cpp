// kiv-read run as a program against the simulated encoder.

#include "EncoderSim.h"
#include "support/RunProgram.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>

namespace {

const std::string ImageDir = std::string(KIV_SOURCE_DIR) + "/tools/encoder-sim/images/";

TRun RunKivRead(const QStringList& args)
{
    return RunProgram(QStringLiteral("kiv-read"), args);
}

QJsonObject JsonOf(const TRun& run)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(run.Out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.Out.toStdString();
    return doc.object();
}

// Texts as std::string, so that a failing comparison prints them readably.
std::string Text(const QJsonObject& json, const char* key)
{
    return json.value(QLatin1String(key)).toString().toStdString();
}

std::string At(const QJsonObject& json, const char* group, const char* key)
{
    return Text(json.value(QLatin1String(group)).toObject(), key);
}

std::vector<std::string> DescriptionOf(const QJsonObject& fault)
{
    std::vector<std::string> lines;
    for (const QJsonValue& line : fault.value(QLatin1String("description")).toArray())
        lines.push_back(line.toString().toStdString());
    return lines;
}

QJsonArray FaultsOf(const QJsonObject& json)
{
    return json.value(QLatin1String("diagnostics")).toObject().value(QLatin1String("faults")).toArray();
}

bool ConsistentOf(const QJsonObject& json)
{
    return json.value(QLatin1String("diagnostics")).toObject().value(QLatin1String("consistent")).toBool(false);
}

class KivReadTest : public ::testing::Test {
protected:
    void SetUp() override { Device = QString::fromStdString(Sim.Start()); }

    TEncoderSim Sim;
    QString Device;
};

TEST_F(KivReadTest, HealthyEncoderAsTheMainWindowShowsIt)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    const TRun run = RunKivRead({"--device", Device, "--json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
    const QJsonObject json = JsonOf(run);

    EXPECT_EQ(Text(json, "device"), Device.toStdString());
    EXPECT_EQ(Text(json, "checksum"), "chained");
    EXPECT_EQ(At(json, "identity", "partNumber"), "405123-07");
    EXPECT_EQ(At(json, "identity", "serialNumber"), "1234567");
    EXPECT_EQ(At(json, "identity", "softwareVersion"), "2.1");
    EXPECT_EQ(At(json, "identity", "hardwareVersion"), "1.2");
    EXPECT_EQ(At(json, "identity", "unitsPerRevolution"), "2048 ppr");
    EXPECT_EQ(At(json, "live", "operatingTime"), "12345 h");
    EXPECT_EQ(At(json, "live", "frequency"), "10000 Hz");
    EXPECT_EQ(At(json, "live", "temperature"), "36 °C");
    EXPECT_EQ(At(json, "diagnostics", "numberOfFaults"), "14");
    EXPECT_EQ(At(json, "diagnostics", "maxTemp"), "74 °C");
    EXPECT_EQ(At(json, "diagnostics", "minTemp"), "-15 °C");
    EXPECT_EQ(At(json, "diagnostics", "operatingTime"), "12345");
    EXPECT_TRUE(ConsistentOf(json));

    const QJsonArray faults = FaultsOf(json);
    ASSERT_EQ(faults.size(), 13);
    const QJsonObject newest = faults[0].toObject();
    EXPECT_EQ(Text(newest, "index"), "14");
    EXPECT_EQ(Text(newest, "operatingTime"), "12011");
    EXPECT_EQ(Text(newest, "status"), "80");
    EXPECT_EQ(Text(newest, "frequency"), "9500");
    EXPECT_EQ(Text(newest, "temperature"), "39");
    EXPECT_EQ(DescriptionOf(newest),
              std::vector<std::string>{"Extern nollpulssignal är ej lika med intern nollpulsignal."});
    // Fault 10 has status 31: the interruption replaces both division texts, then bit 0 follows.
    const QJsonObject fault10 = faults[4].toObject();
    EXPECT_EQ(Text(fault10, "index"), "10");
    EXPECT_EQ(DescriptionOf(fault10), (std::vector<std::string>{"Avbrott i ledenhet.", "Används ej."}));
    EXPECT_EQ(Text(faults[12].toObject(), "index"), "2");
    EXPECT_EQ(Text(faults[12].toObject(), "temperature"), "41");
}

// Erased memory reads as nothing stored; with software 2.1 the lowest temperature is taken as
// it stands, so the erased byte shows as -1. A live value of 0 is still shown, not "-".
TEST_F(KivReadTest, ErasedEncoderHasNoFaultsAndAConsistentBlock)
{
    Sim.LoadImage(ImageDir + "erased.txt");
    const TRun run = RunKivRead({"--device", Device, "--json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
    const QJsonObject json = JsonOf(run);

    EXPECT_EQ(At(json, "identity", "partNumber"), "-1");
    EXPECT_EQ(At(json, "identity", "softwareVersion"), "2.1");
    EXPECT_EQ(At(json, "diagnostics", "numberOfFaults"), "0");
    EXPECT_EQ(At(json, "diagnostics", "operatingTime"), "0");
    EXPECT_EQ(At(json, "diagnostics", "maxTemp"), "0 °C");
    EXPECT_EQ(At(json, "diagnostics", "minTemp"), "-1 °C");
    EXPECT_EQ(At(json, "live", "frequency"), "0 Hz");
    EXPECT_EQ(At(json, "live", "operatingTime"), "0 h");
    EXPECT_TRUE(FaultsOf(json).isEmpty());
    EXPECT_TRUE(ConsistentOf(json));
}

// The consistency message goes to standard error instead of a box; the reading is still printed.
TEST_F(KivReadTest, InconsistentBlockIsReportedAndStillPrinted)
{
    Sim.LoadImage(ImageDir + "plain.txt");
    Sim.SetEeprom(2, 3); // no fault count puts the newest record at offset 3
    const TRun run = RunKivRead({"--device", Device, "--json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("EEPromdata är inte giltig.")) << run.Err.toStdString();
    const QJsonObject json = JsonOf(run);
    EXPECT_EQ(Text(json, "checksum"), "plain");
    EXPECT_FALSE(ConsistentOf(json));
    EXPECT_EQ(FaultsOf(json).size(), 13);
}

// --port takes the device from the folder's settings and the texts from its chosen language,
// and leaves the folder exactly as it was, although the language file lacks most texts.
TEST_F(KivReadTest, PortAndLanguageComeFromTheFolderWhichStaysUntouched)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    QTemporaryDir folder;
    const QMap<QString, QByteArray> files{
        {"kiv.ini", "[SerialCommunication]\r\nCOM2Device=" + Device.toUtf8() + "\r\n[Application]\r\nLangIndex=1\r\n"},
        {"lang.lst", "Deutsch\r\nEnglish\r\n"},
        {"English.txt", "[KIV]\r\nSection_0=No.\r\n[TStoredFault]\r\nsFaultStatus_80=Zero pulse differs.\r\n"},
    };
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile file(folder.filePath(it.key()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }

    const TRun run = RunKivRead({"--port", "COM2", "--folder", folder.path()});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains(Device)) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("405123-07")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(QRegularExpression("\nNo\\. +Drifttid"))) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("\n    Zero pulse differs.\n")) << run.Out.toStdString();

    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).join(' ').toStdString(), "English.txt kiv.ini lang.lst");
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile file(folder.filePath(it.key()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), it.value()) << it.key().toStdString();
    }
}

TEST(KivReadArguments, WrongArgumentsGiveUsageAndExitCode2)
{
    const QStringList cases[] = {
        {},
        {"--json"},
        {"--port", "COM5"},
        {"--port"},
        {"--port", "COM1", "--device", "/dev/null"},
        {"--device", "/dev/null", "--folder", "/tmp"},
        {"--port", "COM1", "--folder", "/no/such/folder"},
        {"--device", "/dev/null", "--verbose"},
        {"--device", "/dev/null", "--watch", "1"},
        {"--device", "/dev/null", "--watch", "1", "--csv", "--json"},
        {"--device", "/dev/null", "--watch", "0", "--csv"},
        {"--device", "/dev/null", "--watch", "soon", "--csv"},
        {"--device", "/dev/null", "--csv"},
        {"--device", "/dev/null", "--count", "3"},
        {"--device", "/dev/null", "--watch", "1", "--count", "0", "--csv"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun run = RunKivRead(args);
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_TRUE(run.Err.contains("usage: kiv-read")) << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
    }
}

// The CSV lines of a watch: the header, then time, operating time, frequency, temperature and
// fault count of each reading.
void ExpectWatchLines(const QStringList& lines, qsizetype readings, qint64 intervalMs)
{
    ASSERT_EQ(lines.size(), readings + 1) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], "time,operating_time_h,frequency_hz,temperature_c,fault_count");
    QDateTime previous;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].toStdString());
        const QStringList fields = lines[i].split(',');
        ASSERT_EQ(fields.size(), 5);
        const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODateWithMs);
        EXPECT_TRUE(time.isValid());
        if (previous.isValid()) {
            EXPECT_GE(previous.msecsTo(time), intervalMs * 3 / 4) << "readings keep to the interval";
        }
        previous = time;
        EXPECT_EQ(fields.mid(1), (QStringList{"12345", "10000", "36", "14"}));
    }
}

TEST_F(KivReadTest, WatchPrintsAHeaderAndOneCsvLinePerReading)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    const TRun run = RunKivRead({"--device", Device, "--watch", "0.2", "--count", "3", "--csv"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    ExpectWatchLines(run.Out.split('\n', Qt::SkipEmptyParts), 3, 200);
    EXPECT_TRUE(run.Out.endsWith('\n'));
    EXPECT_TRUE(run.Err.contains("serial number 1234567, part number 405123-07")) << run.Err.toStdString();
}

TEST_F(KivReadTest, WatchEndsCleanlyOnCtrlC)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    QProcess program;
    program.start(QStringLiteral(KIV_PROGRAM_DIR "/kiv-read"), {"--device", Device, "--watch", "0.1", "--csv"});
    ASSERT_TRUE(program.waitForStarted());
    QByteArray out;
    while (out.count('\n') < 3 && program.waitForReadyRead(10000))
        out += program.readAllStandardOutput();
    ASSERT_GE(out.count('\n'), 3) << "the header and two readings";
    ::kill(static_cast<pid_t>(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    out += program.readAllStandardOutput();
    EXPECT_TRUE(out.endsWith('\n')) << "no line cut off";
    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    ExpectWatchLines(lines, lines.size() - 1, 100);
}

TEST(KivReadArguments, MissingDeviceExitsWith1AndTheLinkMessage)
{
    const TRun run = RunKivRead({"--device", "/no/such/tty", "--json"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Out.isEmpty());
    EXPECT_EQ(run.Err.toStdString(), "kiv-read: /no/such/tty: Could not open communication port COM1, error code 2.\n");
}

} // namespace
