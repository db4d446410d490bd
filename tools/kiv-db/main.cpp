// kiv-db: carries the readings saved in a program folder into the remote database, or puts the
// first copy of the database there, as the database viewer and the options dialog do.

#include "db/FmxUtils.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "settings/uApplIniFile.h"
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

const char* const Usage =
    "usage: kiv-db (sync | init) [--folder DIR]\n"
    "  sync          import the readings saved in the folder into the remote database that its\n"
    "                kiv.ini names (RemoteDBDir), as the database viewer's update does, and print\n"
    "                what went in\n"
    "  init          copy the folder's local database into the remote folder unless one is there\n"
    "  --folder DIR  Kiv's folder (default: the folder kiv-db is in, or ~/.local/share/kiv when\n"
    "                that is not writable)\n";

// Nobody is there to answer: a question is answered No, so nothing is changed unasked.
class TToolDialogs : public TStderrDialogs {
public:
    TToolDialogs() : TStderrDialogs("kiv-db") {}
    TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override
    {
        const TModalResult answer = TStderrDialogs::MessageDlg(text, type, buttons);
        return (buttons & mbNo) ? TModalResult::No : answer;
    }
};

void Print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2 && args[1] == QLatin1String("--help")) {
        Print(stdout, QString::fromLatin1(Usage));
        return 0;
    }
    const bool withFolder = args.size() == 4 && args[2] == QLatin1String("--folder");
    if ((args.size() != 2 && !withFolder) || (args[1] != QLatin1String("sync") && args[1] != QLatin1String("init"))) {
        Print(stderr, QString::fromLatin1(Usage));
        return 2;
    }
    const QString folder = withFolder ? QDir(args[3]).absolutePath()
                                      : DefaultToolFolder(QCoreApplication::applicationDirPath());
    if (!QDir(folder).exists()) {
        Print(stderr, QStringLiteral("kiv-db: no folder \"%1\"\n").arg(folder));
        return 2;
    }
    TToolDialogs dialogs;
    TIniFile settingsFile(QDir(folder).filePath(SettingsFileName(QStringLiteral("kiv"))));
    TApplIniFile settings(&settingsFile);
    try {
        TDataMod dataMod(folder, dialogs);
        if (dialogs.MessagesShown > 0)
            return 1; // the local database could not be opened; the message is out
        dataMod.RemoteDir = [&settings] { return settings.ReadRemoteDBDir(); };
        if (args[1] == QLatin1String("init")) {
            TStderrDialogs copyDialogs("kiv-db");
            InitRemoteDatabase(settings, dataMod, copyDialogs, QStringLiteral("Detta"),
                               QStringLiteral("Cannot copy the database to %1").arg(settings.ReadRemoteDBDir()));
            if (settings.ReadDBIniValue() != 1)
                return 1;
            Print(stdout, QStringLiteral("Remote database: %1\n").arg(dataMod.RemoteDatabasePath()));
            return 0;
        }
        dataMod.SelectDatabase(true);
        dataMod.UpdateDatabase();
        const TDataMod::TImportCounts& n = dataMod.LastImport();
        Print(stdout, QStringLiteral("Imported into %1:\n  ENCODER_ID %2\n  FAULTS_ID %3\n  EncoderPropertyID %4\n"
                                     "  AliasTab %5\n")
                          .arg(dataMod.RemoteDatabasePath())
                          .arg(n.EncoderIds)
                          .arg(n.Faults)
                          .arg(n.Properties)
                          .arg(n.Aliases));
        dataMod.SelectDatabase(false);
    } catch (const std::exception& e) {
        Print(stderr, QStringLiteral("kiv-db: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
    return 0;
}
