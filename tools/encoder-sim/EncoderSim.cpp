#include "EncoderSim.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// Bytes of one request that arrive further apart than this belong to different frames: a client
// that gave up in the middle of a request must not shift every later frame.
constexpr auto FrameGap = std::chrono::milliseconds(500);

constexpr std::uint8_t CmdReadRam = 0x80;
constexpr std::uint8_t CmdReadEeprom = 0x81;
constexpr std::uint8_t CmdWriteRam = 0x90;
constexpr std::uint8_t CmdWriteEeprom = 0x91;

// Addresses the encoder's firmware keeps its live values and diagnostic block at.
constexpr std::uint16_t RamLiveTemp = 0x63;
constexpr std::uint16_t RamLiveFreq = 0x64;
constexpr std::uint16_t RamLiveOpTime = 0x65;   // 3 bytes, least significant first
constexpr std::uint16_t EeOpTimeStatus = 1;
constexpr std::uint16_t EeNewestOffset = 2;
constexpr std::uint16_t EeFaultCount = 3;       // 2 bytes, most significant first
constexpr std::uint16_t EeMinTemp = 5;
constexpr std::uint16_t EeMaxTemp = 6;
constexpr std::uint16_t EeFaultStatus = 7;
constexpr std::uint16_t EeRing = 16;
constexpr unsigned RingSlots = 13;
constexpr unsigned RecordSize = 6;
constexpr std::uint16_t EeOpTime = 96;          // 3 bytes, most significant first
constexpr unsigned MaxFaultCount = 0xFFFE;      // 0xFFFF reads as "none stored"

bool IsCommand(std::uint8_t Byte)
{
    return Byte == CmdReadRam || Byte == CmdReadEeprom || Byte == CmdWriteRam || Byte == CmdWriteEeprom;
}

bool IsWrite(std::uint8_t Command)
{
    return Command == CmdWriteRam || Command == CmdWriteEeprom;
}

std::uint8_t Sum(const std::vector<std::uint8_t>& Bytes, std::size_t Count)
{
    unsigned S = 0;
    for (std::size_t i = 0; i < Count; ++i)
        S += Bytes[i];
    return static_cast<std::uint8_t>(S);
}

std::chrono::nanoseconds ByteTime(unsigned Baud)
{
    return std::chrono::nanoseconds(10'000'000'000LL / Baud);
}

std::string SysError(const std::string& What)
{
    return What + ": " + std::strerror(errno);
}

std::string ReadTextFile(const std::string& FileName)
{
    std::ifstream In(FileName, std::ios::binary);
    if (!In)
        throw std::runtime_error("Cannot read image file " + FileName);
    std::ostringstream Text;
    Text << In.rdbuf();
    return Text.str();
}

std::string DirOf(const std::string& FileName)
{
    const auto Slash = FileName.rfind('/');
    return Slash == std::string::npos ? std::string() : FileName.substr(0, Slash + 1);
}

unsigned Get24Msb(const std::vector<std::uint8_t>& M, std::size_t At)
{
    return (unsigned(M[At]) << 16) | (unsigned(M[At + 1]) << 8) | M[At + 2];
}

void Put24Msb(std::vector<std::uint8_t>& M, std::size_t At, unsigned V)
{
    M[At] = std::uint8_t(V >> 16);
    M[At + 1] = std::uint8_t(V >> 8);
    M[At + 2] = std::uint8_t(V);
}

} // namespace

TEncoderSim::TEncoderSim()
    : RamImage(MemorySize, 0x00), EepromImage(MemorySize, 0xFF)
{
}

TEncoderSim::~TEncoderSim()
{
    Stop();
}

// --- pty and serving thread --------------------------------------------------------------------

