#include "ui/uHelp.h"
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

void THelp::ShowHelp(int context)
{
    if (!Browser) {
        Browser = new QTextBrowser;
        Browser->setObjectName(QStringLiteral("HelpWindow"));
        Browser->setWindowTitle(QStringLiteral("Kiv"));
        Browser->setOpenExternalLinks(true);
        Browser->resize(560, 520);
    }
    // A modal window blocks every other window but its own children: the help window joins the
    // one open at the moment, so it can be read and scrolled there.
    QWidget* modal = QApplication::activeModalWidget();
    if (Browser->parentWidget() != modal) {
        const QRect placement = Browser->geometry();
        Browser->setParent(modal, Qt::Window);
        Browser->setGeometry(placement);
    }
    QUrl url = QUrl::fromLocalFile(HelpFile());
    if (context > 0)
        url.setFragment(QString::number(context));
    Browser->setSource(url);
    Browser->show();
    Browser->raise();
    Browser->activateWindow();
}

bool THelp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        // The first receiver of a key press is the focused control; taking the event here also
        // keeps it from travelling on to the parents.
        auto* target = qobject_cast<QWidget*>(watched);
        if (target && (!Browser || target->window() != Browser.data())) {
            ShowHelp(HelpContextFor(target));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
