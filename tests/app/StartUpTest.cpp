// Kiv started as the program entry starts it, in program folders that are broken in the ways a
// user's folder can be.
#include "EncoderSim.h"
#include "app/uMain.h"
#include "core/uCommRes.h"
#include "support/FakeDialogs.h"
#include "support/RefusingFileAccess.h"
#include "support/TestFiles.h"
#include "ui/fDiagManager.h"
#include "ui/fKiv.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString HealthyImage = QStringLiteral(KIV_SOURCE_DIR "/tools/encoder-sim/images/healthy.txt");
const QString PortNotSet = QStringLiteral("Serial communication port is not set. Using \"COM1\"");

struct TBrokenFolder {
    const char* Name;
    QString ComPort;          // the line's value as the user wrote it
    QString LangIndex;        // empty: no key
    QByteArray LangList;      // lang.lst; empty: no file
    QByteArray DefLang;       // DefLang.txt; empty: no file
    QStringList Unreadable;   // files the folder does not let Kiv read
    QStringList Unwritable;   // files the folder does not let Kiv write
    bool ReadOnlyFolder;
    QStringList Messages;     // exactly the boxes shown, in order; %DIR% is the program folder
    QString Port;             // the port Kiv runs with
};

using TFiles = QHash<QString, QByteArray>;

TFiles FilesIn(const QString& folder)
{
    TFiles files;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        files.insert(name, ReadAll(QDir(folder).filePath(name)));
    return files;
}

TEST(StartUpTest, BrokenProgramFoldersNeverStopKivAndLoseNothing)
{
    TEncoderSim sim;
    sim.LoadImage(HealthyImage.toStdString());
    const QString device = QString::fromStdString(sim.Start());

    const QString notWritable = QStringLiteral("Kiv kan inte skriva till \"%1\". Ändringar av inställningar "
                                               "och språktexter sparas bara tills Kiv avslutas.");
    const QString notReadable = QStringLiteral("Kiv kan inte läsa \"%1\" och fortsätter utan den. Ändringar av "
                                               "inställningar och språktexter sparas bara tills Kiv avslutas.");
    const QString firstTime = QStringLiteral("Ange sökvägen till fjärrdatabasen och sedan tryck på updatera knappen "
                                             "för att fullgöra inställningen.");
    const TBrokenFolder rows[] = {
        {"port name in lower case", "com1", "", "", "", {}, {}, false, {}, "COM1"},
        {"port name with a trailing blank", "COM2 ", "", "", "", {}, {}, false, {}, "COM2"},
        {"port that is not one of the four", "COM9", "", "", "", {}, {}, false, {PortNotSet}, "COM1"},
        {"device path as port", "/dev/ttyUSB0", "", "", "", {}, {}, false, {PortNotSet}, "COM1"},
        {"empty port", "", "", "", "", {}, {}, false, {PortNotSet}, "COM1"},
        {"read-only program folder", "COM3", "", "", "", {}, {}, true,
         {notWritable.arg(QStringLiteral("%DIR%/kiv.ini"))}, "COM3"},
        {"unreadable settings file", "COM2", "", "", "", {QStringLiteral("kiv.ini")}, {}, false,
         {PortNotSet, notReadable.arg(QStringLiteral("%DIR%/kiv.ini")), firstTime}, "COM1"},
        {"unwritable default language file", "COM1", "", "", "[Main]\r\nsAckResetEncoder=Radera?\r\n", {},
         {QStringLiteral("DefLang.txt")}, false, {notWritable.arg(QStringLiteral("%DIR%/DefLang.txt"))}, "COM1"},
        {"language name that leaves the folder", "COM4", "0", "../etc/evil\r\n", "", {}, {}, false,
         {QStringLiteral("Invalid language name \"../etc/evil\"")}, "COM4"},
    };

    for (const TBrokenFolder& row : rows) {
        SCOPED_TRACE(row.Name);
        QTemporaryDir root;
        const QString dir = root.filePath(QStringLiteral("kiv"));
        ASSERT_TRUE(QDir().mkpath(dir));
        QByteArray ini = "[SerialCommunication]\r\nComPort=" + row.ComPort.toUtf8() + "\r\n";
        for (int port = 1; port <= 4; ++port)
            ini += QStringLiteral("COM%1Device=%2\r\n").arg(port).arg(device).toUtf8();
        ini += "[Application]\r\nDBIniValue=1\r\n";
        if (!row.LangIndex.isEmpty())
            ini += "LangIndex=" + row.LangIndex.toUtf8() + "\r\n";
        WriteAll(QDir(dir).filePath(QStringLiteral("kiv.ini")), ini);
        if (!row.LangList.isEmpty())
            WriteAll(QDir(dir).filePath(QStringLiteral("lang.lst")), row.LangList);
        if (!row.DefLang.isEmpty())
            WriteAll(QDir(dir).filePath(QStringLiteral("DefLang.txt")), row.DefLang);
        const TFiles before = FilesIn(dir);
        TRefusingFileAccess access;
        access.Unreadable = row.Unreadable;
        access.Unwritable = row.Unwritable;
        access.ReadOnlyFolder = row.ReadOnlyFolder;
        const bool mayWrite = row.Unreadable.isEmpty() && row.Unwritable.isEmpty() && !row.ReadOnlyFolder;

        FakeDialogs dialogs;
        {
            TMain main(TProgramPaths(dir, QStringLiteral("kiv")), dialogs);
            main.FileAccess = &access;
            auto control = std::make_unique<TDiagManager>(dialogs);
            // The options dialog that a first start opens is closed as soon as it is up.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [] {
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            });
            closer.start(20);
            main.Start(control.get());
            closer.stop();

            QStringList expected = row.Messages;
            expected.replaceInStrings(QStringLiteral("%DIR%"), QDir::toNativeSeparators(dir));
            EXPECT_EQ(dialogs.Texts(), expected);
            EXPECT_TRUE(control->isVisible());
            EXPECT_FALSE(control->btnOnLine->text().isEmpty()) << "the language reached the windows";
            EXPECT_EQ(main.CommRes->GetComPort(), row.Port);
            EXPECT_EQ(main.MainWindow->StatusText(0), row.Port);

            // Running: the port it names reaches the encoder, where the settings say where it is.
            if (row.Unreadable.isEmpty()) {
                control->btnOnLine->click();
                EXPECT_TRUE(main.CommRes->IsOpen());
                EXPECT_EQ(main.MainWindow->ComponentText(QStringLiteral("lbSoftVer")), QStringLiteral("2.1"));
                control->btnOnLine->click();
            }
            main.DestroyWindows();
            control.reset();
        }

        // Nothing of the user's is lost: a folder Kiv may not change stays exactly as it was; in
        // one it may change, every line the user wrote is still there.
        const TFiles after = FilesIn(dir);
        for (auto file = before.begin(); file != before.end(); ++file) {
            SCOPED_TRACE(file.key().toStdString());
            ASSERT_TRUE(after.contains(file.key()));
            if (!mayWrite) {
                EXPECT_EQ(after.value(file.key()), file.value());
                continue;
            }
            const QList<QByteArray> lines = after.value(file.key()).split('\n');
            for (const QByteArray& line : file.value().split('\n'))
                EXPECT_TRUE(lines.contains(line)) << line.toStdString();
        }
        if (!mayWrite) {
            EXPECT_EQ(after.size(), before.size()) << "no file added";
        }
        EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("etc/evil.txt"))));
    }
    sim.Stop();
}

} // namespace
