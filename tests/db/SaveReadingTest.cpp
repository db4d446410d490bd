#include "DbFixture.h"
#include "db/uSaveReading.h"

using TF = TDataMod::TTextFile;

namespace {

const TSaveReadingTexts Swedish{"Sl\u00e5 p\u00e5 repeterad uppdatering innan du kan spara\rtill databasen.",
                                "Det finns inget \"Alias\" anknutet till detta serienr, vill du defienera det nu?"};
const TSaveReadingTexts English{"Switch on repeated updating first.", "No alias for this serial number; define one?"};

} // namespace

class SaveReadingTest : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        Window.ShowEncoder("1234");
    }
    bool Staged() const { return Exists(TF::Faults) || Exists(TF::Properties) || Exists(TF::EncoderIds); }
};

TEST_F(SaveReadingTest, NeedsRepeatedUpdating)
{
    SaveReading(*Mod, Dialogs, Swedish, false);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, Swedish.DBFunction);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Warning);
    EXPECT_FALSE(Staged());
}

TEST_F(SaveReadingTest, KnownEncoderIsSavedWithoutQuestions)
{
    WriteFile(TF::AliasesExport, "Alias;Serialnr\r\n\"Pump\",\"1234\"\r\n");
    SaveReading(*Mod, Dialogs, Swedish, true);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(Dialogs.Queries.empty());
    EXPECT_TRUE(Exists(TF::Faults));
    EXPECT_TRUE(Exists(TF::Properties));
    EXPECT_FALSE(Exists(TF::EncoderIds));
}

TEST_F(SaveReadingTest, NewEncoderGetsAnAliasAndItsIdentityStaged)
{
    Dialogs.Answers = {TModalResult::Yes};
    Dialogs.InputAnswers = {{true, "Pump"}};
    SaveReading(*Mod, Dialogs, Swedish, true);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, Swedish.NoAlias);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbYes | mbNo));
    ASSERT_EQ(Dialogs.Queries.size(), 1u);
    EXPECT_EQ(Dialogs.Queries[0].Caption, "Alias dialog");
    EXPECT_EQ(Dialogs.Queries[0].Prompt, "Alias:");
    EXPECT_EQ(Dialogs.Queries[0].Initial, "");
    EXPECT_EQ(Bytes(TF::Aliases), "Alias;Serienr\r\n\"Pump\",\"1234\"\r\n");
    EXPECT_TRUE(Exists(TF::EncoderIds));
    EXPECT_TRUE(Exists(TF::Faults));
    EXPECT_TRUE(Exists(TF::Properties));
}

TEST_F(SaveReadingTest, DeclinedOrEmptyAliasSavesNothing)
{
    struct Case {
        TModalResult Answer;
        std::pair<bool, QString> Input;
    };
    const Case cases[] = {
        {TModalResult::No, {true, "x"}},
        {TModalResult::Yes, {false, "x"}},
        {TModalResult::Yes, {true, ""}},
    };
    for (const Case& c : cases) {
        Dialogs.Answers = {c.Answer};
        Dialogs.InputAnswers = {c.Input};
        SaveReading(*Mod, Dialogs, Swedish, true);
        EXPECT_FALSE(Staged());
        EXPECT_EQ(Bytes(TF::Aliases), "Alias;Serienr\r\n");
    }
}

TEST_F(SaveReadingTest, KnownAliasIsRefusedInTheLanguageOfTheQuestion)
{
    WriteFile(TF::AliasesExport, "Alias;Serialnr\r\n\"Pump\",\"99\"\r\n");
    for (const auto& [texts, message] : {std::pair{Swedish, "Alias finns redan!"}, {English, "Alias already exists!"}}) {
        Dialogs.Messages.clear();
        Dialogs.Answers = {TModalResult::Yes};
        Dialogs.InputAnswers = {{true, "PUMP"}};
        SaveReading(*Mod, Dialogs, texts, true);
        ASSERT_EQ(Dialogs.Messages.size(), 2u);
        EXPECT_EQ(Dialogs.Messages[1].Text, message);
        EXPECT_EQ(Dialogs.Messages[1].Type, TMsgDlgType::Error);
        EXPECT_FALSE(Staged());
    }
}
