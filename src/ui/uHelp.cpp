#include "ui/uHelp.h"
#include "platform/WindowPlacement.h"
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

namespace {
const char* const ContextProperty = "kivHelpContext";
}

void SetHelpContext(QWidget* widget, int context)
{
    widget->setProperty(ContextProperty, context);
}

int GetHelpContext(const QWidget* widget)
{
    return widget ? widget->property(ContextProperty).toInt() : 0;
}

int HelpContextFor(const QWidget* focused)
{
    for (const QWidget* w = focused; w; w = w->parentWidget()) {
        if (const int context = GetHelpContext(w))
            return context;
    }
    return 0;
}

THelp::THelp(const QString& programDir, QObject* parent) : QObject(parent), ProgramDir(programDir) {}

THelp::~THelp()
{
    delete Browser.data();
}

QTextBrowser* THelp::Window() const
{
    return Browser.data();
}

QString THelp::HelpFile() const
{
    return QDir(ProgramDir).filePath(QStringLiteral("HelpFiles/KivHelp.html"));
}

void THelp::CreateWindow()
{
    Browser = new QTextBrowser;
    Browser->setObjectName(QStringLiteral("HelpWindow"));
    Browser->setWindowFlags(Qt::Window);
    Browser->setWindowTitle(QStringLiteral("Kiv"));
    Browser->setOpenExternalLinks(true);
    Browser->resize(560, 520);
}

void THelp::MoveUnder(QWidget* owner)
{
    if (Browser->parentWidget() == owner)
        return;
    if (QWidget* old = Browser->parentWidget())
        old->removeEventFilter(this);
    const bool shown = Browser->isVisible();
    const QPoint at = Browser->pos();
    Browser->setParent(owner, Qt::Window);
    if (owner)
        owner->installEventFilter(this);
    if (shown) {
        Browser->move(at);
        Browser->show();
    }
}

void THelp::ShowHelp(int context, const QWidget* asking)
{
    if (!asking)
        asking = QApplication::activeWindow();
    if (!Browser)
        CreateWindow();
    // A modal window blocks every other window but its own: the help window joins the one open at
    // the moment, so it can be read, scrolled and closed there.
    MoveUnder(QApplication::activeModalWidget());
    QUrl url = QUrl::fromLocalFile(HelpFile());
    if (context > 0)
        url.setFragment(QString::number(context));
    Browser->setSource(url);
    if (!Browser->isVisible()) {
        WindowPlacement::PlaceBeside(Browser, asking);
        Browser->show();
    }
    // Shown, the window system has told its frame; a window moved off the screens comes back.
    WindowPlacement::KeepOnScreen(Browser);
    Browser->raise();
    Browser->activateWindow();
}

bool THelp::eventFilter(QObject* watched, QEvent* event)
{
    // The dialog that held the help window closes: the help window stays, on its own.
    if (Browser && watched == Browser->parentWidget()
        && (event->type() == QEvent::Hide || event->type() == QEvent::DeferredDelete)) {
        MoveUnder(nullptr);
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && Browser) {
        auto* target = qobject_cast<QWidget*>(watched);
        if (target && target->window() == Browser.data()) {
            Browser->close();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        // The first receiver of a key press is the focused control; taking the event here also
        // keeps it from travelling on to the parents.
        auto* target = qobject_cast<QWidget*>(watched);
        if (target && (!Browser || target->window() != Browser.data())) {
            ShowHelp(HelpContextFor(target), target->window());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