std::string TEncoderSim::Start()
{
    std::lock_guard Life(LifeMutex);
    if (Running)
        return SlavePath();

    auto Fail = [this](const std::string& What) {
        const std::string Message = SysError(What);
        CloseAll();
        throw std::runtime_error(Message);
    };

    MasterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (MasterFd < 0)
        Fail("posix_openpt");
    if (grantpt(MasterFd) != 0 || unlockpt(MasterFd) != 0)
        Fail("grantpt/unlockpt");
    char Name[256];
    if (ptsname_r(MasterFd, Name, sizeof Name) != 0)
        Fail("ptsname_r");
    // Our own slave descriptor keeps the pty from hanging up while no client has it open, and
    // sets the line to raw once for every client: a fresh slave echoes and edits lines.
    SlaveKeepFd = ::open(Name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (SlaveKeepFd < 0)
        Fail(std::string("open ") + Name);
    termios Tio{};
    if (tcgetattr(SlaveKeepFd, &Tio) != 0)
        Fail("tcgetattr");
    cfmakeraw(&Tio);
    cfsetispeed(&Tio, B9600);
    cfsetospeed(&Tio, B9600);
    if (tcsetattr(SlaveKeepFd, TCSANOW, &Tio) != 0)
        Fail("tcsetattr");
    if (fcntl(MasterFd, F_SETFL, fcntl(MasterFd, F_GETFL) | O_NONBLOCK) != 0)
        Fail("fcntl");
    if (pipe2(WakeFd, O_CLOEXEC | O_NONBLOCK) != 0)
        Fail("pipe2");

    {
        std::lock_guard Lock(Mutex);
        Slave = Name;
        Stopping = false;
        Down = false;
        Pending.clear();
        NextLiveStep = TClock::now() + LiveInterval;
    }
    Running = true;
    Worker = std::thread([this] { Serve(); });
    return Name;
}

void TEncoderSim::Stop()
{
    std::lock_guard Life(LifeMutex);
    if (!Running)
        return;
    {
        std::lock_guard Lock(Mutex);
        Stopping = true;
    }
    Changed.notify_all();
    const char Byte = 1;
    [[maybe_unused]] const auto Ignored = ::write(WakeFd[1], &Byte, 1);
    Worker.join();
    Running = false;
    CloseAll();
}

void TEncoderSim::CloseAll()
{
    for (int* Fd : {&MasterFd, &SlaveKeepFd, &WakeFd[0], &WakeFd[1]}) {
        if (*Fd >= 0)
            ::close(*Fd);
        *Fd = -1;
    }
}

bool TEncoderSim::IsRunning() const
{
    return Running;
}

std::string TEncoderSim::SlavePath() const
{
    std::lock_guard Lock(Mutex);
    return Slave;
}

void TEncoderSim::Serve()
{
    std::uint8_t Buffer[512];
    for (;;) {
        int Timeout = -1;
        {
            std::lock_guard Lock(Mutex);
            if (Stopping)
                return;
            if (Live) {
                const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    NextLiveStep - TClock::now());
                Timeout = static_cast<int>(std::max<long long>(0, Left.count()));
            }
        }
        pollfd Fds[2] = {{MasterFd, POLLIN, 0}, {WakeFd[0], POLLIN, 0}};
        const int Ready = ::poll(Fds, 2, Timeout);
        if (Ready < 0 && errno != EINTR)
            SleepUntil(TClock::now() + std::chrono::milliseconds(50));

        if (Fds[1].revents & POLLIN)
            while (::read(WakeFd[0], Buffer, sizeof Buffer) > 0) {
            }

        if (Fds[0].revents & POLLIN) {
            const ssize_t N = ::read(MasterFd, Buffer, sizeof Buffer);
            if (N > 0) {
                std::vector<TAnswer> Answers;
                {
                    std::lock_guard Lock(Mutex);
                    Answers = HandleChunkLocked(Buffer, static_cast<std::size_t>(N), TClock::now());
                }
                for (const TAnswer& Answer : Answers)
                    Send(Answer);
                if (HangUpRequested())
                    return;
            }
        } else if (Fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while our own slave descriptor is open; never spin if it does.
            SleepUntil(TClock::now() + std::chrono::milliseconds(50));
        }

        std::lock_guard Lock(Mutex);
        if (Live && TClock::now() >= NextLiveStep) {
            LiveStepLocked();
            if (LiveFaultEvery > 0 && Random() % LiveFaultEvery == 0) {
                static constexpr std::uint8_t Statuses[] = {0x80, 0x40, 0x30, 0x20, 0x10, 0x08,
                                                            0x04, 0xC0, 0x88, 0x31, 0x0C};
                StoreFaultLocked(Statuses[Random() % std::size(Statuses)]);
            }
            NextLiveStep = std::max(NextLiveStep + LiveInterval, TClock::now());
        }
    }
}

