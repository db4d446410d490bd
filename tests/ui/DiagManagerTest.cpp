#include "ControlWindowFixture.h"
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

using DiagManagerTest = ControlWindowFixture;

TEST_F(DiagManagerTest, StartsCollapsedAndTheArrowTogglesTheFullHeight)
{
    const auto arrowShows = [this](int picture) {
        return Window.btnArrow->icon().cacheKey() == Window.ImageList1->Image(picture).cacheKey();
    };
    EXPECT_EQ(Window.height(), 110);
    EXPECT_EQ(Window.width(), 202);
    EXPECT_TRUE(arrowShows(0));

    const struct {
        int Height;
        int Picture;
    } steps[] = {{227, 1}, {110, 0}, {227, 1}};
    for (const auto& step : steps) {
        QTest::mouseClick(Window.btnArrow, Qt::LeftButton);
        EXPECT_EQ(Window.height(), step.Height);
        EXPECT_TRUE(arrowShows(step.Picture));
        // The status bar stays at the bottom edge.
        EXPECT_EQ(Window.aStatusBar->geometry().bottom(), step.Height - 1);
    }
    EXPECT_EQ(Window.FullHeight(), 227);
}

TEST_F(DiagManagerTest, ResetRunsOnlyAfterTheExactPasswordWithOk)
{
    const struct {
        const char* Typed;
        const char* Button;
        int Resets;
    } entries[] = {
        {"583920174 ", "ButtonOk", 0},
        {"583920174", "ButtonCancel", 0},
        {" 583920174", "ButtonOk", 0},
        {"583920174", "ButtonOk", 1},
    };
    for (const auto& entry : entries) {
        WhenModal([&] {
            QTest::keyClicks(Component<QLineEdit>(&PasswordDlg, "EditPassword"), entry.Typed);
            QTest::mouseClick(Component<QPushButton>(&PasswordDlg, entry.Button), Qt::LeftButton);
        });
        QTest::mouseClick(Window.btnRstEncoder, Qt::LeftButton);
        EXPECT_EQ(ResetCalls, entry.Resets) << "'" << entry.Typed << "'";
    }
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(DiagManagerTest, OptionsDialogPausesRepeatingAndResumesIt)
{
    bool repeatingWhileOpen = true;
    const auto openOptions = [&] {
        WhenModal([&] {
            repeatingWhileOpen = UpdateTimer.IsRepeating();
            Options.reject();
        });
        QTest::mouseClick(Window.btnOptions, Qt::LeftButton);
    };

    openOptions(); // not repeating: stays off, port stays closed
    EXPECT_FALSE(repeatingWhileOpen);
    EXPECT_FALSE(UpdateTimer.IsRepeating());
    EXPECT_FALSE(CommRes.IsOpen());
    EXPECT_EQ(WindowRefreshCalls, 0);

    UpdateTimer.SetRepeat(true);
    openOptions();
    EXPECT_FALSE(repeatingWhileOpen);
    EXPECT_TRUE(UpdateTimer.IsRepeating());
    EXPECT_EQ(WindowRefreshCalls, 1);

    // Closed meanwhile (as a port change in the dialog may): resuming opens the port again.
    WhenModal([&] {
        CommRes.Close();
        Options.reject();
    });
    QTest::mouseClick(Window.btnOptions, Qt::LeftButton);
    EXPECT_TRUE(UpdateTimer.IsRepeating());
    EXPECT_TRUE(CommRes.IsOpen());
}

TEST_F(DiagManagerTest, FirstStartShowsTheHintThenTheOptions)
{
    LangController.SelectLanguage("DefLang");
    bool optionsShown = false;
    WhenModal([&] {
        optionsShown = Options.isVisible();
        Options.reject();
    });
    Window.FirstStartCheck();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, Window.FirstTimeMsg());
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Information);
    EXPECT_TRUE(optionsShown);

    ApplIniFile.WriteDBIniValue(1);
    Window.FirstStartCheck();
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

