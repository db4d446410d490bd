// kiv-read: reads an encoder once and prints what Kiv's main window would show.

#include "KivReader.h"
#include "KivWatch.h"
#include "db/uKivDataMod.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "settings/uCommResIniFile.h"
#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QStringList>
#include <cstdio>
#include <optional>

namespace {

const char* const Usage =
    "usage: kiv-read (--port COMn [--folder DIR] | --device PATH) [--json | --watch SECONDS [--count N] --csv]\n"
    "  --port COMn     read through port COM1..COM4, whose device the settings file kiv.ini of the\n"
    "                  program folder names (keys COM1Device..COM4Device, default /dev/ttyS0..3)\n"
    "  --folder DIR    the program folder whose settings and language apply (default: Kiv's: the\n"
    "                  folder kiv-read is in, or ~/.local/share/kiv when that is not writable);\n"
    "                  nothing in it is ever changed\n"
    "  --device PATH   read through this serial device\n"
    "  --json          print one JSON object instead of a listing\n"
    "  --watch SECONDS read the identity once, then the live values every SECONDS (0.05 to 86400)\n"
    "                  until Ctrl-C, one CSV line per reading under a header (--csv)\n"
    "  --count N       stop after N readings\n"
    "  --save          then save the reading into the program folder's database files, as the\n"
    "                  control window's save button does (--folder with --device too)\n"
    "  --alias A       the alias of an encoder saved for the first time\n";

struct TArguments {
    std::optional<int> PortIndex;   // 0..3 for COM1..COM4
    std::optional<QString> Folder;
    std::optional<QString> Device;
    bool Json = false;
    std::optional<double> WatchSeconds;
    std::optional<long> Count;
    bool Csv = false;
    bool Save = false;
    std::optional<QString> Alias;
};

// The reason when the arguments are not a valid command line.
QString Parse(const QStringList& args, TArguments& out)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == QLatin1String("--json")) {
            out.Json = true;
        } else if (arg == QLatin1String("--csv")) {
            out.Csv = true;
        } else if (arg == QLatin1String("--watch")) {
            bool ok = false;
            const double seconds = value().value_or(QString()).toDouble(&ok);
            if (!ok || seconds < 0.05 || seconds > 86400)
                return QStringLiteral("--watch needs an interval from 0.05 to 86400 seconds");
            out.WatchSeconds = seconds;
        } else if (arg == QLatin1String("--count")) {
            bool ok = false;
            const long count = value().value_or(QString()).toLong(&ok);
            if (!ok || count < 1)
                return QStringLiteral("--count needs a number of readings from 1 on");
            out.Count = count;
        } else if (arg == QLatin1String("--port")) {
            const auto port = value();
            if (!port || out.PortIndex)
                return QStringLiteral("--port needs one port name");
            const int index = QStringList{"COM1", "COM2", "COM3", "COM4"}.indexOf(*port);
            if (index < 0)
                return QStringLiteral("unknown port \"%1\"; the ports are COM1 to COM4").arg(*port);
            out.PortIndex = index;
        } else if (arg == QLatin1String("--folder")) {
            out.Folder = value();
            if (!out.Folder || out.Folder->isEmpty())
                return QStringLiteral("--folder needs a folder");
        } else if (arg == QLatin1String("--device")) {
            out.Device = value();
            if (!out.Device || out.Device->isEmpty())
                return QStringLiteral("--device needs a path");
        } else if (arg == QLatin1String("--save")) {
            out.Save = true;
        } else if (arg == QLatin1String("--alias")) {
            out.Alias = value();
            if (!out.Alias || out.Alias->isEmpty())
                return QStringLiteral("--alias needs an alias");
        } else {
            return QStringLiteral("unknown argument \"%1\"").arg(arg);
        }
    }
    if (out.WatchSeconds && (!out.Csv || out.Json))
        return QStringLiteral("--watch needs --csv, and no --json");
    if (!out.WatchSeconds && (out.Csv || out.Count))
        return QStringLiteral("--csv and --count go with --watch");
    if (out.PortIndex.has_value() == out.Device.has_value())
        return QStringLiteral("give either --port or --device");
    if (out.Folder && !out.PortIndex && !out.Save)
        return QStringLiteral("--folder goes with --port or --save");
    if (out.Save && out.WatchSeconds)
        return QStringLiteral("--save goes without --watch");
    if (out.Alias && !out.Save)
        return QStringLiteral("--alias goes with --save");
    if (out.Folder && !QDir(*out.Folder).exists())
        return QStringLiteral("no folder \"%1\"").arg(*out.Folder);
    return QString();
}

void Print(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

void Print(FILE* stream, const QString& text)
{
    Print(stream, text.toUtf8());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TArguments args;
    const QString problem = Parse(QCoreApplication::arguments(), args);
    if (!problem.isEmpty()) {
        Print(stderr, QStringLiteral("kiv-read: %1\n").arg(problem));
        Print(stderr, QString::fromLatin1(Usage));
        return 2;
    }

    const QString folder = args.Folder.value_or(DefaultToolFolder(QCoreApplication::applicationDirPath()));
    int portIndex = 0;
    QString device;
    if (args.PortIndex) {
        portIndex = *args.PortIndex;
        TIniFile settings(QDir(folder).filePath(SettingsFileName(QStringLiteral("kiv"))));
        device = TCommResIniFile(&settings).ReadComDevice(portIndex + 1);
    } else {
        device = *args.Device;
    }

    try {
        if (args.WatchSeconds) {
            TKivWatch watch(portIndex, device, *args.WatchSeconds, args.Count);
            watch.Run(stdout, stderr);
            return 0;
        }
        TKivReader reader(folder, portIndex, device);
        reader.Read();
        if (args.Json)
            Print(stdout, QJsonDocument(reader.ToJson()).toJson(QJsonDocument::Indented));
        else
            Print(stdout, reader.ToText());
        if (args.Save) {
            // The save button's own sequence in the data module; the alias stands in for the
            // question a new encoder raises.
            TStderrDialogs dialogs("kiv-read");
            TDataMod dataMod(folder, dialogs);
            const auto askAlias = [&args] { return args.Alias; };
            switch (dataMod.SaveReading(reader.ReadingTexts(), askAlias)) {
            case TSaveOutcome::Saved:
                break;
            case TSaveOutcome::NotSaved:
                Print(stderr, QStringLiteral("kiv-read: the encoder has no alias yet; give one with --alias. Nothing saved.\n"));
                return 2;
            case TSaveOutcome::AliasTaken:
                Print(stderr, QStringLiteral("kiv-read: alias \"%1\" already exists. Nothing saved.\n").arg(*args.Alias));
                return 2;
            }
        }
    } catch (const ECommResError& e) {
        Print(stderr, QStringLiteral("kiv-read: %1: %2\n").arg(device, e.Message()));
        return 1;
    } catch (const EInputError& e) {
        Print(stderr, QStringLiteral("kiv-read: %1 Nothing saved.\n").arg(e.Message()));
        return 2;
    } catch (const ESerialBiDirError& e) {
        Print(stderr, QStringLiteral("kiv-read: %1: %2\n").arg(device, e.Message()));
        return 1;
    } catch (const std::exception& e) {
        // A language or settings file that cannot be read as Kiv would read it.
        Print(stderr, QStringLiteral("kiv-read: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
    return 0;
}