bool TEncoderSim::HangUpRequested()
{
    {
        std::lock_guard Lock(Mutex);
        if (!HangUpNow)
            return false;
        HangUpNow = false;
    }
    // Both our ends go, so the client's slave sees the hang-up as an unplugged adapter does.
    for (int* Fd : {&MasterFd, &SlaveKeepFd}) {
        if (*Fd >= 0)
            ::close(*Fd);
        *Fd = -1;
    }
    Down = true;
    return true;
}

bool TEncoderSim::SleepUntil(TClock::time_point Deadline)
{
    std::unique_lock Lock(Mutex);
    return !Changed.wait_until(Lock, Deadline, [this] { return Stopping; });
}

bool TEncoderSim::WriteToMaster(const std::uint8_t* Data, std::size_t Length)
{
    while (Length > 0) {
        const ssize_t N = ::write(MasterFd, Data, Length);
        if (N > 0) {
            Data += N;
            Length -= static_cast<std::size_t>(N);
            continue;
        }
        if (N < 0 && errno == EINTR)
            continue;
        if (N < 0 && errno != EAGAIN)
            return false;
        // The line is full because nobody reads the slave: wait a little, then drop the rest,
        // as a line with no listener loses what is sent on it.
        pollfd Fd{MasterFd, POLLOUT, 0};
        if (::poll(&Fd, 1, 100) <= 0)
            return false;
    }
    return true;
}

void TEncoderSim::Send(const TAnswer& Answer)
{
    if (Answer.Bytes.empty())
        return;
    if (!Answer.Paced) {
        WriteToMaster(Answer.Bytes.data(), Answer.Bytes.size());
        return;
    }
    unsigned BaudNow, TurnaroundNow, SlowNow;
    {
        std::lock_guard Lock(Mutex);
        BaudNow = Baud;
        TurnaroundNow = TurnaroundMs;
        SlowNow = Injection.SlowMs;
    }
    auto At = std::max(TClock::now(), Answer.NotBefore) + std::chrono::milliseconds(TurnaroundNow);
    if (BaudNow == 0 && SlowNow == 0) {
        if (TurnaroundNow > 0 && !SleepUntil(At))
            return;
        WriteToMaster(Answer.Bytes.data(), Answer.Bytes.size());
        return;
    }
    for (const std::uint8_t Byte : Answer.Bytes) {
        if (BaudNow > 0)
            At += ByteTime(BaudNow);
        At += std::chrono::milliseconds(SlowNow);
        if (!SleepUntil(At))
            return;
        WriteToMaster(&Byte, 1);
    }
}

// --- request handling ----------------------------------------------------------------------------

std::vector<TEncoderSim::TAnswer> TEncoderSim::HandleChunkLocked(const std::uint8_t* Data,
                                                                 std::size_t Length,
                                                                 TClock::time_point Arrival)
{
    std::vector<TAnswer> Answers;
    for (std::size_t i = 0; i < Length; ++i) {
        if (ModemMode && !Connected)
            HandleModemByteLocked(Data[i], Answers);
        else
            HandleEncoderByteLocked(Data[i], Arrival, Answers);
    }
    return Answers;
}

