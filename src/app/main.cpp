#include "app/uMain.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "platform/ProgramPaths.h"
#include "ui/KivApplication.h"
#include "ui/fDiagManager.h"
#include <memory>

int main(int argc, char** argv)
{
    TQtDialogs dialogs;
    TKivApplication app(argc, argv, dialogs);
    QApplication::setApplicationName(QStringLiteral("Kiv"));

    const TProgramPaths paths = TProgramPaths::FromApplication();
    // The database goes last, after the control window has shut the rest down.
    TDataMod dataMod(paths.Dir(), dialogs);
    TMain controller(paths, dialogs);
    controller.DataMod = &dataMod;
    int result = 0;
    {
        // The control window is the application's main window: closing it ends the program.
        auto controlWindow = std::make_unique<TDiagManager>(dialogs);
        controller.StartUp(controlWindow.get());
        controlWindow->FirstStartCheck();
        result = QApplication::exec();
        // The other windows go first, newest first; the control window's end shuts the rest down.
        controller.DestroyWindows();
    }
    controller.ShutDown();
    return result;
}
