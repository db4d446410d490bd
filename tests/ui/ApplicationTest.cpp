#include "support/FakeDialogs.h"
#include "UiTestHelpers.h"
#include "platform/Exception.h"
#include "ui/KivApplication.h"
#include "ui/fKiv.h"
#include "ui/fStoredFaultView.h"
#include "ui/uHelp.h"
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
