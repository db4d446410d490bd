#include "UiTestHelpers.h"
#include "platform/IniFile.h"
#include "settings/uApplIniFile.h"
#include "ui/uKivWebBrowser.h"
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <map>

namespace {

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Serves fixed pages over HTTP/1.0 on the loopback interface and counts the requests.
class TinyHttpServer {
public:
    std::map<QByteArray, QByteArray> Pages;
    QStringList Requests;

    TinyHttpServer()
    {
        Server.listen(QHostAddress::LocalHost);
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = Server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString Url(const char* path) const
    {
        return QString("http://127.0.0.1:%1%2").arg(Server.serverPort()).arg(path);
    }

private:
    void Answer(QTcpSocket* socket)
    {
        QByteArray& request = Buffers[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        Requests << QString::fromLatin1(path);
        const auto page = Pages.find(path);
        const QByteArray body = page != Pages.end() ? page->second : QByteArray("<p>missing</p>");
        socket->write((page != Pages.end() ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n")
                      + QByteArray("Content-Type: text/html; charset=utf-8\r\nContent-Length: ")
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
        Buffers.erase(socket);
    }
    QTcpServer Server;
    std::map<QTcpSocket*, QByteArray> Buffers;
};

class WebBrowserTest : public ::testing::Test {
protected:
    QTemporaryDir Folder;

    static TKivTextBrowser* Browser(TfKivWebBrowser& window)
    {
        return Component<TKivTextBrowser>(&window, "WebBrowser1");
    }
    static void Activate(TfKivWebBrowser& window)
    {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activate);
    }
    static void Click(TfKivWebBrowser& window, const char* button)
    {
        QTest::mouseClick(Component<QToolButton>(&window, button), Qt::LeftButton);
    }
};

TEST_F(WebBrowserTest, LocalPagesLoadOnActivationFollowLinksAndGoBackAndForward)
{
    const QString first = Folder.filePath("first.html");
    WriteFile(first, "<p>first page</p><a href=\"second.html\">on</a>");
    WriteFile(Folder.filePath("second.html"), "<p>second page</p>");

    TfKivWebBrowser window(first);
    TKivTextBrowser* browser = Browser(window);
    EXPECT_EQ(Component<QLineEdit>(&window, "Edit1")->text(), first);
    EXPECT_EQ(window.windowTitle(), "Kiv Web Browser");

    Activate(window);
    EXPECT_TRUE(browser->toPlainText().contains("first page"));

    browser->setSource(QUrl("second.html")); // what a click on the link does
    EXPECT_TRUE(browser->toPlainText().contains("second page"));
    EXPECT_EQ(Component<QLineEdit>(&window, "Edit1")->text(), first);

    Click(window, "sbtnGoBack");
    EXPECT_TRUE(browser->toPlainText().contains("first page"));
    Click(window, "sbtnGoBack"); // nothing further back: stays
    EXPECT_TRUE(browser->toPlainText().contains("first page"));
    Click(window, "sbtnGoForward");
    EXPECT_TRUE(browser->toPlainText().contains("second page"));

    // Coming back from another window loads the address in Edit1 again, changed on disk meanwhile.
    WriteFile(first, "<p>first page, edited</p>");
    Activate(window);
    EXPECT_TRUE(browser->toPlainText().contains("first page, edited"));
}

TEST_F(WebBrowserTest, StartAddressComesFromTheSettingsElseTheBundledPage)
{
    TIniFile ini(Folder.filePath("kiv.ini"));
    TApplIniFile settings(&ini);
    EXPECT_EQ(TfKivWebBrowser::HomePage(settings, "/opt/kiv"), "/opt/kiv/HelpFiles/KivHome.html");
    ini.WriteString("Application", "HomePage", "https://example.com/kiv");
    EXPECT_EQ(TfKivWebBrowser::HomePage(settings, "/opt/kiv"), "https://example.com/kiv");
}

TEST_F(WebBrowserTest, TypedAddressLoadsOnEnterAndMissingFileShowsAnErrorPage)
{
    TfKivWebBrowser window(Folder.filePath("none.html"));
    auto* edit = Component<QLineEdit>(&window, "Edit1");
    Click(window, "sbtnConnect");
    EXPECT_TRUE(Browser(window)->toPlainText().contains("could not be read"));

    WriteFile(Folder.filePath("typed.html"), "<p>typed page</p>");
    edit->setText(Folder.filePath("typed.html"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(Browser(window)->toPlainText().contains("typed page"));
}

TEST_F(WebBrowserTest, RemotePagesAreFetchedAndHistoryReplaysThemWithoutFetchingAgain)
{
    TinyHttpServer server;
    server.Pages["/start"] = "<p>remote start</p><a href=\"/next\">next</a>";
    server.Pages["/next"] = "<p>remote next</p>";

    TfKivWebBrowser window(server.Url("/start"));
    TKivTextBrowser* browser = Browser(window);
    QSignalSpy shown(browser, &TKivTextBrowser::PageShown);

    Click(window, "sbtnConnect");
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_TRUE(browser->toPlainText().contains("remote start"));

    browser->setSource(QUrl("/next")); // relative to the remote page
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_TRUE(browser->toPlainText().contains("remote next"));
    EXPECT_EQ(browser->source().toString(), server.Url("/next"));

    Click(window, "sbtnGoBack");
    EXPECT_TRUE(browser->toPlainText().contains("remote start"));
    EXPECT_EQ(server.Requests, QStringList({"/start", "/next"}));

    // Connect fetches the address again; a server error shows as a page, not as nothing.
    server.Pages["/start"] = "<p>remote start, changed</p>";
    Click(window, "sbtnConnect");
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_TRUE(browser->toPlainText().contains("remote start, changed"));

    window.findChild<QLineEdit*>("Edit1")->setText(server.Url("/gone"));
    Click(window, "sbtnConnect");
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_TRUE(browser->toPlainText().contains("/gone"));
    EXPECT_FALSE(browser->IsLoading());
}

} // namespace
