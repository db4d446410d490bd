#include "support/TestFiles.h"
#include "support/FakeDialogs.h"
#include "core/uCommRes.h"
#include "platform/IniFile.h"
#include "platform/WindowPlacement.h"
#include "settings/uApplIniFile.h"
#include "settings/uCommResIniFile.h"
#include "settings/uDynamicDiagVarIniFile.h"
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("kiv.ini"));
    TIniFile Ini{Path};
    FakeDialogs Dialogs;
    TApplIniFile Appl{&Ini};
    TCommResIniFile CommIni{&Ini, &Dialogs};

    void Put(const QByteArray& bytes) { WriteAll(Path, bytes); }
    QByteArray Bytes() const { return ReadAll(Path); }
};

} // namespace

TEST_F(SettingsTest, FirstStartReportsMissingPortOnceAndWritesTheDefault)
{
    EXPECT_EQ(CommIni.ReadComPort("COM1"), "COM1");
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "Serial communication port is not set. Using \"COM1\"");
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Information);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(Bytes(), QByteArray("[SerialCommunication]\r\nComPort=COM1\r\n"));

    EXPECT_EQ(CommIni.ReadComPort("COM3"), "COM1");
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

TEST_F(SettingsTest, PresentPortIsReturnedAsItIsEvenEmpty)
{
    for (const char* value : {"", "COM7", "NoValuex"}) {
        Ini.WriteString("SerialCommunication", "ComPort", value);
        EXPECT_EQ(CommIni.ReadComPort("COM1"), value);
    }
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(SettingsTest, PortDevicesDefaultToTtySAndReachThePort)
{
    Put("[SerialCommunication]\r\ncom2device=/dev/ttyUSB0\r\n");
    EXPECT_EQ(CommIni.ReadComDevice(1), "/dev/ttyS0");
    EXPECT_EQ(CommIni.ReadComDevice(2), "/dev/ttyUSB0");
    EXPECT_EQ(CommIni.ReadComDevice(4), "/dev/ttyS3");

    TCommRes port;
    CommIni.ApplyComDevices(port);
    EXPECT_EQ(port.GetPortDevice(0), "/dev/ttyS0");
    EXPECT_EQ(port.GetPortDevice(1), "/dev/ttyUSB0");
    EXPECT_EQ(port.GetPortDevice(3), "/dev/ttyS3");
}

TEST_F(SettingsTest, ApplicationKeysAndDefaults)
{
    TDynDiagVarIniFile dyn(&Ini); // the second accessor sees the same keys
    EXPECT_EQ(Appl.ReadTimerIntervalIndex(3), 3);
    EXPECT_EQ(Appl.ReadLangIndex(), -1);
    EXPECT_EQ(Appl.ReadTelephoneNumber(), "");
    EXPECT_FALSE(Appl.ReadUseModem());
    EXPECT_EQ(Appl.ReadRemoteDBDir(), "");
    EXPECT_EQ(dyn.ReadDBIniValue(), 0);
    EXPECT_FALSE(QFile::exists(Path));

    Appl.WriteTimerIntervalIndex(20);
    Appl.WriteLangIndex(1);
    Appl.WriteTelephoneNumber("08-123 45");
    Appl.WriteUseModem(true);
    Appl.WriteRemoteDBDir("/mnt/share/kiv");
    dyn.WriteDBIniValue(1);
    EXPECT_EQ(Bytes(), QByteArray("[Application]\r\nTimerIntervalIndex=20\r\nLangIndex=1\r\n"
                                  "TelephoneNumber=08-123 45\r\nUseModem=1\r\nRemoteDBDir=/mnt/share/kiv\r\n"
                                  "DBIniValue=1\r\n"));
    EXPECT_EQ(dyn.ReadTimerIntervalIndex(3), 20);
    EXPECT_EQ(Appl.ReadTelephoneNumber(), "08-123 45");
    EXPECT_TRUE(Appl.ReadUseModem());
}

TEST_F(SettingsTest, FirstRestoreLeavesTheWindowAndSavesAllFiveKeys)
{
    QWidget form;
    form.setObjectName("KIV");
    form.move(30, 40);
    form.resize(300, 200);
    EXPECT_FALSE(Appl.FormPlacementExists(&form));

    const QRect before = form.geometry();
    Appl.RestoreFormPlacement(&form, 5, 6, -1, -1, 2);
    EXPECT_EQ(form.geometry(), before);
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
    EXPECT_TRUE(Appl.FormPlacementExists(&form));
    EXPECT_EQ(Bytes(), QStringLiteral("[Application]\r\nKIVLeft=%1\r\nKIVTop=%2\r\nKIVHeight=200\r\nKIVWidth=300\r\n"
                                      "KIVWindowState=0\r\n")
                           .arg(form.x())
                           .arg(form.y())
                           .toLatin1());
}

// After a second monitor is undocked the stored place may lie off every screen.
TEST_F(SettingsTest, RestoredPlaceOffEveryScreenIsMovedOntoOneAndSavedAsItIsThen)
{
    const QList<QRect> screens = WindowPlacement::AvailableScreens();
    ASSERT_FALSE(screens.isEmpty());
    const struct {
        const char* Name;
        int Left, Top;
    } rows[] = {
        {"far right", 5000, 100},
        {"far left and above", -3000, -2000},
        {"below", 100, 9000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Put(QStringLiteral("[Application]\r\nKIVLeft=%1\r\nKIVTop=%2\r\n").arg(row.Left).arg(row.Top).toLatin1());
        QWidget form;
        form.setObjectName("KIV");
        form.resize(300, 200);
        Appl.RestoreFormPlacement(&form, 0, 0, -1, -1, 0);

        bool onScreen = false;
        for (const QRect& screen : screens)
            onScreen = onScreen || screen.contains(QRect(form.pos(), QSize(form.width(), 30)));
        EXPECT_TRUE(onScreen) << form.x() << "," << form.y();
        EXPECT_EQ(Ini.ReadInteger("Application", "KIVLeft", 0), form.x());
        EXPECT_EQ(Ini.ReadInteger("Application", "KIVTop", 0), form.y());
    }
}

TEST_F(SettingsTest, RestoreSetsPositionAndStateButNeverSize)
{
    Put("[Application]\r\ndiagmanagerleft=120\r\nDiagManagerTop=80\r\nDiagManagerHeight=500\r\n"
        "DiagManagerWidth=600\r\nDiagManagerWindowState=2\r\n");
    QWidget form;
    form.setObjectName("DiagManager");
    form.resize(300, 200);

    Appl.RestoreFormPlacement(&form, 0, 0, -1, -1, 0);
    EXPECT_EQ(form.pos(), QPoint(120, 80));
    EXPECT_EQ(form.size(), QSize(300, 200));
    EXPECT_EQ(form.windowState(), Qt::WindowMaximized);
    // Saved again from the window: the size it has, not the one stored.
    EXPECT_EQ(Ini.ReadInteger("Application", "DiagManagerWidth", 0), 300);
    EXPECT_EQ(Ini.ReadInteger("Application", "DiagManagerHeight", 0), 200);
    EXPECT_EQ(Ini.ReadInteger("Application", "DiagManagerLeft", 0), 120);

    // A negative default leaves that edge alone.
    Ini.WriteInteger("Application", "DiagManagerLeft", 10);
    Ini.WriteInteger("Application", "DiagManagerTop", 20);
    Ini.WriteInteger("Application", "DiagManagerWindowState", 0);
    Appl.RestoreFormPlacement(&form, -1, 0, -1, -1, 0);
    EXPECT_EQ(form.pos(), QPoint(120, 20));
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
}