void TEncoderSim::HandleModemByteLocked(std::uint8_t Byte, std::vector<TAnswer>& Answers)
{
    auto Reply = [&Answers](const std::string& Text) {
        if (Answers.empty() || Answers.back().Paced)
            Answers.emplace_back();
        Answers.back().Bytes.insert(Answers.back().Bytes.end(), Text.begin(), Text.end());
    };
    Reply(std::string(1, static_cast<char>(Byte)));   // command echo
    if (Byte == '\n')
        return;
    if (Byte != '\r') {
        if (ModemLine.size() < 256)
            ModemLine += static_cast<char>(Byte);
        return;
    }
    std::string Line;
    for (const char C : ModemLine)
        if (C != ' ')
            Line += static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    ModemLine.clear();
    if (Line.empty())
        return;
    if (Line.rfind("atd", 0) == 0) {
        Reply("CONNECT 9600\r\n");
        // From here on the line carries the encoder link; the line feed that follows the dial
        // command is not a request start (0x00) and is skipped by the frame resync.
        Connected = true;
        return;
    }
    Reply("OK\r\n");
}

void TEncoderSim::HandleEncoderByteLocked(std::uint8_t Byte, TClock::time_point Arrival,
                                          std::vector<TAnswer>& Answers)
{
    if (!Pending.empty() && Arrival - LastByteAt > FrameGap)
        Pending.clear();
    LastByteAt = Arrival;

    // A request starts with the address byte 0x00 and a known command; anything else is
    // skipped byte by byte until that pair shows up.
    if (Pending.empty()) {
        if (Byte == 0x00) {
            Pending.push_back(Byte);
            PendingSince = Arrival;
        }
        return;
    }
    if (Pending.size() == 1) {
        if (IsCommand(Byte))
            Pending.push_back(Byte);
        else if (Byte == 0x00)
            PendingSince = Arrival;
        else
            Pending.clear();
        return;
    }
    Pending.push_back(Byte);
    if (Pending.size() < (IsWrite(Pending[1]) ? 6u : 4u))
        return;

    std::vector<std::uint8_t> Request;
    Request.swap(Pending);
    TAnswer Answer;
    Answer.Paced = true;
    Answer.NotBefore = Baud > 0 ? PendingSince + ByteTime(Baud) * static_cast<long>(Request.size()) : Arrival;
    if (AnswerRequestLocked(Request, Answer))
        Answers.push_back(std::move(Answer));
}

bool TEncoderSim::AnswerRequestLocked(const std::vector<std::uint8_t>& Request, TAnswer& Answer)
{
    ++TotalRequests;
    ++LoggedRequests;
    Log.push_back(Request);
    if (Log.size() > LogLimit)
        Log.pop_front();
    Changed.notify_all();

    const auto Scripted = Script.find(TotalRequests - ScriptBase);
    bool HasFault = Scripted != Script.end();
    TSimFault Fault = HasFault ? Scripted->second : TSimFault::Silent;
    const std::size_t Injected = TotalRequests - InjectionBase;
    if (Injection.HangUpAfter > 0 && Injected == Injection.HangUpAfter)
        HangUpNow = true;
    if (Injection.WrongChecksumAt > 0 && Injected == Injection.WrongChecksumAt) {
        HasFault = true;
        Fault = TSimFault::WrongChecksum;
    }
    if (Injection.SilentAfter > 0 && Injected > Injection.SilentAfter) {
        HasFault = true;
        Fault = TSimFault::Silent;
    }
    const bool Garbage = Injection.GarbageAfter > 0 && Injected > Injection.GarbageAfter;

    const std::uint8_t Command = Request[1];
    const std::uint16_t Address = static_cast<std::uint16_t>((Request[2] << 8) | Request[3]);
    const bool Write = IsWrite(Command);
    const std::uint8_t RequestSum = Sum(Request, Write ? 5 : 4);
    auto& Memory = (Command == CmdReadRam || Command == CmdWriteRam) ? RamImage : EepromImage;

    // A write whose own checksum is wrong was garbled on the way: the encoder neither applies
    // it nor answers, and the client runs into its time-out.
    if (Write && Request[5] != RequestSum)
        return false;
    if (Write)
        Memory[Address] = Request[4];

    if (HasFault && Fault == TSimFault::Silent)
        return false;

    std::vector<std::uint8_t>& Out = Answer.Bytes;
    Out.push_back(Command);
    if (!Write)
        Out.push_back(Memory[Address]);
    if (Garbage) {
        // Noise of the answer's length whose last byte is no checksum of either kind.
        for (std::uint8_t& Byte : Out)
            Byte = static_cast<std::uint8_t>(Random());
        HasFault = true;
        Fault = TSimFault::WrongChecksum;
    }
    if (HasFault && Fault == TSimFault::DropChecksum)
        return true;

    const std::uint8_t Plain = Sum(Out, Out.size());
    const std::uint8_t Chained = static_cast<std::uint8_t>(Plain + RequestSum);
    std::uint8_t Wrong = static_cast<std::uint8_t>(Plain + 1);
    if (Wrong == Chained)
        Wrong = static_cast<std::uint8_t>(Plain + 2);

    TSimChecksumMode Mode = Checksum;
    if (HasFault && Fault == TSimFault::WrongChecksum)
        Mode = TSimChecksumMode::Wrong;
    Out.push_back(Mode == TSimChecksumMode::Chained ? Chained
                  : Mode == TSimChecksumMode::Plain ? Plain
                                                    : Wrong);
    return true;
}