// The save button's dialogue, against a database layer that knows one serial number and one alias.
class SaveTest : public ControlWindowFixture {
protected:
    QStringList Known{"4711", "Pump 3"};
    QString SerialNumber = "1234";
    QStringList Calls;

    void SetUp() override
    {
        ControlWindowFixture::SetUp();
        TDiagManagerActions actions;
        // The data module's sequence, as far as the window sees it.
        actions.SaveReading = [this](const std::function<std::optional<QString>()>& askAlias) {
            if (Known.contains(SerialNumber)) {
                Calls << "Save 0";
                return TSaveOutcome::Saved;
            }
            const std::optional<QString> alias = askAlias();
            if (!alias)
                return TSaveOutcome::NotSaved;
            if (Known.contains(*alias))
                return TSaveOutcome::AliasTaken;
            Calls << "AddAlias " + *alias + " " + SerialNumber << "Save 1";
            return TSaveOutcome::Saved;
        };
        Window.SetActions(actions);
        LangController.SelectLanguage("DefLang");
    }
};

TEST_F(SaveTest, WithoutRepeatingOnlyWarns)
{
    Window.bitbtnDatabaseClick();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, Window.DBFunctionMsg());
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Warning);
    EXPECT_TRUE(Calls.isEmpty());
}

TEST_F(SaveTest, AliasDialogueDecidesWhatIsSaved)
{
    const struct {
        QString Serial;
        TModalResult Question;
        bool InputOk;
        QString Alias;
        QStringList Calls;
        QString Error;
    } cases[] = {
        {"4711", TModalResult::Yes, true, "", {"Save 0"}, ""},
        {"1234", TModalResult::No, true, "x", {}, ""},
        {"1234", TModalResult::Yes, false, "x", {}, ""},
        {"1234", TModalResult::Yes, true, "", {}, ""},
        {"1234", TModalResult::Yes, true, "Pump 3", {}, "Alias finns redan!"},
        {"1234", TModalResult::Yes, true, "Pump 4", {"AddAlias Pump 4 1234", "Save 1"}, ""},
    };
    UpdateTimer.SetRepeat(true);
    for (const auto& c : cases) {
        Calls.clear();
        Dialogs.Messages.clear();
        Dialogs.Answers = {c.Question};
        Dialogs.InputAnswers = {{c.InputOk, c.Alias}};
        SerialNumber = c.Serial;
        Window.bitbtnDatabaseClick();
        EXPECT_EQ(Calls, c.Calls) << c.Serial.toStdString() << " " << c.Alias.toStdString();
        if (!c.Error.isEmpty()) {
            ASSERT_EQ(Dialogs.Messages.size(), 2u);
            EXPECT_EQ(Dialogs.Messages[1].Text, c.Error);
            EXPECT_EQ(Dialogs.Messages[1].Type, TMsgDlgType::Error);
        }
    }
    ASSERT_FALSE(Dialogs.Queries.empty());
    EXPECT_EQ(Dialogs.Queries.back().Caption, "Alias dialog");
    EXPECT_EQ(Dialogs.Queries.back().Prompt, "Alias:");
    EXPECT_EQ(Dialogs.Queries.back().Initial, "");
}

TEST_F(SaveTest, ExistingAliasIsReportedInEnglishWhenTheQuestionIsTranslated)
{
    TIniFile(Folder.filePath("English.txt"))
        .WriteString("DiagManager", "sNoAliasMsg", "No alias for this serial number; define one now?");
    LangController.SelectLanguage("English");
    UpdateTimer.SetRepeat(true);
    Dialogs.Answers = {TModalResult::Yes};
    Dialogs.InputAnswers = {{true, "Pump 3"}};
    Window.bitbtnDatabaseClick();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "No alias for this serial number; define one now?");
    EXPECT_EQ(Dialogs.Messages[1].Text, "Alias already exists!");
    EXPECT_TRUE(Calls.isEmpty());
}

} // namespace
