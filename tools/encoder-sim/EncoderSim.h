#pragma once

// A simulated encoder on a pseudo-terminal. It speaks the encoder's request/response link
// (read/write one byte of RAM or EEPROM) so that the real serial code can be exercised end to
// end. Tests drive it in-process; kiv-encoder-sim runs it as a program.
//
// Every public operation is thread-safe: the simulator serves the pty from its own thread.
//
// Requests: an address byte 0x00 and a command (0x80/0x81 read RAM/EEPROM, 0x90/0x91 write
// RAM/EEPROM), two address bytes (high first), and for a write the data byte and the request's
// checksum. Bytes that cannot start a request are skipped; a request left unfinished for half a
// second is dropped. A write whose own checksum byte is wrong is logged but neither applied nor
// answered (the client times out), as a garbled frame on a real line would be.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

// How the simulator forms the checksum byte of its responses.
//   Chained: request checksum (sum of the request bytes before any checksum byte) + sum of the
//            response bytes before the checksum.
//   Plain:   sum of the response bytes before the checksum only.
//   Wrong:   a value that matches neither of the two.
enum class TSimChecksumMode { Chained, Plain, Wrong };

// A fault injected into the answer to one chosen request.
enum class TSimFault {
    Silent,         // no answer at all
    DropChecksum,   // echo (and data byte of a read) but no checksum byte
    WrongChecksum   // full answer whose checksum matches neither variant
};

// Faults injected by request number, counted from the moment they are set (0 = off), so that a
// script can make a whole session go wrong at a chosen point.
struct TSimInjection {
    std::size_t HangUpAfter = 0;       // after answering request N, close the line (a pulled cable)
    std::size_t SilentAfter = 0;       // answer nothing after request N
    std::size_t GarbageAfter = 0;      // answer noise after request N
    std::size_t WrongChecksumAt = 0;   // answer request N with a wrong checksum
    unsigned SlowMs = 0;               // wait this long before every answer byte
};

class TEncoderSim {
public:
    static constexpr std::size_t MemorySize = 0x10000;

    TEncoderSim();
    ~TEncoderSim();   // stops serving
    TEncoderSim(const TEncoderSim&) = delete;
    TEncoderSim& operator=(const TEncoderSim&) = delete;

    // Creates the pty and starts serving in a thread. Returns the slave's path, which a client
    // opens like a serial device. Throws std::runtime_error when the pty cannot be set up.
    // The simulator keeps a slave descriptor of its own open, so a client may close and reopen
    // the slave without the simulator seeing a hang-up.
    std::string Start();
    void Stop();
    bool IsRunning() const;
    std::string SlavePath() const;

    // --- answering -------------------------------------------------------------------------
    void SetChecksumMode(TSimChecksumMode Mode);
    TSimChecksumMode ChecksumMode() const;

    // Pacing models the wire at Baud (10 bits per byte; 0 = no pacing): the request is taken
    // as complete one byte time per request byte after its first byte arrived, the answer
    // starts TurnaroundMs after that, and each answer byte is handed over one byte time after
    // the one before. Without a baud rate only the turnaround delay applies.
    void SetPacing(unsigned Baud, unsigned TurnaroundMs);

    // Modem mode: before "connecting" the simulator behaves like a Hayes modem (echoes what it
    // receives, answers "OK\r\n" to each command line, "CONNECT 9600\r\n" to an "atd..." line,
    // answering at the carriage return); after connecting it serves the encoder link, so the
    // line feed after the dial command is not echoed. Switching it on (again) starts unconnected.
    void SetModemMode(bool On);
    bool ModemConnected() const;

    // --- memory ------------------------------------------------------------------------------
    std::uint8_t Ram(std::uint16_t Address) const;
    std::uint8_t Eeprom(std::uint16_t Address) const;
    void SetRam(std::uint16_t Address, std::uint8_t Value);
    void SetEeprom(std::uint16_t Address, std::uint8_t Value);
    // Consecutive bytes; addresses wrap at 64 KiB.
    std::vector<std::uint8_t> RamBytes(std::uint16_t Address, std::size_t Count) const;
    std::vector<std::uint8_t> EepromBytes(std::uint16_t Address, std::size_t Count) const;
    void SetRamBytes(std::uint16_t Address, const std::vector<std::uint8_t>& Bytes);
    void SetEepromBytes(std::uint16_t Address, const std::vector<std::uint8_t>& Bytes);
    // Both memories back to all zero RAM and all 0xFF EEPROM (a blank part).
    void ClearMemory();

    // Loads an image file (format: see images/README.md). The memory starts blank (as
    // ClearMemory) and the checksum mode chained, then the file's lines apply, so an image
    // describes a whole encoder. Throws std::runtime_error naming the file and line on a
    // malformed image or an unreadable file; the memory is then left as the lines before it made it.
    void LoadImage(const std::string& FileName);
    // The same for image text; "include" lines are taken relative to the working folder.
    void LoadImageText(const std::string& Text, const std::string& SourceName = "image");

