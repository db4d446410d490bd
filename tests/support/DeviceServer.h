#pragma once
// A real serial device server (ser2net) in front of a local serial device, on a free loopback
// port, for the tests of the network link. Stopped when the object goes.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TDeviceServer {
public:
    enum class TMode { Raw, Rfc2217 };

    ~TDeviceServer() { Stop(); }

    // A loopback port that nothing listens on at the moment of asking.
    static uint16_t FreePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        uint16_t port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        return port;
    }

    static QString Program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    }

    // Serves device on a free port; false (with Error set) when the server does not come up.
    bool Start(const QString& device, TMode mode)
    {
        if (Program().isEmpty()) {
            Error = QStringLiteral("ser2net is not installed (scripts/setup installs it)");
            return false;
        }
        Port = FreePort();
        const QString accepter = mode == TMode::Raw ? QStringLiteral("tcp,127.0.0.1,%1").arg(Port)
                                                    : QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1").arg(Port);
        Server.setProgram(Program());
        Server.setArguments({QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-P"),
                             Folder.filePath(QStringLiteral("ser2net.pid")), QStringLiteral("-Y"),
                             QStringLiteral("connection: &encoder"), QStringLiteral("-Y"),
                             QStringLiteral("  accepter: ") + accepter, QStringLiteral("-Y"),
                             QStringLiteral("  connector: serialdev,%1,9600n81,local").arg(device),
                             // As the README advises: without it the server holds every answer back
                             // a few character times to gather more.
                             QStringLiteral("-Y"), QStringLiteral("  options:"), QStringLiteral("-Y"),
                             QStringLiteral("    chardelay: false")});
        Server.setProcessChannelMode(QProcess::MergedChannels);
        Server.start();
        if (!Server.waitForStarted(5000)) {
            Error = Server.errorString();
            return false;
        }
        for (int i = 0; i < 100; ++i) {
            if (Listening())
                return true;
            QThread::msleep(20);
        }
        Error = QStringLiteral("ser2net did not listen: ") + QString::fromLocal8Bit(Server.readAll());
        return false;
    }

    void Stop()
    {
        if (Server.state() == QProcess::NotRunning)
            return;
        Server.terminate();
        if (!Server.waitForFinished(3000)) {
            Server.kill();
            Server.waitForFinished(3000);
        }
    }

    // Ends the server at once, as a device server that loses power does. Safe from another
    // thread; Stop reaps it.
    void Kill() const { ::kill(static_cast<pid_t>(Server.processId()), SIGKILL); }

    QString Address(TMode mode) const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(mode == TMode::Raw ? "tcp" : "rfc2217").arg(Port);
    }

    uint16_t Port = 0;
    QString Error;

private:
    // Read from the kernel's socket table, not by connecting: a probe connection would make the
    // server open the device, and a test's own connection could then find it still in use.
    bool Listening() const
    {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = QStringLiteral("0100007F:%1").arg(Port, 4, 16, QLatin1Char('0')).toUpper().toLatin1();
        for (const QByteArray& line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
                return true;
        }
        return false;
    }

    QTemporaryDir Folder;
    QProcess Server;
};
