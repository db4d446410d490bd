#include "ui/KivApplication.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "ui/uHelp.h"
#include <exception>

bool DeliverShowingErrors(const std::function<bool()>& deliver, TDialogs& dialogs)
{
    QString message;
    try {
        return deliver();
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    }
    // Shown once the handler has unwound, so the box runs its own event loop on a sound stack.
    dialogs.MessageDlg(message, TMsgDlgType::Error, mbOK);
    return false;
}

TKivApplication::TKivApplication(int& argc, char** argv, TDialogs& dialogs)
    : QApplication(argc, argv), Dialogs(dialogs)
{
}

TKivApplication::~TKivApplication()
{
    if (HelpHook)
        removeEventFilter(HelpHook.get());
}

void TKivApplication::EnableHelp(const QString& programDir)
{
    if (HelpHook)
        removeEventFilter(HelpHook.get());
    HelpHook = std::make_unique<THelp>(programDir);
    installEventFilter(HelpHook.get());
}

bool TKivApplication::notify(QObject* receiver, QEvent* event)
{
    return DeliverShowingErrors([&] { return QApplication::notify(receiver, event); }, Dialogs);
}
