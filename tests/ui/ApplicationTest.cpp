#include "support/FakeDialogs.h"
#include "UiTestHelpers.h"
#include "platform/Exception.h"
#include "ui/KivApplication.h"
#include "platform/WindowPlacement.h"
#include "ui/fDiagOptions.h"
#include "ui/fKiv.h"
#include "ui/fStoredFaultView.h"
#include "ui/uHelp.h"
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest/QTest>
#include <stdexcept>

TEST(ExceptionDisplay, AnExceptionFromAHandlerIsShownAndTheProgramGoesOn)
{
    // The delivery is the handler itself here: an exception unwinding through Qt's own frames
    // skips their clean-ups, which the leak checker would rightly count against the test.
    FakeDialogs dialogs;
    EXPECT_FALSE(DeliverShowingErrors([]() -> bool { throw Exception(QString::fromUtf8("Läsfel på porten")); },
                                      dialogs));
    EXPECT_FALSE(DeliverShowingErrors([]() -> bool { throw std::runtime_error("plain"); }, dialogs));
    EXPECT_TRUE(DeliverShowingErrors([] { return true; }, dialogs));

    ASSERT_EQ(dialogs.Messages.size(), 2u);
    EXPECT_EQ(dialogs.Messages[0].Text, QString::fromUtf8("Läsfel på porten"));
    EXPECT_EQ(dialogs.Messages[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(dialogs.Messages[0].Buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(dialogs.Messages[1].Text, "plain");
}

TEST(Help, F1OpensTheHelpPageAtTheFocusedControlsContext)
{
    FakeDialogs dialogs;
    TKIV window(dialogs);
    THelp help(QStringLiteral(KIV_PROGRAM_DIR));
    qApp->installEventFilter(&help);
    ASSERT_TRUE(QFile::exists(help.HelpFile()));

    const struct {
        QWidget* Focused;
        const char* Context;
    } cases[] = {
        {window.findChild<QListWidget*>("lstbFaultStatus"), "18"},
        {window.findChild<QHeaderView*>("HeaderControl1"), "13"},
        {window.findChild<QPushButton*>("btnSingleUpdate"), "10"}, // none of its own: the window's
        {window.StoredFaultView().findChild<QPushButton*>("btnNext"), "18"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Context);
        ASSERT_NE(c.Focused, nullptr);
        QTest::keyClick(c.Focused, Qt::Key_F1);
        ASSERT_NE(help.Window(), nullptr);
        EXPECT_EQ(help.Window()->source().fragment(), c.Context);
        EXPECT_TRUE(help.Window()->isVisible());
    }
    EXPECT_TRUE(help.Window()->toPlainText().contains("fault viewer"));

    // Over the open viewer the help window must not be blocked by it: it becomes its child.
    TStoredFaultView& viewer = window.StoredFaultView();
    WhenModal([&] {
        QTest::keyClick(viewer.findChild<QPushButton*>("btnBack"), Qt::Key_F1);
        EXPECT_EQ(help.Window()->parentWidget(), &viewer);
        EXPECT_TRUE(help.Window()->isWindow());
        viewer.reject();
    });
    viewer.RunModal();
    qApp->removeEventFilter(&help);
}

// F1 in the options dialog: the help window is a window of its own on the screen, usable while
// the dialog blocks the rest, and it stays open, on its own, once the dialog has closed.
TEST(Help, FromAModalDialogItIsAnOrdinaryWindowOnScreenThatOutlivesTheDialog)
{
    THelp help(QStringLiteral(KIV_PROGRAM_DIR));
    qApp->installEventFilter(&help);
    TDiagOptions options;
    options.move(60, 40);
    auto titleBarOnScreen = [](const QWidget* window) {
        const QRect titleBar(window->frameGeometry().topLeft(), QSize(window->frameGeometry().width(), 30));
        for (const QRect& screen : WindowPlacement::AvailableScreens())
            if (screen.contains(titleBar))
                return true;
        return false;
    };

    WhenModal([&] {
        QTest::keyClick(options.findChild<QComboBox*>("cbComPort"), Qt::Key_F1);
        QTextBrowser* window = help.Window();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isWindow());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->source().fragment(), "19");
        EXPECT_EQ(window->parentWidget(), &options); // else the dialog would block it
        EXPECT_TRUE(titleBarOnScreen(window));
        EXPECT_EQ(window->windowTitle(), "Kiv");

        // Moved by the user, it stays there on the next F1.
        window->move(window->x() + 7, window->y() + 5);
        const QPoint moved = window->pos();
        QTest::keyClick(options.findChild<QComboBox*>("cbLang"), Qt::Key_F1);
        EXPECT_EQ(window->pos(), moved);
        options.reject();
    });
    options.RunModal();

    QTextBrowser* window = help.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(titleBarOnScreen(window));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    qApp->removeEventFilter(&help);
}