// --- settings --------------------------------------------------------------------------------------

void TEncoderSim::SetChecksumMode(TSimChecksumMode Mode)
{
    std::lock_guard Lock(Mutex);
    Checksum = Mode;
}

TSimChecksumMode TEncoderSim::ChecksumMode() const
{
    std::lock_guard Lock(Mutex);
    return Checksum;
}

void TEncoderSim::SetPacing(unsigned NewBaud, unsigned NewTurnaroundMs)
{
    std::lock_guard Lock(Mutex);
    Baud = NewBaud;
    TurnaroundMs = NewTurnaroundMs;
}

void TEncoderSim::SetModemMode(bool On)
{
    std::lock_guard Lock(Mutex);
    ModemMode = On;
    Connected = false;
    ModemLine.clear();
    Pending.clear();
}

bool TEncoderSim::ModemConnected() const
{
    std::lock_guard Lock(Mutex);
    return Connected;
}

// --- memory -----------------------------------------------------------------------------------------

std::uint8_t TEncoderSim::Ram(std::uint16_t Address) const
{
    std::lock_guard Lock(Mutex);
    return RamImage[Address];
}

std::uint8_t TEncoderSim::Eeprom(std::uint16_t Address) const
{
    std::lock_guard Lock(Mutex);
    return EepromImage[Address];
}

void TEncoderSim::SetRam(std::uint16_t Address, std::uint8_t Value)
{
    std::lock_guard Lock(Mutex);
    RamImage[Address] = Value;
}

void TEncoderSim::SetEeprom(std::uint16_t Address, std::uint8_t Value)
{
    std::lock_guard Lock(Mutex);
    EepromImage[Address] = Value;
}

std::vector<std::uint8_t> TEncoderSim::RamBytes(std::uint16_t Address, std::size_t Count) const
{
    std::lock_guard Lock(Mutex);
    std::vector<std::uint8_t> Bytes(Count);
    for (std::size_t i = 0; i < Count; ++i)
        Bytes[i] = RamImage[(Address + i) % MemorySize];
    return Bytes;
}

std::vector<std::uint8_t> TEncoderSim::EepromBytes(std::uint16_t Address, std::size_t Count) const
{
    std::lock_guard Lock(Mutex);
    std::vector<std::uint8_t> Bytes(Count);
    for (std::size_t i = 0; i < Count; ++i)
        Bytes[i] = EepromImage[(Address + i) % MemorySize];
    return Bytes;
}

void TEncoderSim::SetRamBytes(std::uint16_t Address, const std::vector<std::uint8_t>& Bytes)
{
    std::lock_guard Lock(Mutex);
    for (std::size_t i = 0; i < Bytes.size(); ++i)
        RamImage[(Address + i) % MemorySize] = Bytes[i];
}

