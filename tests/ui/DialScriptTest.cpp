#include "UiTestHelpers.h"
#include "support/FakeSerialDevice.h"
#include "EncoderSim.h"
#include "core/uCommRes.h"
#include "ui/fDialScript.h"
#include "ui/uModemFields.h"
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

struct ModemFields : TModemFields {
    bool Use = true;
    QString Number = QStringLiteral("5551234");
    bool UseModem() const override { return Use; }
    QString TelephoneNumber() const override { return Number; }
};

// A dial window in a fresh program folder, over a port on the given device.
struct DialBench {
    QTemporaryDir Folder;
    TCommRes Port;
    ModemFields Fields;
    TDialScript Dialog{Folder.path()};

    explicit DialBench(std::unique_ptr<TSerialDevice> device = nullptr)
        : Port(std::move(device))
    {
        Dialog.SetCommRes(&Port);
        Dialog.SetModemFields(&Fields);
    }

    void OpenPort(const QString& device = {})
    {
        if (!device.isEmpty())
            Port.SetPortDevice(0, device);
        Port.SetComPort(QStringLiteral("COM1"));
        Port.Open();
    }

    void WriteInitFile(const QByteArray& bytes)
    {
        QFile file(Dialog.ModemInitFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Dials; once the window is up, runs the steps and closes it with the named button, or with
    // the title-bar button when there is none. The closing is tied to the window, so it never
    // outlives the bench even when no window came up.
    bool DialAndClose(const char* button, const std::function<void()>& whileOpen = {})
    {
        QTimer::singleShot(0, &Dialog, [this, button, whileOpen] {
            if (whileOpen)
                whileOpen();
            if (button)
                QTest::mouseClick(Component<QPushButton>(&Dialog, button), Qt::LeftButton);
            else
                Dialog.close();
        });
        return Dialog.Dial();
    }

    QString Memo() { return Component<QPlainTextEdit>(&Dialog, "Memo1")->toPlainText(); }
    bool Polling() { return Component<QTimer>(&Dialog, "Timer1")->isActive(); }
};

// A bench over a fake device with the port open, to see exactly what is written and how.
struct FakeBench : DialBench {
    FakeSerialDevice* Device;

    FakeBench() : FakeBench(new FakeSerialDevice) {}
    explicit FakeBench(FakeSerialDevice* device)
        : DialBench(std::unique_ptr<TSerialDevice>(device))
        , Device(device)
    {
        OpenPort();
    }

    QByteArray Written() const
    {
        return QByteArray(reinterpret_cast<const char*>(Device->Written.data()),
                          static_cast<qsizetype>(Device->Written.size()));
    }
    long CallsOf(char kind) const { return std::count(Device->Calls.begin(), Device->Calls.end(), kind); }

    // One poll with these bytes waiting.
    void Poll(const QByteArray& bytes)
    {
        Device->Input.assign(bytes.begin(), bytes.end());
        Device->BytesWaiting = static_cast<uint32_t>(bytes.size());
        Dialog.Timer1Timer();
    }
};

TEST(DialScript, WithoutModemConfirmsAtOnceAndTouchesNothing)
{
    FakeBench bench;
    bench.Fields.Use = false;
    EXPECT_TRUE(bench.DialAndClose("btnCancel"));
    EXPECT_FALSE(QFile::exists(bench.Dialog.ModemInitFile()));
    EXPECT_EQ(bench.CallsOf('W') + bench.CallsOf('R'), 0);
    EXPECT_FALSE(bench.Polling());
}

TEST(DialScript, SendsTheInitLinesThenTheDialCommand)
{
    struct Case {
        const char* Name;
        bool FileExists;
        QByteArray File;
        QString Number;
        QByteArray Sent;
    };
    const Case cases[] = {
        {"no file", false, "", "5551234", "atd5551234\r\n"},
        {"empty file", true, "", "5551234", "atd5551234\r\n"},
        {"one line", true, "ATZ", "0,46 8 123", "ATZ\r\natd0,46 8 123\r\n"},
        {"empty number", true, "ATZ\r\n", "", "ATZ\r\natd\r\n"},
        // Every line end style of a hand-edited file, blank lines kept, 8-bit bytes unchanged.
        {"several lines", true, "ATZ\r\n\rAT&F\nAT\xe5X3\r\n", "9", "ATZ\r\n\r\nAT&F\r\nAT\xe5X3\r\natd9\r\n"},
    };
    for (const Case& c : cases) {
        FakeBench bench;
        bench.Fields.Number = c.Number;
        if (c.FileExists)
            bench.WriteInitFile(c.File);
        EXPECT_TRUE(bench.DialAndClose("btnOk")) << c.Name;
        EXPECT_EQ(bench.Written(), c.Sent) << c.Name;
        QFile file(bench.Dialog.ModemInitFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.Name;
        EXPECT_EQ(file.readAll(), c.File) << c.Name; // created empty, or left as it was
    }
}

TEST(DialScript, OnlyOkConfirmsAndPollingRunsOnlyWhileTheWindowIsUp)
{
    const std::pair<const char*, bool> closings[] = {{"btnOk", true}, {"btnCancel", false}, {nullptr, false}};
    FakeBench bench;
    for (const auto& [button, confirmed] : closings) {
        bool polledWhileUp = false;
        EXPECT_EQ(bench.DialAndClose(button, [&] { polledWhileUp = bench.Polling(); }), confirmed)
            << (button ? button : "title-bar close");
        EXPECT_TRUE(polledWhileUp);
        EXPECT_FALSE(bench.Polling());
    }
}

TEST(DialScript, LongTextsGoOutWholeInSeveralWrites)
{
    FakeBench bench;
    const QByteArray line(300, 'S');
    bench.Fields.Number = QString(507, QLatin1Char('7'));
    bench.WriteInitFile(line);
    EXPECT_TRUE(bench.DialAndClose("btnOk"));
    EXPECT_EQ(bench.Written(), line + "\r\natd" + QByteArray(507, '7') + "\r\n");
    // 302 bytes of commands and 512 of dial command, at most 255 per write
    EXPECT_EQ(bench.CallsOf('W'), 2 + 3);
}

TEST(DialScript, PollsShowEverythingWaitingInTheOrderReceived)
{
    FakeBench bench;
    QByteArray many;
    for (int i = 0; i < 60; ++i)
        many += "RING " + QByteArray::number(i) + "\r\n";
    ASSERT_GT(many.size(), 2 * TDialScript::TransferBufferSize);

    bench.Poll("ATZ\r");
    bench.Poll("\nOK\r\n"); // a line end split over two polls is still one
    EXPECT_EQ(bench.Memo(), "ATZ\nOK\n");
    bench.Poll("");
    bench.Poll(many);
    EXPECT_EQ(bench.Memo(), "ATZ\nOK\n" + QString::fromLatin1(many).replace("\r\n", "\n"));
    EXPECT_EQ(bench.CallsOf('R'), 2 + 3);
    bench.Poll(QByteArray("NO CARRIER\0junk", 15)); // the text ends at a zero byte
    EXPECT_TRUE(bench.Memo().endsWith("RING 59\nNO CARRIER"));
}

TEST(DialScript, AFolderWhereTheFileCannotBeCreatedStillDials)
{
    FakeBench bench;
    TDialScript dialog(bench.Folder.filePath("missing/folder"));
    dialog.SetCommRes(&bench.Port);
    dialog.SetModemFields(&bench.Fields);
    QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
    EXPECT_TRUE(dialog.Dial());
    EXPECT_EQ(bench.Written(), "atd5551234\r\n");
}

TEST(DialScript, TheModemsAnswersAppearWhileTheUserWaits)
{
    TEncoderSim modem;
    modem.SetModemMode(true);
    DialBench bench;
    bench.OpenPort(QString::fromStdString(modem.Start()));
    bench.WriteInitFile("ATZ\r\n");
    QString shown;
    EXPECT_TRUE(bench.DialAndClose("btnOk", [&] {
        EXPECT_TRUE(QTest::qWaitFor([&] { return bench.Memo().contains("CONNECT"); }, 2000));
        shown = bench.Memo();
    }));
    // The echo of each command with the modem's answer to it, line ends shown as such
    EXPECT_EQ(shown, "ATZ\nOK\n\natd5551234\nCONNECT 9600\n");
    EXPECT_TRUE(modem.ModemConnected());
}

} // namespace
