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
class THelp : public QObject {
public:
    explicit THelp(const QString& programDir, QObject* parent = nullptr);
    ~THelp() override;

    QString HelpFile() const;
    void ShowHelp(int context);
    // The window after the first ShowHelp; null before.
    QTextBrowser* Window() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString ProgramDir;
    QPointer<QTextBrowser> Browser;
};
