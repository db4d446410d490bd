#pragma once
#include <QDialog>
#include <QHash>
#include <QNetworkAccessManager>
#include <QSet>
#include <QTextBrowser>
#include <QUrl>

class QFrame;
class QLineEdit;
class QToolButton;
class TApplIniFile;

// A text browser that also reads http(s) pages. Local files load as QTextBrowser loads them;
// remote pages and their images are fetched in the background and shown when they arrive, so a
// slow server never blocks the window. Back and forward replay the browser's own history from
// what was fetched.
class TKivTextBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit TKivTextBrowser(QWidget* parent = nullptr);

    // Goes to an address as a user types it: a path, a file: URL or an http(s) address. The
    // address is always loaded afresh, also when it is the page already shown.
    void Navigate(const QString& address);
    // True while a remote page is being fetched.
    bool IsLoading() const { return !PendingPage.isEmpty(); }

    QVariant loadResource(int type, const QUrl& name) override;

signals:
    // A navigation has come to an end: the page (or its error page) is shown.
    void PageShown(const QUrl& url);

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    static bool IsRemote(const QUrl& url);
    static QUrl WithoutFragment(QUrl url);
    static QByteArray ErrorPage(const QUrl& url, const QString& reason);
    QUrl Absolute(const QUrl& url) const;
    void FetchPage(const QUrl& url, QTextDocument::ResourceType type);
    void FetchImage(const QUrl& url);

    QNetworkAccessManager Network;
    QHash<QUrl, QByteArray> Fetched; // remote pages and images, by address without fragment
    QSet<QUrl> ImagesInFlight;
    QUrl PendingPage;
};

// The small browser window that the main window opens from its logo. Its texts are fixed.
class TfKivWebBrowser : public QDialog {
    Q_OBJECT
public:
    explicit TfKivWebBrowser(const QString& startAddress, QWidget* parent = nullptr);

    // The bundled start page in the program folder.
    static QString DefaultHomePage(const QString& programFolder);
    // The start address: the setting "HomePage" of section "Application", else the bundled page.
    static QString HomePage(const TApplIniFile& settings, const QString& programFolder);

    void sbtnConnectClick();
    void sbtnGoBackClick();
    void sbtnGoForwardClick();

protected:
    bool event(QEvent* event) override;

private:
    QFrame* Panel1;
    QLineEdit* Edit1;
    QToolButton* sbtnConnect;
    QToolButton* sbtnGoBack;
    QToolButton* sbtnGoForward;
    TKivTextBrowser* WebBrowser1;
};
