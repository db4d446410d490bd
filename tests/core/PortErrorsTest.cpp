// What a failed port operation tells the user, per system error code.
#include "core/uCommRes.h"
#include "core/uPortErrors.h"
#include "platform/SerialPorts.h"
#include "support/FakeSerialDevice.h"
#include <cerrno>
#include <gtest/gtest.h>

namespace {

// A machine with one adapter, a device owned by the group "dialout" and one other program on it.
class FakePortSystem : public TSerialPortSystem {
public:
    QList<TSerialPortEntry> Ports() const override { return Present; }
    QString OwnerGroup(const QString&) const override { return Group; }
    QString UserName() const override { return QStringLiteral("anna"); }
    QStringList Holders(const QString&) const override { return Others; }

    QList<TSerialPortEntry> Present{
        {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "FTDI FT232R A1"},
        {"/dev/ttyS0", "", ""}};
    QString Group = QStringLiteral("dialout");
    QStringList Others{QStringLiteral("4711 (minicom)")};
};

TEST(PortErrorsTest, EachErrorNamesTheDeviceTheCallTheReasonAndTheRemedy)
{
    const struct {
        const char* Name;
        int Error;
        const char* Call;
        const char* Expected;
    } rows[] = {
        {"permission", EACCES, "open",
         "/dev/ttyX: open: Permission denied. Lägg till användaren i gruppen dialout, som äger enheten, och logga "
         "in igen: sudo usermod -aG dialout anna"},
        {"busy by lock", EBUSY, "flock",
         "/dev/ttyX: flock: Device or resource busy. Enheten används av ett annat program: 4711 (minicom)."},
        {"busy by exclusive flag", EBUSY, "open",
         "/dev/ttyX: open: Device or resource busy. Enheten används av ett annat program: 4711 (minicom)."},
        {"no such file", ENOENT, "open",
         "/dev/ttyX: open: No such file or directory. Är adaptern ansluten? Serieenheter som finns: "
         "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0, /dev/ttyS0."},
        {"no such device or address", ENXIO, "open",
         "/dev/ttyX: open: No such device or address. Är adaptern ansluten? Serieenheter som finns: "
         "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0, /dev/ttyS0."},
        {"no such device", ENODEV, "open",
         "/dev/ttyX: open: No such device. Är adaptern ansluten? Serieenheter som finns: "
         "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0, /dev/ttyS0."},
        {"not a terminal", ENOTTY, "ioctl(TIOCEXCL)",
         "/dev/ttyX: ioctl(TIOCEXCL): Inappropriate ioctl for device. Sökvägen är ingen serieenhet."},
        {"a directory", EISDIR, "open", "/dev/ttyX: open: Is a directory. Sökvägen är ingen serieenhet."},
        {"hang-up on read", EIO, "read",
         "/dev/ttyX: read: Input/output error. Förbindelsen bröts, adaptern kopplades ur. Anslut den igen och tryck "
         "på Online."},
        {"gone on write", ENODEV, "write",
         "/dev/ttyX: write: No such device. Förbindelsen bröts, adaptern kopplades ur. Anslut den igen och tryck på "
         "Online."},
        {"no remedy known", EINVAL, "tcsetattr", "/dev/ttyX: tcsetattr: Invalid argument."},
    };
    const FakePortSystem system;
    const TPortErrorTexts texts;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(ExplainPortError({row.Error, row.Call, "/dev/ttyX"}, texts, system).toStdString(), row.Expected);
    }
}

TEST(PortErrorsTest, WhatTheMachineCannotTellFallsBackToPlainAdvice)
{
    FakePortSystem system;
    system.Present.clear();
    system.Others.clear();
    system.Group = QStringLiteral("root"); // joining root is no advice
    const TPortErrorTexts texts;
    EXPECT_EQ(ExplainPortError({ENOENT, "open", "/dev/ttyUSB3"}, texts, system).toStdString(),
              "/dev/ttyUSB3: open: No such file or directory. Är adaptern ansluten? Ingen serieenhet hittades.");
    EXPECT_EQ(ExplainPortError({EBUSY, "flock", "/dev/ttyUSB3"}, texts, system).toStdString(),
              "/dev/ttyUSB3: flock: Device or resource busy. Enheten används av ett annat program.");
    EXPECT_TRUE(ExplainPortError({EACCES, "open", "/dev/ttyUSB3"}, texts, system).endsWith("usermod -aG dialout anna"));
}

// The link's own message stays the first line; the explanation follows, in the language read.
TEST(PortErrorsTest, OpenFailureKeepsItsFirstLineAndAddsTheExplanation)
{
    auto device = std::make_unique<FakeSerialDevice>();
    device->OpenError = EACCES;
    TCommRes comm(std::move(device));
    const FakePortSystem system;
    comm.SetPortSystem(&system);
    TPortErrorTexts texts;
    texts.Read([](const QString& key, const QString& text) {
        return key == QLatin1String("sPortAccessDenied") ? QStringLiteral("Join %1 as %2.") : text;
    });
    comm.SetErrorTexts(texts);
    comm.SetPortDevice(1, QStringLiteral("/dev/ttyUSB0"));
    comm.SetComPort(QStringLiteral("COM2"));
    try {
        comm.Open();
        FAIL() << "opened";
    } catch (const ECommResError& e) {
        EXPECT_EQ(e.Message().toStdString(), "Could not open communication port COM2, error code 13.\n"
                                             "/dev/ttyUSB0: open: Permission denied. Join dialout as anna.");
    }
}

} // namespace
