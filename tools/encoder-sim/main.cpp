// kiv-encoder-sim: serves a simulated encoder on a pseudo-terminal until SIGINT or SIGTERM.

#include "EncoderSim.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const Usage =
    "usage: kiv-encoder-sim --link PATH [--image FILE] [--checksum chained|plain|wrong]\n"
    "                       [--baud N] [--turnaround MS] [--live] [--modem]\n"
    "                       [--hangup-after N [--replug-after MS]] [--silent-after N]\n"
    "                       [--garbage-after N] [--wrong-checksum-at N] [--slow MS]\n"
    "  --link PATH        make PATH a symbolic link to the simulator's serial device\n"
    "  --image FILE       load an encoder image (default: blank RAM, erased EEPROM)\n"
    "  --checksum MODE    response checksum; overrides the image's (default chained)\n"
    "  --baud N           pace answers at N baud, 10 bits per byte (default 0: unpaced)\n"
    "  --turnaround MS    wait MS milliseconds before answering (default 0)\n"
    "  --live             drift the live values and store a new fault now and then\n"
    "  --modem            act as a modem until an \"atd...\" line connects\n"
    "Fault injection (requests counted from the start, first request = 1):\n"
    "  --hangup-after N   after answering request N close the line, as a pulled adapter does,\n"
    "                     and remove the link\n"
    "  --replug-after MS  then, MS milliseconds later, serve a fresh line at the same link\n"
    "                     (fault injection off) and print its device\n"
    "  --silent-after N   answer nothing after request N\n"
    "  --garbage-after N  answer noise after request N\n"
    "  --wrong-checksum-at N  answer request N with a wrong checksum, once\n"
    "  --slow MS          wait MS milliseconds before every answer byte\n";

[[noreturn]] void BadArguments(const std::string& Why)
{
    std::cerr << "kiv-encoder-sim: " << Why << "\n" << Usage;
    std::exit(2);
}

unsigned ToUnsigned(const std::string& Option, const std::string& Text)
{
    char* End = nullptr;
    errno = 0;
    const unsigned long Value = std::strtoul(Text.c_str(), &End, 10);
    if (Text.empty() || *End != '\0' || errno != 0 || Value > 10'000'000 || Text[0] == '-')
        BadArguments(Option + " needs a non-negative number, not '" + Text + "'");
    return static_cast<unsigned>(Value);
}

// Replaces a stale link from an earlier run, but never a real file that happens to sit there.
bool MakeLink(const std::string& Target, const std::string& Link)
{
    struct stat Info;
    if (lstat(Link.c_str(), &Info) == 0) {
        if (!S_ISLNK(Info.st_mode)) {
            std::cerr << "kiv-encoder-sim: " << Link << " exists and is not a symbolic link\n";
            return false;
        }
        unlink(Link.c_str());
    }
    if (symlink(Target.c_str(), Link.c_str()) != 0) {
        std::cerr << "kiv-encoder-sim: cannot create " << Link << ": " << std::strerror(errno) << "\n";
        return false;
    }
    return true;
}

