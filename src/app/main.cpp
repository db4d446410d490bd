#include "app/uMain.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "platform/ProgramPaths.h"
#include "ui/KivApplication.h"
#include "ui/fDiagManager.h"
#include <QFileInfo>
#include <memory>
#include <optional>

int main(int argc, char** argv)
{
    TQtDialogs dialogs;
    TKivApplication app(argc, argv, dialogs);
    QApplication::setApplicationName(QStringLiteral("Kiv"));

    // Without its per-user folder Kiv still starts from the installed folder; what it may not
    // write there it keeps for that run only.
    std::optional<TProgramPaths> found;
    DeliverShowingErrors(
        [&] {
            found = TProgramPaths::FromApplication();
            return true;
        },
        dialogs);
    const TProgramPaths paths = found ? *found
                                      : TProgramPaths(QCoreApplication::applicationDirPath(),
                                                      QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    // The database goes last, after the control window has shut the rest down. Kiv runs without
    // it when it cannot be made.
    std::unique_ptr<TDataMod> dataMod;
    DeliverShowingErrors(
        [&] {
            dataMod = std::make_unique<TDataMod>(paths.Dir(), dialogs);
            return true;
        },
        dialogs);
    TMain controller(paths, dialogs);
    controller.DataMod = dataMod.get();
    int result = 0;
    {
        // The control window is the application's main window: closing it ends the program.
        auto controlWindow = std::make_unique<TDiagManager>(dialogs);
        controller.Start(controlWindow.get());
        result = QApplication::exec();
        // The other windows go first, newest first; the control window's end shuts the rest down.
        controller.DestroyWindows();
    }
    controller.ShutDown();
    return result;
}
