#pragma once
#include <QString>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>
#include <vector>

// A pseudo-terminal whose slave path stands in for a serial device and whose master end the
// test drives as "the other side of the cable".
class PtyPair {
public:
    PtyPair()
    {
        Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128] = {};
        if (::ptsname_r(Master, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal name");
        Slave = QString::fromLocal8Bit(name);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    ~PtyPair() { CloseMaster(); }

    QString SlavePath() const { return Slave; }

    void Send(const std::vector<uint8_t>& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(Master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR)
                throw std::runtime_error("write to pty master failed");
            if (n > 0)
                done += static_cast<size_t>(n);
        }
    }

    // Collects up to count bytes arriving within the time-out.
    std::vector<uint8_t> Receive(size_t count, int timeoutMs = 2000)
    {
        std::vector<uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            pollfd entry{Master, POLLIN, 0};
            if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0)
                break;
            uint8_t chunk[512];
            const ssize_t n = ::read(Master, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

    void CloseMaster()
    {
        if (Master >= 0)
            ::close(Master);
        Master = -1;
    }

private:
    int Master = -1;
    QString Slave;
};
