#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

class QTextBrowser;
class QWidget;

// Help contexts: every window, and a control that has a page of its own, carries a context
// number; F1 opens the help file at the number of the focused control, or of the nearest
// enclosing control or window that has one.
void SetHelpContext(QWidget* widget, int context);
int GetHelpContext(const QWidget* widget);
int HelpContextFor(const QWidget* focused);

// The help window: a plain browser on HelpFiles/KivHelp.html in the program folder, one anchor per
// context number. Installed as an application event filter, it answers F1 on every window.
// It is an ordinary window with its frame, opened beside the window that asked and always on a
// screen. While a modal dialog is open it belongs to that dialog, which would otherwise block it,
// and it is handed back when the dialog closes. Escape closes it.
class THelp : public QObject {
public:
    explicit THelp(const QString& programDir, QObject* parent = nullptr);
    ~THelp() override;

    QString HelpFile() const;
    // The asking window is where the help opens beside; without one, the active window.
    void ShowHelp(int context, const QWidget* asking = nullptr);
    // The window after the first ShowHelp; null before.
    QTextBrowser* Window() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWindow();
    // Makes the help window a window of its own under owner (null: under none), keeping its place
    // and whether it is shown.
    void MoveUnder(QWidget* owner);

    QString ProgramDir;
    QPointer<QTextBrowser> Browser;
};