void TEncoderSim::SetEepromBytes(std::uint16_t Address, const std::vector<std::uint8_t>& Bytes)
{
    std::lock_guard Lock(Mutex);
    for (std::size_t i = 0; i < Bytes.size(); ++i)
        EepromImage[(Address + i) % MemorySize] = Bytes[i];
}

void TEncoderSim::ClearMemory()
{
    std::lock_guard Lock(Mutex);
    std::fill(RamImage.begin(), RamImage.end(), 0x00);
    std::fill(EepromImage.begin(), EepromImage.end(), 0xFF);
}

// --- images -------------------------------------------------------------------------------------------

void TEncoderSim::LoadImage(const std::string& FileName)
{
    const std::string Text = ReadTextFile(FileName);
    ClearMemory();
    std::lock_guard Lock(Mutex);
    Checksum = TSimChecksumMode::Chained;
    ApplyImage(Text, FileName, DirOf(FileName), 0);
}

void TEncoderSim::LoadImageText(const std::string& Text, const std::string& SourceName)
{
    ClearMemory();
    std::lock_guard Lock(Mutex);
    Checksum = TSimChecksumMode::Chained;
    ApplyImage(Text, SourceName, std::string(), 0);
}

void TEncoderSim::ApplyImage(const std::string& Text, const std::string& SourceName,
                             const std::string& BaseDir, int Depth)
{
    std::istringstream Lines(Text);
    std::string Line;
    int LineNo = 0;
    while (std::getline(Lines, Line)) {
        ++LineNo;
        auto Error = [&](const std::string& What) {
            return std::runtime_error(SourceName + ":" + std::to_string(LineNo) + ": " + What);
        };
        Line = Line.substr(0, Line.find('#'));
        std::istringstream Words(Line);
        std::vector<std::string> Tokens;
        for (std::string W; Words >> W;)
            Tokens.push_back(W);
        if (Tokens.empty())
            continue;

        auto Number = [&](const std::string& Token, unsigned long Max, const char* What) {
            std::string Digits = Token;
            if (Digits.size() > 2 && Digits[0] == '0' && (Digits[1] == 'x' || Digits[1] == 'X'))
                Digits = Digits.substr(2);
            if (Digits.empty() || Digits.size() > 8
                || Digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                throw Error(std::string("bad hexadecimal ") + What + " '" + Token + "'");
            const unsigned long Value = std::stoul(Digits, nullptr, 16);
            if (Value > Max)
                throw Error(std::string(What) + " '" + Token + "' out of range");
            return Value;
        };
        auto MemoryNamed = [&](const std::string& Name) -> std::vector<std::uint8_t>& {
            if (Name == "ram")
                return RamImage;
            if (Name == "eeprom")
                return EepromImage;
            throw Error("unknown memory '" + Name + "' (ram or eeprom)");
        };

        const std::string& Keyword = Tokens[0];
        if (Keyword == "ram" || Keyword == "eeprom") {
            if (Tokens.size() < 3)
                throw Error("expected: " + Keyword + " ADDRESS BYTE...");
            auto& Memory = MemoryNamed(Keyword);
            const unsigned long Address = Number(Tokens[1], 0xFFFF, "address");
            if (Address + (Tokens.size() - 2) > MemorySize)
                throw Error("bytes run past the end of " + Keyword);
            for (std::size_t i = 2; i < Tokens.size(); ++i)
                Memory[Address + i - 2] = static_cast<std::uint8_t>(Number(Tokens[i], 0xFF, "byte"));
        } else if (Keyword == "fill") {
            if (Tokens.size() != 5)
                throw Error("expected: fill ram|eeprom START COUNT BYTE");
            auto& Memory = MemoryNamed(Tokens[1]);
            const unsigned long Start = Number(Tokens[2], 0xFFFF, "address");
            const unsigned long Count = Number(Tokens[3], MemorySize, "count");
            const auto Value = static_cast<std::uint8_t>(Number(Tokens[4], 0xFF, "byte"));
            if (Start + Count > MemorySize)
                throw Error("fill runs past the end of " + Tokens[1]);
            std::fill_n(Memory.begin() + static_cast<long>(Start), Count, Value);
        } else if (Keyword == "checksum") {
            if (Tokens.size() != 2)
                throw Error("expected: checksum chained|plain|wrong");
            if (Tokens[1] == "chained")
                Checksum = TSimChecksumMode::Chained;
            else if (Tokens[1] == "plain")
                Checksum = TSimChecksumMode::Plain;
            else if (Tokens[1] == "wrong")
                Checksum = TSimChecksumMode::Wrong;
            else
                throw Error("unknown checksum '" + Tokens[1] + "' (chained, plain or wrong)");
        } else if (Keyword == "include") {
            if (Tokens.size() != 2)
                throw Error("expected: include FILE");
            if (Depth >= 8)
                throw Error("includes nested too deeply");
            const std::string File = Tokens[1][0] == '/' ? Tokens[1] : BaseDir + Tokens[1];
            std::string Included;
            try {
                Included = ReadTextFile(File);
            } catch (const std::runtime_error& E) {
                throw Error(E.what());
            }
            ApplyImage(Included, File, DirOf(File), Depth + 1);
        } else {
            throw Error("unknown directive '" + Keyword + "'");
        }
    }
}

// --- fault script and log ---------------------------------------------------------------------------

void TEncoderSim::SetFaultScript(const std::map<std::size_t, TSimFault>& NewScript)
{
    std::lock_guard Lock(Mutex);
    Script = NewScript;
    ScriptBase = TotalRequests;
}

void TEncoderSim::SetInjection(const TSimInjection& NewInjection)
{
    std::lock_guard Lock(Mutex);
    Injection = NewInjection;
    InjectionBase = TotalRequests;
    HangUpNow = false;
}

bool TEncoderSim::LineDown() const
{
    return Down;
}

void TEncoderSim::ClearFaultScript()
{
    std::lock_guard Lock(Mutex);
    Script.clear();
}

std::vector<std::vector<std::uint8_t>> TEncoderSim::RequestLog() const
{
    std::lock_guard Lock(Mutex);
    return {Log.begin(), Log.end()};
}

std::size_t TEncoderSim::RequestCount() const
{
    std::lock_guard Lock(Mutex);
    return LoggedRequests;
}

void TEncoderSim::ClearLog()
{
    std::lock_guard Lock(Mutex);
    Log.clear();
    LoggedRequests = 0;
}

bool TEncoderSim::WaitForRequests(std::size_t Count, std::chrono::milliseconds Timeout) const
{
    std::unique_lock Lock(Mutex);
    return Changed.wait_for(Lock, Timeout, [&] { return LoggedRequests >= Count; });
}

// --- live mode ----------------------------------------------------------------------------------------

void TEncoderSim::SetLive(bool On, std::chrono::milliseconds Interval, unsigned FaultEvery)
{
    {
        std::lock_guard Lock(Mutex);
        Live = On;
        LiveInterval = std::max(Interval, std::chrono::milliseconds(1));
        LiveFaultEvery = FaultEvery;
        NextLiveStep = TClock::now() + LiveInterval;
    }
    // The serving thread computes its poll time-out from the live schedule: let it see the new one.
    std::lock_guard Life(LifeMutex);
    if (Running) {
        const char Byte = 1;
        [[maybe_unused]] const auto Ignored = ::write(WakeFd[1], &Byte, 1);
    }
}

void TEncoderSim::SetRandomSeed(std::uint32_t Seed)
{
    std::lock_guard Lock(Mutex);
    Random.seed(Seed);
}

void TEncoderSim::LiveStep()
{
    std::lock_guard Lock(Mutex);
    LiveStepLocked();
}

void TEncoderSim::StoreFault(std::uint8_t Status)
{
    std::lock_guard Lock(Mutex);
    StoreFaultLocked(Status);
}

void TEncoderSim::LiveStepLocked()
{
    auto Drift = [this](int Value, int Low, int High) {
        const int Step = static_cast<int>(Random() % 3) - 1;
        return std::clamp(Value + Step, Low, High);
    };
    const int Temp = static_cast<std::int8_t>(RamImage[RamLiveTemp]);
    RamImage[RamLiveTemp] = static_cast<std::uint8_t>(static_cast<std::int8_t>(Drift(Temp, -30, 100)));
    RamImage[RamLiveFreq] = static_cast<std::uint8_t>(Drift(RamImage[RamLiveFreq], 0, 255));

    // One step is an hour of operation, so a demo shows the hours move.
    unsigned Hours = RamImage[RamLiveOpTime] | (RamImage[RamLiveOpTime + 1] << 8)
                     | (RamImage[RamLiveOpTime + 2] << 16);
    if (Hours < 0xFFFFFE)
        ++Hours;
    RamImage[RamLiveOpTime] = std::uint8_t(Hours);
    RamImage[RamLiveOpTime + 1] = std::uint8_t(Hours >> 8);
    RamImage[RamLiveOpTime + 2] = std::uint8_t(Hours >> 16);
}

void TEncoderSim::StoreFaultLocked(std::uint8_t Status)
{
    auto& E = EepromImage;
    unsigned Count = (unsigned(E[EeFaultCount]) << 8) | E[EeFaultCount + 1];
    if (Count == 0xFFFF)
        Count = 0;
    if (Count >= MaxFaultCount)   // the counter cannot go further; the encoder stops recording
        return;

    // The fault's time is never earlier than what the block already holds, whatever image was
    // loaded, so the ring keeps falling from newest to oldest.
    unsigned Hours = RamImage[RamLiveOpTime] | (RamImage[RamLiveOpTime + 1] << 8)
                     | (RamImage[RamLiveOpTime + 2] << 16);
    const unsigned Stored = Get24Msb(E, EeOpTime);
    if (E[EeOpTimeStatus] == 0x00 && Stored != 0xFFFFFF)
        Hours = std::max(Hours, Stored);
    if (Count > 0 && E[EeFaultStatus] == 0x00 && E[EeNewestOffset] <= (RingSlots - 1) * RecordSize)
        Hours = std::max(Hours, Get24Msb(E, EeRing + E[EeNewestOffset]));
    Hours = std::clamp(Hours, 1u, 0xFFFFFEu);
    RamImage[RamLiveOpTime] = std::uint8_t(Hours);
    RamImage[RamLiveOpTime + 1] = std::uint8_t(Hours >> 8);
    RamImage[RamLiveOpTime + 2] = std::uint8_t(Hours >> 16);

    const auto Temp = static_cast<std::int8_t>(RamImage[RamLiveTemp]);
    const unsigned Slot = Count % RingSlots;
    const std::size_t Record = EeRing + Slot * RecordSize;
    Put24Msb(E, Record, Hours);
    E[Record + 3] = Status;
    E[Record + 4] = RamImage[RamLiveFreq];
    E[Record + 5] = static_cast<std::uint8_t>(Temp);

    ++Count;
    E[EeFaultCount] = std::uint8_t(Count >> 8);
    E[EeFaultCount + 1] = std::uint8_t(Count);
    E[EeNewestOffset] = static_cast<std::uint8_t>(Slot * RecordSize);
    E[EeFaultStatus] = 0x00;

    // An erased block has no extremes yet (both bytes 0xFF); the first record sets them.
    const bool NoExtremes = E[EeMinTemp] == 0xFF && E[EeMaxTemp] == 0xFF && E[EeOpTimeStatus] == 0xFF;
    const auto Min = static_cast<std::int8_t>(E[EeMinTemp]);
    const auto Max = static_cast<std::int8_t>(E[EeMaxTemp]);
    E[EeMinTemp] = static_cast<std::uint8_t>(NoExtremes ? Temp : std::min(Min, Temp));
    E[EeMaxTemp] = static_cast<std::uint8_t>(NoExtremes ? Temp : std::max(Max, Temp));

    E[EeOpTimeStatus] = 0x00;
    Put24Msb(E, EeOpTime, Hours);
}
