#include "ui/uKivWebBrowser.h"
#include "settings/uApplIniFile.h"
#include "ui/uKivResources.h"
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QLineEdit>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// A page that never answers must not leave the window waiting for ever.
constexpr int FetchTimeoutMs = 20000;
}

TKivTextBrowser::TKivTextBrowser(QWidget* parent) : QTextBrowser(parent) {}

bool TKivTextBrowser::IsRemote(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == "http" || scheme == "https";
}

QUrl TKivTextBrowser::WithoutFragment(QUrl url)
{
    url.setFragment(QString());
    return url;
}

QByteArray TKivTextBrowser::ErrorPage(const QUrl& url, const QString& reason)
{
    return QString("<html><head><meta charset=\"utf-8\"></head><body><h3>%1</h3><p>%2</p></body></html>")
        .arg(url.toDisplayString().toHtmlEscaped(), reason.toHtmlEscaped())
        .toUtf8();
}

// Relative addresses inside a remote page belong to that page's server.
QUrl TKivTextBrowser::Absolute(const QUrl& url) const
{
    if (!url.isRelative())
        return url;
    if (IsRemote(source()))
        return source().resolved(url);
    if (IsRemote(document()->baseUrl()))
        return document()->baseUrl().resolved(url);
    return url;
}

void TKivTextBrowser::Navigate(const QString& address)
{
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (!url.isValid() || url.isEmpty())
        return;
    Fetched.remove(WithoutFragment(url));
    if (!source().isEmpty() && WithoutFragment(url) == WithoutFragment(source()))
        reload();
    else
        setSource(url);
}

void TKivTextBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    const QUrl url = Absolute(name);
    if (IsRemote(url) && !Fetched.contains(WithoutFragment(url))) {
        FetchPage(url, type);
        return;
    }
    PendingPage.clear();
    QTextBrowser::doSetSource(url, type);
    emit PageShown(url);
}

QVariant TKivTextBrowser::loadResource(int type, const QUrl& name)
{
    const QUrl url = Absolute(name);
    const bool page = type == QTextDocument::HtmlResource || type == QTextDocument::MarkdownResource;
    if (IsRemote(url)) {
        const auto it = Fetched.constFind(WithoutFragment(url));
        if (it != Fetched.cend())
            return *it;
        if (type == QTextDocument::ImageResource)
            FetchImage(WithoutFragment(url));
        return page ? QVariant(ErrorPage(url, tr("This page is no longer at hand."))) : QVariant();
    }
    QVariant data = QTextBrowser::loadResource(type, name);
    if (data.isNull() && page)
        return ErrorPage(url, tr("The file could not be read."));
    return data;
}

void TKivTextBrowser::FetchPage(const QUrl& url, QTextDocument::ResourceType type)
{
    PendingPage = url;
    QNetworkRequest request(WithoutFragment(url));
    request.setTransferTimeout(FetchTimeoutMs);
    QNetworkReply* reply = Network.get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, type] {
        reply->deleteLater();
        Fetched.insert(WithoutFragment(url), reply->error() == QNetworkReply::NoError
                                                 ? reply->readAll()
                                                 : ErrorPage(url, reply->errorString()));
        if (PendingPage != url)
            return; // the user has gone elsewhere meanwhile
        PendingPage.clear();
        QTextBrowser::doSetSource(url, type);
        emit PageShown(url);
    });
}

void TKivTextBrowser::FetchImage(const QUrl& url)
{
    if (ImagesInFlight.contains(url))
        return;
    ImagesInFlight.insert(url);
    QNetworkRequest request(url);
    request.setTransferTimeout(FetchTimeoutMs);
    QNetworkReply* reply = Network.get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        ImagesInFlight.remove(url);
        // A failed image stays empty rather than being asked for again at every layout.
        Fetched.insert(url, reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray());
        document()->markContentsDirty(0, document()->characterCount());
    });
}

TfKivWebBrowser::TfKivWebBrowser(const QString& startAddress, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowMaximizeButtonHint)
{
    EnsureKivResources();
    setObjectName("fKivWebBrowser");
    setWindowTitle("Kiv Web Browser");
    resize(688, 446);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedHeight(41);
    layout->addWidget(Panel1);

    Edit1 = new QLineEdit(startAddress, Panel1);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(32, 10, 193, 21);
    connect(Edit1, &QLineEdit::returnPressed, this, &TfKivWebBrowser::sbtnConnectClick);

    sbtnConnect = new QToolButton(Panel1);
    sbtnConnect->setObjectName("sbtnConnect");
    sbtnConnect->setText("Connect");
    sbtnConnect->setAutoRaise(true);
    QFont connectFont("Times New Roman");
    connectFont.setBold(true);
    sbtnConnect->setFont(connectFont);
    sbtnConnect->setGeometry(234, 8, 75, 25);
    connect(sbtnConnect, &QToolButton::clicked, this, &TfKivWebBrowser::sbtnConnectClick);

    sbtnGoBack = new QToolButton(Panel1);
    sbtnGoBack->setObjectName("sbtnGoBack");
    sbtnGoBack->setIcon(QIcon(":/images/go-back.png"));
    sbtnGoBack->setAutoRaise(true);
    sbtnGoBack->setGeometry(315, 8, 23, 25);
    connect(sbtnGoBack, &QToolButton::clicked, this, &TfKivWebBrowser::sbtnGoBackClick);

    sbtnGoForward = new QToolButton(Panel1);
    sbtnGoForward->setObjectName("sbtnGoForward");
    sbtnGoForward->setIcon(QIcon(":/images/go-forward.png"));
    sbtnGoForward->setAutoRaise(true);
    sbtnGoForward->setGeometry(344, 8, 23, 25);
    connect(sbtnGoForward, &QToolButton::clicked, this, &TfKivWebBrowser::sbtnGoForwardClick);

    WebBrowser1 = new TKivTextBrowser(this);
    WebBrowser1->setObjectName("WebBrowser1");
    layout->addWidget(WebBrowser1);
}

QString TfKivWebBrowser::DefaultHomePage(const QString& programFolder)
{
    return QDir(programFolder).filePath("HelpFiles/KivHome.html");
}

QString TfKivWebBrowser::HomePage(const TApplIniFile& settings, const QString& programFolder)
{
    return settings.ReadHomePage(DefaultHomePage(programFolder));
}

// The address is used as typed; following links inside the page leaves it alone.
void TfKivWebBrowser::sbtnConnectClick()
{
    WebBrowser1->Navigate(Edit1->text());
}

void TfKivWebBrowser::sbtnGoBackClick()
{
    WebBrowser1->backward();
}

void TfKivWebBrowser::sbtnGoForwardClick()
{
    WebBrowser1->forward();
}

// Coming back to the window loads the address in Edit1 again.
bool TfKivWebBrowser::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        sbtnConnectClick();
    return handled;
}
