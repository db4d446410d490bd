#include "ui/fStoredFaultView.h"
#include "model/uStoredFaults.h"
#include "platform/TextFormat.h"
#include "ui/fKiv.h"
#include "ui/uHelp.h"
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {
const char* const Section = "StoredFaultView";
const char* const DefaultCaption = "Index %s, Felstatus: %s";
constexpr int ValueLeft = 100;
} // namespace

TStoredFaultView::TStoredFaultView(TKIV& owner)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      Owner(owner)
{
    setObjectName(QString::fromLatin1(Section));
    setFont(owner.font());
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);
    SetHelpContext(this, HelpContext);
    Format = QString::fromUtf8(DefaultCaption);
    setWindowTitle(Format);

    lbIndexTitle = AddLabel("lbIndexTitle", 8, 12, 84, Qt::AlignRight);
    lbIndex = AddLabel("lbIndex", ValueLeft, 12, 200, Qt::AlignLeft);
    lbOpTimeTitle = AddLabel("lbOpTimeTitle", 8, 32, 84, Qt::AlignRight);
    lbOpTime = AddLabel("lbOpTime", ValueLeft, 32, 200, Qt::AlignLeft);
    lbFreqTitle = AddLabel("lbFreqTitle", 8, 52, 84, Qt::AlignRight);
    lbFreq = AddLabel("lbFreq", ValueLeft, 52, 200, Qt::AlignLeft);
    lbTempTitle = AddLabel("lbTempTitle", 8, 72, 84, Qt::AlignRight);
    lbTemp = AddLabel("lbTemp", ValueLeft, 72, 200, Qt::AlignLeft);
    lbFaultStatusTitle = AddLabel("lbFaultStatusTitle", 8, 92, 84, Qt::AlignRight);
    lbIndexTitle->hide();
    lbIndex->hide();

    memoFaultStatus = new QPlainTextEdit(this);
    memoFaultStatus->setObjectName(QStringLiteral("memoFaultStatus"));
    memoFaultStatus->setReadOnly(true);
    memoFaultStatus->setFrameShape(QFrame::NoFrame);
    memoFaultStatus->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memoFaultStatus->document()->setDocumentMargin(0);
    QPalette pal = memoFaultStatus->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    memoFaultStatus->setPalette(pal);
    // Its first line stands level with the description's title; it ends above the separator.
    memoFaultStatus->setGeometry(ValueLeft, 92 + 1, 211, 288 - 92 - 6);

    auto* bevel1 = new QFrame(this);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel1->setGeometry(28, 288, 267, 3);

    btnClose = new QPushButton(this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(28, 316, 75, 25);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    btnBack = new QPushButton(this);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setGeometry(128, 316, 75, 25);
    btnBack->setAutoDefault(false);
    connect(btnBack, &QPushButton::clicked, this, [this] { btnBackClick(); });

    btnNext = new QPushButton(this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setGeometry(218, 316, 75, 25);
    btnNext->setAutoDefault(false);
    connect(btnNext, &QPushButton::clicked, this, [this] { btnNextClick(); });
}

QLabel* TStoredFaultView::AddLabel(const char* name, int x, int y, int width, Qt::Alignment align)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, width, 14);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QString TStoredFaultView::StatusCodes(const TStoredFault& fault)
{
    const uint8_t status = fault.Status;
    TAnotherSemiString codes;
    if (status & 0x80)
        codes.Add(QStringLiteral(" 80 "));
    if (status & 0x40)
        codes.Add(QStringLiteral(" 40 "));
    if ((status & 0x30) == 0x30) {
        codes.Add(QStringLiteral(" 30 "));
    } else {
        if (status & 0x20)
            codes.Add(QStringLiteral(" 20 "));
        if (status & 0x10)
            codes.Add(QStringLiteral(" 10 "));
    }
    if (status & 0x08)
        codes.Add(QStringLiteral(" 08 "));
    if (status & 0x04)
        codes.Add(QStringLiteral(" 04 "));
    if (status & 0x02)
        codes.Add(QStringLiteral(" 02 "));
    if (status & 0x01)
        codes.Add(QStringLiteral(" 01 "));
    return codes.GetText();
}

void TStoredFaultView::ShowFault(const TStoredFault& fault)
{
    Current = &fault;
    setWindowTitle(FormatTexts(Format, {fault.IndexAsText(), StatusCodes(fault)}));
    lbIndex->setText(fault.IndexAsText());
    lbOpTime->setText(fault.OpTimeAsText() + QStringLiteral(" h"));
    memoFaultStatus->setPlainText(fault.StatusDescription());
    lbFreq->setText(fault.FreqAsText() + QStringLiteral(" Hz"));
    lbTemp->setText(fault.TempAsText() + QStringLiteral(" °C"));
}

void TStoredFaultView::RunModal()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    exec();
}

void TStoredFaultView::UpdateLanguage(TLangIniFile* langFile)
{
    langFile->SetSection(QString::fromLatin1(Section));
    const QString defaultCaption = QString::fromUtf8(DefaultCaption);
    Format = langFile->ReadText(QString::fromLatin1(Section), defaultCaption);
    lbIndexTitle->setText(langFile->ReadText(QStringLiteral("lbIndexTitle"), QStringLiteral("Index:")));
    lbIndexTitle->hide();
    lbIndex->hide();
    lbOpTimeTitle->setText(langFile->ReadText(QStringLiteral("lbOpTimeTitle"), QStringLiteral("Drifttid:")));
    lbFaultStatusTitle->setText(
        langFile->ReadText(QStringLiteral("lbFaultStatusTitle"), QStringLiteral("Beskrivning:")));
    lbFreqTitle->setText(langFile->ReadText(QStringLiteral("lbFreqTitle"), QStringLiteral("Frekvens:")));
    lbTempTitle->setText(langFile->ReadText(QStringLiteral("lbTempTitle"), QStringLiteral("Temperatur:")));
    btnClose->setText(langFile->ReadText(QStringLiteral("btnClose"), QStringLiteral("&Stäng")));
    btnBack->setText(langFile->ReadText(QStringLiteral("btnBack"), QStringLiteral("&Föregående")));
    btnNext->setText(langFile->ReadText(QStringLiteral("btnNext"), QStringLiteral("&Nästa")));
    setWindowTitle(langFile->ReadText(QString::fromLatin1(Section), defaultCaption));
}

void TStoredFaultView::btnBackClick()
{
    Owner.btnDownClick(this);
}

void TStoredFaultView::btnNextClick()
{
    Owner.btnUpClick(this);
}
