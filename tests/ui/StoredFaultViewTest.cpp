#include "support/FakeDialogs.h"
#include "UiTestHelpers.h"
#include "model/uStoredFaults.h"
#include "platform/Exception.h"
#include "ui/fKiv.h"
#include "ui/fStoredFaultView.h"
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class StoredFaultViewTest : public ::testing::Test {
protected:
    StoredFaultViewTest()
    {
        Texts.Read(Lang);
        View().UpdateLanguage(&Lang);
    }

    TStoredFaultView& View() { return Window.StoredFaultView(); }
    QString Text(const char* label) { return Component<QLabel>(&View(), label)->text(); }

    TStoredFault Fault(int index, uint8_t status)
    {
        TStoredFault fault(&Texts);
        fault.Index = index;
        fault.Status = status;
        return fault;
    }

    QTemporaryDir Dir;
    TLangIniFile Lang{Dir.path(), QStringLiteral("DefLang")};
    TStoredFaultTexts Texts;
    FakeDialogs Dialogs;
    TKIV Window{Dialogs};
};

} // namespace

TEST_F(StoredFaultViewTest, StatusCodes)
{
    const struct {
        uint8_t Status;
        const char* Codes;
    } cases[] = {
        {0xFF, " 80  40  30  08  04  02  01 "}, // 30 stands for both 20 and 10
        {0x31, " 30  01 "},
        {0x20, " 20 "},
        {0x10, " 10 "},
        {0xA4, " 80  20  04 "},
        {0x00, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Status);
        EXPECT_EQ(TStoredFaultView::StatusCodes(Fault(1, c.Status)), c.Codes);
    }
}

TEST_F(StoredFaultViewTest, ShowsTheFaultWithUnitsCodesAndDescriptions)
{
    EXPECT_EQ(View().windowTitle(), "Index %s, Felstatus: %s"); // until a fault is shown

    TStoredFault fault = Fault(5, 0x31);
    fault.OpTime.SetValue(1234);
    fault.Freq.SetRaw(3);
    fault.Temp.SetRaw(0xF4);
    View().ShowFault(fault);

    EXPECT_EQ(View().windowTitle(), "Index 5, Felstatus:  30  01 ");
    EXPECT_EQ(Text("lbIndex"), "5");
    EXPECT_EQ(Text("lbOpTime"), "1234 h");
    EXPECT_EQ(Text("lbFreq"), "1500 Hz");
    EXPECT_EQ(Text("lbTemp"), QString::fromUtf8("-12 °C"));
    EXPECT_EQ(Component<QPlainTextEdit>(&View(), "memoFaultStatus")->toPlainText(),
              QString::fromUtf8("Avbrott i ledenhet.\nAnvänds ej."));
    EXPECT_EQ(View().CurrentFault(), &fault);
    EXPECT_FALSE(Component<QLabel>(&View(), "lbIndex")->isVisibleTo(&View()));

    const TStoredFault all = Fault(13, 0xFF);
    View().ShowFault(all);
    EXPECT_EQ(Component<QPlainTextEdit>(&View(), "memoFaultStatus")->toPlainText().split('\n').size(), 7);
    EXPECT_EQ(View().windowTitle(), "Index 13, Felstatus:  80  40  30  08  04  02  01 ");
}

TEST_F(StoredFaultViewTest, LanguageTextsAndATranslatedCaption)
{
    EXPECT_EQ(Component<QPushButton>(&View(), "btnBack")->text(), QString::fromUtf8("&Föregående"));
    EXPECT_EQ(Text("lbFaultStatusTitle"), "Beskrivning:");

    Lang.WriteString("StoredFaultView", "StoredFaultView", "Fault %s, status:%s");
    View().UpdateLanguage(&Lang);
    EXPECT_EQ(View().windowTitle(), "Fault %s, status:%s");
    View().ShowFault(Fault(7, 0x08));
    EXPECT_EQ(View().windowTitle(), "Fault 7, status: 08 ");

    // A translation that asks for a third text cannot be filled.
    Lang.WriteString("StoredFaultView", "StoredFaultView", "%s %s %s");
    View().UpdateLanguage(&Lang);
    EXPECT_THROW(View().ShowFault(Fault(7, 0x08)), Exception);
}