// Removes the link only while it still points at our device: another simulator may own it now.
void RemoveLink(const std::string& Target, const std::string& Link)
{
    char Buffer[4096];
    const ssize_t N = readlink(Link.c_str(), Buffer, sizeof Buffer - 1);
    if (N > 0 && std::string(Buffer, static_cast<std::size_t>(N)) == Target)
        unlink(Link.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::string Link, Image;
    std::optional<TSimChecksumMode> Checksum;
    unsigned Baud = 0, Turnaround = 0;
    bool Live = false, Modem = false;
    TSimInjection Injection;
    int ReplugAfter = -1;

    for (int i = 1; i < argc; ++i) {
        const std::string Arg = argv[i];
        auto Value = [&]() -> std::string {
            if (i + 1 >= argc)
                BadArguments(Arg + " needs a value");
            return argv[++i];
        };
        if (Arg == "--link")
            Link = Value();
        else if (Arg == "--image")
            Image = Value();
        else if (Arg == "--checksum") {
            const std::string Mode = Value();
            if (Mode == "chained")
                Checksum = TSimChecksumMode::Chained;
            else if (Mode == "plain")
                Checksum = TSimChecksumMode::Plain;
            else if (Mode == "wrong")
                Checksum = TSimChecksumMode::Wrong;
            else
                BadArguments("unknown checksum '" + Mode + "'");
        } else if (Arg == "--baud")
            Baud = ToUnsigned(Arg, Value());
        else if (Arg == "--turnaround")
            Turnaround = ToUnsigned(Arg, Value());
        else if (Arg == "--hangup-after")
            Injection.HangUpAfter = ToUnsigned(Arg, Value());
        else if (Arg == "--replug-after")
            ReplugAfter = static_cast<int>(ToUnsigned(Arg, Value()));
        else if (Arg == "--silent-after")
            Injection.SilentAfter = ToUnsigned(Arg, Value());
        else if (Arg == "--garbage-after")
            Injection.GarbageAfter = ToUnsigned(Arg, Value());
        else if (Arg == "--wrong-checksum-at")
            Injection.WrongChecksumAt = ToUnsigned(Arg, Value());
        else if (Arg == "--slow")
            Injection.SlowMs = ToUnsigned(Arg, Value());
        else if (Arg == "--live")
            Live = true;
        else if (Arg == "--modem")
            Modem = true;
        else if (Arg == "--help" || Arg == "-h") {
            std::cout << Usage;
            return 0;
        } else
            BadArguments("unknown argument '" + Arg + "'");
    }
    if (Link.empty())
        BadArguments("--link is required");
    if (ReplugAfter >= 0 && Injection.HangUpAfter == 0)
        BadArguments("--replug-after goes with --hangup-after");

    TEncoderSim Sim;
    try {
        if (!Image.empty())
            Sim.LoadImage(Image);
    } catch (const std::exception& E) {
        std::cerr << "kiv-encoder-sim: " << E.what() << "\n";
        return 1;
    }
    if (Checksum)
        Sim.SetChecksumMode(*Checksum);
    Sim.SetPacing(Baud, Turnaround);
    Sim.SetModemMode(Modem);
    Sim.SetLive(Live);
    Sim.SetInjection(Injection);

    // Blocked before the serving thread exists, so only sigwait below sees the signals.
    sigset_t Signals;
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Signals, nullptr);

    // Serves a fresh line behind the link and prints its device; false when that fails.
    std::string Slave;
    auto ServeLine = [&]() {
        try {
            Slave = Sim.Start();
        } catch (const std::exception& E) {
            std::cerr << "kiv-encoder-sim: " << E.what() << "\n";
            return false;
        }
        if (!MakeLink(Slave, Link)) {
            Sim.Stop();
            return false;
        }
        std::cout << Slave << std::endl;
        return true;
    };
    if (!ServeLine())
        return 1;

    // Waits for a signal, watching for the line going down meanwhile; false on a signal.
    auto Wait = [&Signals](int Ms) {
        const timespec Step{Ms / 1000, (Ms % 1000) * 1'000'000L};
        return sigtimedwait(&Signals, nullptr, &Step) < 0;
    };
    for (;;) {
        if (!Wait(20))
            break;
        if (!Sim.LineDown())
            continue;
        // Unplugged: the device name goes away with the line.
        RemoveLink(Slave, Link);
        Sim.Stop();
        if (ReplugAfter < 0) {
            while (Wait(1000)) {
            }
            return 0;
        }
        bool Signalled = false;
        for (int Left = ReplugAfter; Left > 0 && !Signalled; Left -= 20)
            Signalled = !Wait(std::min(Left, 20));
        if (Signalled)
            return 0;
        Sim.SetInjection({});
        if (!ServeLine())
            return 1;
    }
    Sim.Stop();
    RemoveLink(Slave, Link);
    return 0;
}
