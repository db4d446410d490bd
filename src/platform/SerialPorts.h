#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// One serial device present on this machine.
struct TSerialPortEntry {
    QString Device;        // /dev/ttyUSB0
    QString ById;          // its stable name under /dev/serial/by-id, or empty
    QString Description;   // maker, product and serial number as far as known

    // The name to store and open: the stable one when there is one, as a plain name changes with
    // the order adapters are plugged in.
    QString Preferred() const { return ById.isEmpty() ? Device : ById; }
};

// The facts about serial devices that explain a failed open, behind one seam so the texts can be
// tested without the machine's devices, groups and processes.
class TSerialPortSystem {
public:
    virtual ~TSerialPortSystem() = default;
    // Devices with a stable name first, then USB serial, USB modem class and real on-board ports.
    virtual QList<TSerialPortEntry> Ports() const = 0;
    // The group that owns the device (the one to join for access), or empty.
    virtual QString OwnerGroup(const QString& device) const = 0;
    // The user this program runs as.
    virtual QString UserName() const = 0;
    // "1234 (minicom)" for each other process that has the device open, as far as /proc shows.
    virtual QStringList Holders(const QString& device) const = 0;
};

// The real machine: Qt Serial Port's enumeration for the list, stat, the group database and /proc.
class TPosixSerialPortSystem : public TSerialPortSystem {
public:
    // byIdDir defaults to the environment's KIV_SERIAL_BY_ID, else /dev/serial/by-id.
    explicit TPosixSerialPortSystem(const QString& byIdDir = QString());
    QList<TSerialPortEntry> Ports() const override;
    QString OwnerGroup(const QString& device) const override;
    QString UserName() const override;
    QStringList Holders(const QString& device) const override;

private:
    QString ByIdDir;
};

// Maker, product and serial number read from a by-id name such as
// "usb-FTDI_FT232R_USB_UART_A10K5ZQ1-if00-port0", for links the enumeration does not describe.
QString DescriptionFromById(const QString& byIdName);
