#pragma once
#include <QApplication>
#include <functional>
#include <memory>

class TDialogs;
class THelp;

// Runs one delivery of an event. An exception that escapes it is shown in an error box with an OK
// button and the program goes on; the event then counts as not handled.
bool DeliverShowingErrors(const std::function<bool()>& deliver, TDialogs& dialogs);

// The application object: every exception that escapes an event handler ends in the default
// exception display above instead of ending the program.
class TKivApplication : public QApplication {
public:
    TKivApplication(int& argc, char** argv, TDialogs& dialogs);
    ~TKivApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // From then on F1 opens the help in the program folder on every window.
    void EnableHelp(const QString& programDir);
    THelp* Help() const { return HelpHook.get(); }

private:
    TDialogs& Dialogs;
    std::unique_ptr<THelp> HelpHook;
};