    // --- fault script --------------------------------------------------------------------------
    // Faults keyed by the 1-based number of the request counted from the moment the script is
    // set: {{1, Silent}} silences the very next request. Requests not in the script are answered
    // normally. Setting a script replaces the previous one. A write is carried out whatever its
    // scripted fault: only the acknowledgement suffers.
    void SetFaultScript(const std::map<std::size_t, TSimFault>& Script);
    void ClearFaultScript();

    // Replaces the injected faults and restarts their request count.
    void SetInjection(const TSimInjection& Injection);
    // True once HangUpAfter closed the line; Stop and Start give a fresh line.
    bool LineDown() const;

    // --- request log ---------------------------------------------------------------------------
    // Every complete request frame received (4 bytes for a read, 6 for a write, a write whose own
    // checksum byte is wrong included), in order. The log keeps the newest LogLimit frames so a
    // long live session does not grow without bound; RequestCount counts them all.
    static constexpr std::size_t LogLimit = 100000;
    std::vector<std::vector<std::uint8_t>> RequestLog() const;
    std::size_t RequestCount() const;   // since start or the last ClearLog
    void ClearLog();
    // Blocks until RequestCount() reaches Count or the time-out passes; true when reached.
    bool WaitForRequests(std::size_t Count, std::chrono::milliseconds Timeout) const;

    // --- live mode -----------------------------------------------------------------------------
    // With live mode on, the serving thread calls LiveStep every Interval and, on average every
    // FaultEvery steps, StoreFault with a random status. Off by default.
    void SetLive(bool On, std::chrono::milliseconds Interval = std::chrono::milliseconds(1000),
                 unsigned FaultEvery = 20);
    // One drift step of the live values in RAM: temperature and frequency move by at most one
    // unit, the operating time gains an hour. Tests call it directly instead of waiting.
    void LiveStep();
    // Stores a new fault the way the encoder does: the next ring record, newest offset, count,
    // status bytes, extremes and operating time all updated together. The record takes the
    // current live operating time (never earlier than the block's newest time), frequency and
    // temperature. The count stops at 65534 (0xFFFF would read as "none"); later faults are lost.
    void StoreFault(std::uint8_t Status);
    void SetRandomSeed(std::uint32_t Seed);

private:
    using TClock = std::chrono::steady_clock;
    struct TAnswer {
        std::vector<std::uint8_t> Bytes;
        bool Paced = false;
        TClock::time_point NotBefore;   // when the request's last byte would have arrived on a wire
    };

    void Serve();
    std::vector<TAnswer> HandleChunkLocked(const std::uint8_t* Data, std::size_t Length,
                                           TClock::time_point Arrival);
    void HandleModemByteLocked(std::uint8_t Byte, std::vector<TAnswer>& Answers);
    void HandleEncoderByteLocked(std::uint8_t Byte, TClock::time_point Arrival,
                                 std::vector<TAnswer>& Answers);
    bool AnswerRequestLocked(const std::vector<std::uint8_t>& Request, TAnswer& Answer);
    void Send(const TAnswer& Answer);
    bool WriteToMaster(const std::uint8_t* Data, std::size_t Length);
    bool SleepUntil(TClock::time_point Deadline);   // false when stopping
    bool HangUpRequested();                          // closes the line when it is time
    void LiveStepLocked();
    void StoreFaultLocked(std::uint8_t Status);
    void ApplyImage(const std::string& Text, const std::string& SourceName,
                    const std::string& BaseDir, int Depth);
    void CloseAll();

    mutable std::mutex Mutex;
    mutable std::condition_variable Changed;   // a request arrived, or stopping

    std::vector<std::uint8_t> RamImage;
    std::vector<std::uint8_t> EepromImage;
    TSimChecksumMode Checksum = TSimChecksumMode::Chained;
    unsigned Baud = 0;
    unsigned TurnaroundMs = 0;

    bool ModemMode = false;
    bool Connected = false;
    std::string ModemLine;

    std::vector<std::uint8_t> Pending;   // bytes of the request being received
    TClock::time_point PendingSince;     // arrival of its first byte
    TClock::time_point LastByteAt;
    std::map<std::size_t, TSimFault> Script;
    std::size_t ScriptBase = 0;          // TotalRequests when the script was set
    TSimInjection Injection;
    std::size_t InjectionBase = 0;       // TotalRequests when the injection was set
    bool HangUpNow = false;              // the answer just queued is the last before the hang-up
    std::atomic<bool> Down{false};
    std::size_t TotalRequests = 0;
    std::size_t LoggedRequests = 0;
    std::deque<std::vector<std::uint8_t>> Log;

    bool Live = false;
    std::chrono::milliseconds LiveInterval{1000};
    unsigned LiveFaultEvery = 20;
    TClock::time_point NextLiveStep;
    std::mt19937 Random{12345};

    int MasterFd = -1;
    int SlaveKeepFd = -1;
    int WakeFd[2] = {-1, -1};   // self-pipe that ends the serving thread's poll
    std::string Slave;
    std::thread Worker;
    std::mutex LifeMutex;   // serialises Start and Stop
    bool Stopping = false;
    std::atomic<bool> Running{false};
};
