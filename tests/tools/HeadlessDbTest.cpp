// kiv-read --save and kiv-db run as programs: a reading saved without windows reaches the remote
// database through the same files and the same update as the windows use.

#include "EncoderSim.h"
#include "support/RunProgram.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int LinesOf(const QString& path)
{
    return int(ReadAll(path).count("\r\n"));
}

} // namespace

TEST(HeadlessDb, KivReadSavesAsTheSaveButtonAndKivDbCarriesItIntoTheRemoteDatabase)
{
    TEncoderSim sim;
    const QString device = QString::fromStdString(sim.Start());
    sim.LoadImage(std::string(KIV_SOURCE_DIR) + "/tools/encoder-sim/images/healthy.txt");
    QTemporaryDir program;
    QTemporaryDir remote;
    WriteAll(program.filePath("kiv.ini"), "[Application]\r\nRemoteDBDir=" + remote.path().toUtf8() + "\r\n");
    const QString faults = program.filePath("DB/FAULTS_ID.TXT");

    // A new encoder needs its alias: refused, nothing saved.
    TRun run = RunProgram("kiv-read", {"--device", device, "--folder", program.path(), "--save"});
    EXPECT_EQ(run.ExitCode, 2) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("--alias")) << run.Err.toStdString();
    EXPECT_FALSE(QFile::exists(faults));
    run = RunProgram("kiv-read", {"--device", device, "--folder", program.path(), "--save", "--alias", "Pump\u0416"});
    EXPECT_EQ(run.ExitCode, 2) << run.Err.toStdString();
    EXPECT_FALSE(QFile::exists(faults));

    run = RunProgram("kiv-read", {"--device", device, "--folder", program.path(), "--save", "--alias", "Pump 7"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(ReadAll(program.filePath("DB/ENCDER_ID.TXT")),
              QByteArray("Serialnr;PartNum;Softversion;HardwareVersion\r\n\"1234567\",\"405123-07\",\"2.1\",\"1.2\"\r\n"));
    EXPECT_EQ(ReadAll(program.filePath("DB/ENCALIAS.TXT")), QByteArray("Alias;Serienr\r\n\"Pump 7\",\"1234567\"\r\n"));
    EXPECT_EQ(LinesOf(faults), 1 + 13);
    // Known now: saved again without asking.
    run = RunProgram("kiv-read", {"--device", device, "--folder", program.path(), "--save"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(LinesOf(program.filePath("DB/ENCPROPID.TXT")), 1 + 2);

    run = RunProgram("kiv-db", {"init", "--folder", program.path()});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    ASSERT_TRUE(QFile::exists(remote.filePath("KIV.db")));
    run = RunProgram("kiv-db", {"sync", "--folder", program.path()});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    for (const char* line : {"ENCODER_ID 1", "FAULTS_ID 26", "EncoderPropertyID 2", "AliasTab 1"})
        EXPECT_TRUE(run.Out.contains(line)) << line << "\n" << run.Out.toStdString();
    EXPECT_FALSE(QFile::exists(faults));
    run = RunProgram("kiv-db", {"sync", "--folder", program.path()});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("FAULTS_ID 0")) << run.Out.toStdString();

    EXPECT_EQ(RunProgram("kiv-db", {"sync", "--folder"}).ExitCode, 2);
    run = RunProgram("kiv-db", {"--help"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Out.contains("--folder DIR")) << run.Out.toStdString();
}
