#include "UiTestHelpers.h"
#include "ui/LOESEN.h"
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

struct Entry {
    const char* Typed;
    const char* Button; // the button that closes the dialog, or nullptr for the title-bar close
    bool Result;
};

class PasswordDlgTest : public ::testing::Test {
protected:
    TPasswordDlg Dialog;

    // Opens the dialog, records what the field held when shown, types and closes.
    bool Enter(const Entry& entry, QString* shownText = nullptr)
    {
        WhenModal([&] {
            auto* edit = Component<QLineEdit>(&Dialog, "EditPassword");
            if (shownText)
                *shownText = edit->text();
            QTest::keyClicks(edit, entry.Typed);
            if (entry.Button)
                QTest::mouseClick(Component<QPushButton>(&Dialog, entry.Button), Qt::LeftButton);
            else
                Dialog.close();
        });
        return Dialog.RunModal();
    }
};

TEST_F(PasswordDlgTest, OkCancelAndCloseGiveTheirResultAndTheTextIsKeptExactly)
{
    const Entry entries[] = {
        {"583920174 ", "ButtonOk", true},
        {"583920174", "ButtonCancel", false},
        {"583920174", nullptr, false},
    };
    for (const Entry& entry : entries) {
        EXPECT_EQ(Enter(entry), entry.Result) << entry.Typed;
        EXPECT_EQ(Dialog.GetPassword(), QString(entry.Typed));
    }
}

TEST_F(PasswordDlgTest, FieldIsEmptyEveryTimeTheDialogIsShown)
{
    QString shown = "unset";
    Enter({"wrong", "ButtonOk", true});
    Enter({"", "ButtonOk", true}, &shown);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(Dialog.GetPassword(), "");
    EXPECT_EQ(Component<QLineEdit>(&Dialog, "EditPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Dialog.windowTitle(), "Admin");
}

} // namespace
