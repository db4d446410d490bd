#include "ui/fKiv.h"
#include "model/uEncoderModel.h"
#include "model/uStoredFaults.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "ui/fStoredFaultView.h"
#include "settings/uApplIniFile.h"
#include "ui/uHelp.h"
#include "ui/uKivResources.h"
#include "ui/uKivWebBrowser.h"
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QUrl>
#include <algorithm>

namespace {

constexpr int RowHeight = 13;
constexpr int HeaderHeight = 17;
constexpr int PanelBorderWidth = 1;
constexpr int PanelBevelWidth = 1;
// The header draws its titles with a margin on each side; less room than this cuts them.
constexpr int MinColumnPadding = 10;

const char* const ListNames[5] = {"lstbIndex", "lstbOpTime", "lstbFaultStatus", "lstbFreq", "lstbTemp"};

// Rows as tall as the design's, so the thirteen faults of a full ring fit without scrolling.
class TFixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), RowHeight};
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------

TKivProgressBar::TKivProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

void TKivProgressBar::SetMin(int value)
{
    setMinimum(value);
}

void TKivProgressBar::SetMax(int value)
{
    setMaximum(value);
}

void TKivProgressBar::SetPosition(int value)
{
    setValue(std::clamp(value, minimum(), maximum()));
    if (isVisible())
        repaint();
}

void TKivProgressBar::SetStep(int value)
{
    Step = value;
}

void TKivProgressBar::SetSegmented(bool segmented)
{
    Segmented = segmented;
}

int TKivProgressBar::GetPosition() const
{
    return value();
}

int TKivProgressBar::GetMax() const
{
    return maximum();
}

void TKivProgressBar::StepIt()
{
    int next = value() + Step;
    if (next > maximum())
        next = minimum();
    SetPosition(next);
}

// ---------------------------------------------------------------------------------------------

TKIV::TKIV(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Dialogs(dialogs)
{
    EnsureKivResources();
    setObjectName(QStringLiteral("KIV"));
    setWindowTitle(QStringLiteral("Kiv"));
    setFont(FormFont());
    setFixedSize(ClientWidth, ClientHeight);
    move(520, 224);
    SetHelpContext(this, HelpContext);
    CreateComponents();
    for (const char* name : {"lbPartNumTitle", "lbPartNum", "lbSerialNumTitle", "lbSerialNum", "lbSoftVerTitle",
                             "lbSoftVer", "lbHardVerTitle", "lbHardVer", "lbUnitsPerRevTitle", "lbUnitsPerRev",
                             "lbTitleOperatingTime", "lbOperatingTime", "lbTitleFreq", "lbFreq", "lbTitleTemp",
                             "lbTemp", "lbTitleMaxTemp", "lbMaxTemp", "lbTitleMinTemp", "lbMinTemp",
                             "lbStoredFaults"})
        DesignPlaces.insert(Label(name), Label(name)->geometry());
    for (QWidget* widget : std::initializer_list<QWidget*>{btnOpen, btnSingleUpdate, btnUp, btnDown, Panel1})
        DesignPlaces.insert(widget, widget->geometry());
    FaultView = new TStoredFaultView(*this);
    FormResize();
}

TKIV::~TKIV()
{
    delete FaultView;
    FaultView = nullptr;
    if (Settings)
        Settings->SaveFormPlacement(this);
}

QLabel* TKIV::AddLabel(QWidget* parent, const char* name, const QRect& rect, Qt::Alignment align)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(rect);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

void TKIV::CreateComponents()
{
    const Qt::Alignment right = Qt::AlignRight;
    const Qt::Alignment left = Qt::AlignLeft;

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(0, 0, 513, 113);

    Image1 = new QLabel(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/images/kiv-logo.png")));
    Image1->setGeometry(81, 18, 324, 46);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setMouseTracking(true);
    Image1->installEventFilter(this);

    lbKivText = AddLabel(Panel2, "lbKivText", {18, 78, 479, 23}, Qt::AlignHCenter);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(21);
    titleFont.setBold(true);
    lbKivText->setFont(titleFont);
    lbKivText->setText(QStringLiteral("Kiv"));

    grpbDignosticData = new QGroupBox(this);
    grpbDignosticData->setObjectName(QStringLiteral("grpbDignosticData"));
    grpbDignosticData->setGeometry(0, 113, 513, 365);
    QWidget* g = grpbDignosticData;

    // Identity: titles end at 113, values start at 120, left of the vertical line at 234.
    lbPartNumTitle = AddLabel(g, "lbPartNumTitle", {4, 20, 109, 14}, right);
    lbPartNum = AddLabel(g, "lbPartNum", {120, 20, 110, 14}, left);
    lbSerialNumTitle = AddLabel(g, "lbSerialNumTitle", {4, 36, 109, 14}, right);
    lbSerialNum = AddLabel(g, "lbSerialNum", {120, 36, 110, 14}, left);
    lbSoftVerTitle = AddLabel(g, "lbSoftVerTitle", {4, 52, 109, 14}, right);
    lbSoftVer = AddLabel(g, "lbSoftVer", {120, 52, 110, 14}, left);
    lbHardVerTitle = AddLabel(g, "lbHardVerTitle", {4, 68, 109, 14}, right);
    lbHardVer = AddLabel(g, "lbHardVer", {120, 68, 110, 14}, left);
    lbUnitsPerRevTitle = AddLabel(g, "lbUnitsPerRevTitle", {4, 84, 109, 14}, right);
    lbUnitsPerRev = AddLabel(g, "lbUnitsPerRev", {120, 84, 110, 14}, left);
    for (QLabel* value : {lbPartNum, lbSerialNum, lbSoftVer, lbHardVer, lbUnitsPerRev})
        value->setText(QStringLiteral("-"));

    auto* bevel1 = new QFrame(g);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    bevel1->setGeometry(233, 24, 3, 76);

    // Live values: titles end at 353, values start at 362.
    AddLabel(g, "lbTitleOperatingTime", {238, 52, 115, 14}, right);
    AddLabel(g, "lbOperatingTime", {362, 52, 145, 14}, left)->setText(QStringLiteral("-"));
    AddLabel(g, "lbTitleFreq", {238, 68, 115, 14}, right);
    AddLabel(g, "lbFreq", {362, 68, 145, 14}, left)->setText(QStringLiteral("-"));
    AddLabel(g, "lbTitleTemp", {238, 84, 115, 14}, right);
    AddLabel(g, "lbTemp", {362, 84, 145, 14}, left)->setText(QStringLiteral("-"));

    auto* bevel2 = new QFrame(g);
    bevel2->setObjectName(QStringLiteral("Bevel2"));
    bevel2->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel2->setGeometry(24, 111, 458, 3);

    // Values of the diagnostic block: titles end at 297, values start at 306.
    AddLabel(g, "lbTitleMaxTemp", {120, 124, 177, 14}, right);
    AddLabel(g, "lbMaxTemp", {306, 124, 90, 14}, left);
    AddLabel(g, "lbTitleMinTemp", {120, 138, 177, 14}, right);
    AddLabel(g, "lbMinTemp", {306, 138, 90, 14}, left);
    AddLabel(g, "lbTitleOpTime", {380, 120, 62, 14}, right)->hide();
    AddLabel(g, "lbOpTime", {446, 120, 62, 14}, left)->hide();
    AddLabel(g, "lbTitleNumOfFaults", {372, 136, 62, 14}, right)->hide();
    AddLabel(g, "lbNumOfFaults", {438, 136, 70, 14}, left)->hide();

    AddLabel(g, "lbStoredFaults", {10, 141, 105, 14}, left);

    Panel1 = new QFrame(g);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setLineWidth(PanelBorderWidth);
    Panel1->setGeometry(10, 156, 357, 195);

    // The header and the lists lie over Panel1, in its parent's coordinates.
    HeaderControl1 = new QHeaderView(Qt::Horizontal, g);
    HeaderControl1->setObjectName(QStringLiteral("HeaderControl1"));
    HeaderModel = new QStandardItemModel(0, 5, HeaderControl1);
    HeaderControl1->setModel(HeaderModel);
    HeaderControl1->setSectionsClickable(false);
    HeaderControl1->setHighlightSections(false);
    HeaderControl1->setDefaultAlignment(Qt::AlignCenter);
    HeaderControl1->setMinimumSectionSize(0);
    HeaderControl1->setSectionResizeMode(QHeaderView::Interactive);
    HeaderControl1->setStretchLastSection(false);
    HeaderControl1->setMouseTracking(true); // hot tracking
    HeaderControl1->setFixedHeight(HeaderHeight);
    SetHelpContext(HeaderControl1, HeaderHelpContext);
    // Until the first language pass the header holds the usual titles and the lists the widest
    // values a fault can have, so the first automatic sizing leaves room for every real row.
    const QString titles[5] = {QStringLiteral("Index"), QStringLiteral("Drifttid"), QStringLiteral("Felstatus"),
                               QStringLiteral("Frekvens"), QStringLiteral("Temperatur")};
    const QString widest[5] = {QStringLiteral("65534"), QStringLiteral("16777215"), QStringLiteral("FF"),
                               QStringLiteral("127500"), QStringLiteral("-128")};
    const int designWidths[5] = {69, 67, 67, 67, 67};
    for (int i = 0; i < 5; ++i) {
        HeaderModel->setHeaderData(i, Qt::Horizontal, titles[i]);
        HeaderControl1->resizeSection(i, designWidths[i]);
    }
    HeaderControl1->show();

    for (int i = 0; i < 5; ++i) {
        auto* list = new QListWidget(g);
        list->setObjectName(QString::fromLatin1(ListNames[i]));
        list->setFrameShape(QFrame::NoFrame);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setUniformItemSizes(true);
        list->setItemDelegate(new TFixedRowDelegate(list));
        // Windows list boxes show their selection also without focus; the five columns must
        // show the one selected row together.
        QPalette pal = list->palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     pal.color(QPalette::Active, QPalette::HighlightedText));
        list->setPalette(pal);
        list->addItem(widest[i]);
        SetHelpContext(list, TableHelpContext);
        connect(list, &QListWidget::currentRowChanged, this, [this, list](int) { lstbClick(list); });
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list](QListWidgetItem*) { lstbFaultStatusDblClick(list); });
        Lists[i] = list;
    }
    connect(HeaderControl1, &QHeaderView::sectionResized, this, [this](int, int, int) {
        if (!Aligning)
            HeaderControl1SectionResize();
    });

    btnOpen = new QPushButton(g);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnOpen->setGeometry(402, 196, 75, 25);
    connect(btnOpen, &QPushButton::clicked, this, [this] { RunButton([this] { btnOpenClick(); }); });

    btnUp = new QPushButton(g);
    btnUp->setObjectName(QStringLiteral("btnUp"));
    btnUp->setGeometry(412, 240, 25, 25);
    btnUp->setIcon(QIcon(QStringLiteral(":/images/arrow-up.png")));
    connect(btnUp, &QPushButton::clicked, this, [this] { btnUpClick(btnUp); });

    btnDown = new QPushButton(g);
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnDown->setGeometry(444, 240, 25, 25);
    btnDown->setIcon(QIcon(QStringLiteral(":/images/arrow-down.png")));
    connect(btnDown, &QPushButton::clicked, this, [this] { btnDownClick(btnDown); });

    btnSingleUpdate = new QPushButton(g);
    btnSingleUpdate->setObjectName(QStringLiteral("btnSingleUpdate"));
    btnSingleUpdate->setGeometry(402, 284, 75, 25);
    connect(btnSingleUpdate, &QPushButton::clicked, this, [this] { RunButton([this] { btnSingleUpdateClick(); }); });

    btnTrend = new QPushButton(g);
    btnTrend->setObjectName(QStringLiteral("btnTrend"));
    btnTrend->setGeometry(402, 318, 75, 25);
    connect(btnTrend, &QPushButton::clicked, this, [this] { btnTrendClick(); });

    kivStatusBar = new QStatusBar(this);
    kivStatusBar->setObjectName(QStringLiteral("kivStatusBar"));
    kivStatusBar->setSizeGripEnabled(false);
    kivStatusBar->setGeometry(0, ClientHeight - 23, ClientWidth, 23);
    const int panelWidths[StatusPanelCount] = {150, 214, 0};
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* panel = new QLabel(kivStatusBar);
        panel->setObjectName(QStringLiteral("kivStatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (panelWidths[i] > 0) {
            panel->setFixedWidth(panelWidths[i]);
            kivStatusBar->addWidget(panel);
        } else {
            kivStatusBar->addWidget(panel, 1); // the last panel takes the rest
        }
        StatusPanels[i] = panel;
    }

    kivProgressBar = new TKivProgressBar(this);
    kivProgressBar->setObjectName(QStringLiteral("kivProgressBar"));
    kivProgressBar->setGeometry(368, 485, 143, 15);
    kivProgressBar->raise();
    kivProgressBar->hide();
}

int TKIV::PanelBorder() const
{
    return PanelBorderWidth + PanelBevelWidth;
}

// --- identity ---------------------------------------------------------------------------------

void TKIV::ShowIdentityValue(QLabel* title, QLabel* value, const QString& text)
{
    title->setEnabled(true);
    value->setEnabled(true);
    QPalette pal = value->palette();
    pal.setColor(QPalette::Active, QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Inactive, QPalette::WindowText, Qt::black);
    value->setPalette(pal);
    value->setText(text);
}

void TKIV::ShowPartNumber(int32_t number, bool newFormat)
{
    ShowIdentityValue(lbPartNumTitle, lbPartNum, TEncoderModel::PartNumberText(number, newFormat));
}

void TKIV::ShowSerialNumber(int32_t number)
{
    ShowIdentityValue(lbSerialNumTitle, lbSerialNum, QString::number(number));
}

void TKIV::ShowSoftwareVersion(uint8_t version)
{
    ShowIdentityValue(lbSoftVerTitle, lbSoftVer, TEncoderModel::VersionText(version));
}

void TKIV::ShowHardwareVersion(uint8_t version)
{
    ShowIdentityValue(lbHardVerTitle, lbHardVer, TEncoderModel::VersionText(version));
}

void TKIV::ShowUnitsPerRevolution(int32_t number)
{
    ShowIdentityValue(lbUnitsPerRevTitle, lbUnitsPerRev, TEncoderModel::UnitsPerRevText(number));
}

// --- language ---------------------------------------------------------------------------------

void TKIV::UpdateLanguage(TLangIniFile* langFile)
{
    FaultView->UpdateLanguage(langFile);

    langFile->SetSection(QStringLiteral("KIV"));
    setWindowTitle(langFile->ReadText(QStringLiteral("KIV"), QStringLiteral("Kiv")));
    btnOpen->setText(langFile->ReadText(QStringLiteral("btnOpen"), QStringLiteral("Öppna")));
    btnSingleUpdate->setText(langFile->ReadText(QStringLiteral("btnSingleUpdate"), QStringLiteral("Uppdatera")));
    btnTrend->setText(langFile->ReadText(QStringLiteral("btnTrend"), QStringLiteral("Trend")));
    grpbDignosticData->setTitle(langFile->ReadText(QStringLiteral("grpbDignosticData"), QStringLiteral("Kivdata")));
    lbKivText->setText(langFile->ReadText(QStringLiteral("lbKivText"), QStringLiteral("Kiv")));
    lbPartNumTitle->setText(langFile->ReadText(QStringLiteral("lbPartNumTitle"), QStringLiteral("Artikelnummer:")));
    lbSerialNumTitle->setText(langFile->ReadText(QStringLiteral("lbSerialNumTitle"), QStringLiteral("Serienummer:")));
    lbSoftVerTitle->setText(langFile->ReadText(QStringLiteral("lbSoftVerTitle"), QStringLiteral("Mjukvaruversion:")));
    lbHardVerTitle->setText(langFile->ReadText(QStringLiteral("lbHardVerTitle"), QStringLiteral("Hårdvaruversion:")));
    lbUnitsPerRevTitle->setText(langFile->ReadText(QStringLiteral("lbUnitsPerRevTitle"), QStringLiteral("Delning:")));

    for (QLabel* value : {lbHardVer, lbPartNum, lbSerialNum, lbSoftVer, lbUnitsPerRev})
        value->setText(QStringLiteral("-"));
    for (QLabel* label : {lbPartNumTitle, lbPartNum, lbSerialNumTitle, lbSerialNum, lbSoftVerTitle, lbSoftVer,
                          lbHardVerTitle, lbHardVer, lbUnitsPerRevTitle, lbUnitsPerRev})
        label->setEnabled(false);

    if (Settings) {
        const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
        Settings->RestoreFormPlacement(this, x(), y(), -1, -1, state);
    }
    FitTexts();
    FormResize();
    AutoSizeColumns();
    show();
}

void TKIV::LanguagePassEnded()
{
    FitTexts();
    FormResize();
    AutoSizeColumns();
}

QLabel* TKIV::Label(const char* name) const
{
    auto* label = qobject_cast<QLabel*>(Component(QString::fromLatin1(name)));
    if (!label)
        throw Exception(QStringLiteral("The main window has no label %1").arg(QString::fromLatin1(name)));
    return label;
}

namespace {

int TextWidth(const QLabel* label)
{
    // A pixel to spare on each side, as a label's own size hint keeps.
    return label->fontMetrics().horizontalAdvance(label->text()) + 2;
}

} // namespace

void TKIV::FitTitleColumn(const std::vector<QLabel*>& titles, const std::vector<QLabel*>& values, int minLeft)
{
    const int right = titles.front()->geometry().right();
    int need = titles.front()->width();
    for (const QLabel* title : titles)
        need = std::max(need, TextWidth(title));
    if (need == titles.front()->width())
        return;
    const int left = std::max(minLeft, right + 1 - need);
    const int shift = left + need - (right + 1);
    for (QLabel* title : titles)
        title->setGeometry(left, title->y(), need, title->height());
    // The values keep their right edge; they are short and lose only room they do not use.
    for (QLabel* value : values)
        value->setGeometry(value->x() + shift, value->y(), std::max(value->width() - shift, TextWidth(value)),
                           value->height());
}

void TKIV::FitTexts()
{
    for (auto it = DesignPlaces.cbegin(); it != DesignPlaces.cend(); ++it)
        it.key()->setGeometry(it.value());

    QLabel* storedFaults = Label("lbStoredFaults");
    storedFaults->resize(std::max(storedFaults->width(), TextWidth(storedFaults)), storedFaults->height());

    // Identity titles may use the group box up to its edge; the live titles end at the vertical
    // line; the block's titles stand right of the fault table's heading.
    FitTitleColumn({lbPartNumTitle, lbSerialNumTitle, lbSoftVerTitle, lbHardVerTitle, lbUnitsPerRevTitle},
                   {lbPartNum, lbSerialNum, lbSoftVer, lbHardVer, lbUnitsPerRev}, 4);
    const QWidget* bevel1 = Component(QStringLiteral("Bevel1"));
    FitTitleColumn({Label("lbTitleOperatingTime"), Label("lbTitleFreq"), Label("lbTitleTemp")},
                   {Label("lbOperatingTime"), Label("lbFreq"), Label("lbTemp")},
                   bevel1->geometry().right() + 3);
    FitTitleColumn({Label("lbTitleMaxTemp"), Label("lbTitleMinTemp")}, {Label("lbMaxTemp"), Label("lbMinTemp")},
                   storedFaults->geometry().left() + TextWidth(storedFaults) + 8);

    // Buttons grow about their middle.
    for (QPushButton* button : {btnOpen, btnSingleUpdate}) {
        const QRect design = DesignPlaces.value(button);
        const int width = std::max(design.width(), button->sizeHint().width());
        button->setGeometry(design.center().x() - width / 2, design.y(), width, design.height());
    }

    // Column titles wider than the table was drawn for widen it into the room beside it; the
    // buttons move right as far as the window lets them.
    const std::initializer_list<QPushButton*> buttons{btnOpen, btnSingleUpdate, btnUp, btnDown};
    int buttonsLeft = grpbDignosticData->width();
    int buttonsRight = 0;
    for (const QPushButton* button : buttons) {
        buttonsLeft = std::min(buttonsLeft, button->x());
        buttonsRight = std::max(buttonsRight, button->geometry().right());
    }
    const QRect table = DesignPlaces.value(Panel1);
    const int wantedRight = table.left() + TableWidthNeeded();
    const int shift = std::clamp(wantedRight + 8 - buttonsLeft, 0,
                                 std::max(0, grpbDignosticData->width() - 6 - buttonsRight));
    for (QPushButton* button : buttons)
        button->move(button->x() + shift, button->y());
    const int right = std::min(wantedRight, buttonsLeft + shift - 8);
    Panel1->setGeometry(table.left(), table.top(), std::max(table.width(), right - table.left()), table.height());
}

int TKIV::TableWidthNeeded() const
{
    const QFontMetrics metrics(HeaderControl1->font());
    int width = 2 * PanelBorder();
    for (int i = 0; i < 5; ++i)
        width += std::max(metrics.horizontalAdvance(HeaderModel->headerData(i, Qt::Horizontal).toString()),
                          MaxItemWidth(Lists[i]))
            + 15;
    return width;
}

// --- the fault table --------------------------------------------------------------------------

void TKIV::FormResize()
{
    const int b = PanelBorder();
    HeaderControl1->setGeometry(Panel1->x() + b, Panel1->y() + b, Panel1->width() - 2 * b, HeaderHeight);
    const int listTop = HeaderControl1->y() + HeaderControl1->height();
    const int listHeight = Panel1->height() - HeaderControl1->height() - 2 * b;
    for (QListWidget* list : Lists)
        list->setGeometry(list->x(), listTop, list->width(), listHeight);
    HeaderControl1SectionResize();
    if (Lists[0]->count() > 0) {
        Lists[0]->setCurrentRow(0);
        lstbClick(Lists[0]);
    }
}

void TKIV::HeaderControl1SectionResize()
{
    Aligning = true;
    int left = HeaderControl1->x();
    for (int i = 0; i < 4; ++i) {
        const int width = HeaderControl1->sectionSize(i);
        Lists[i]->setGeometry(left, Lists[i]->y(), width, Lists[i]->height());
        left += width;
    }
    int rest = HeaderControl1->width();
    for (int i = 0; i < 4; ++i)
        rest -= HeaderControl1->sectionSize(i);
    rest = std::max(rest, 0);
    HeaderControl1->resizeSection(4, rest);
    Lists[4]->setGeometry(left, Lists[4]->y(), rest, Lists[4]->height());
    Aligning = false;
}

int TKIV::MaxItemWidth(const QListWidget* list) const
{
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int row = 0; row < list->count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(list->item(row)->text()));
    return widest;
}

void TKIV::AutoSizeColumns()
{
    const QFontMetrics metrics(HeaderControl1->font());
    int textWidths[5];
    int sum = 0;
    for (int i = 0; i < 5; ++i) {
        textWidths[i] = metrics.horizontalAdvance(HeaderModel->headerData(i, Qt::Horizontal).toString());
        sum += textWidths[i] + 15;
    }
    int extra = (HeaderControl1->width() - sum) / 5;
    if (extra < 0)
        extra = 0;
    extra += 15;
    // Where even the table's room beside it is not enough, the titles keep less space around them
    // rather than the last one being cut.
    int content = 0;
    for (int i = 0; i < 5; ++i)
        content += std::max(textWidths[i], MaxItemWidth(Lists[i]));
    if (content + 5 * extra > HeaderControl1->width())
        extra = std::max(MinColumnPadding, (HeaderControl1->width() - content) / 5);
    Aligning = true;
    for (int i = 0; i < 5; ++i)
        HeaderControl1->resizeSection(i, std::max(textWidths[i], MaxItemWidth(Lists[i])) + extra);
    Aligning = false;
    HeaderControl1SectionResize();
}

int TKIV::SelectedRow() const
{
    return Lists[0]->currentRow();
}

void TKIV::lstbClick(QListWidget* sender)
{
    if (Selecting)
        return;
    Selecting = true;
    const int row = sender->currentRow();
    for (QListWidget* list : Lists) {
        if (row >= 0 && row < list->count())
            list->setCurrentRow(row);
        else
            list->setCurrentRow(-1);
    }
    Selecting = false;
    update();
}

void TKIV::lstbFaultStatusDblClick(QListWidget* sender)
{
    lstbClick(sender);
    btnOpenClick();
}

void TKIV::btnSingleUpdateClick()
{
    if (Actions.ReadIdentity)
        Actions.ReadIdentity();
    QWidget* maxTemp = Component(QStringLiteral("lbMaxTemp"));
    if (!maxTemp->isEnabled())
        maxTemp->setEnabled(true);
    if (Actions.ReadDiagnostics)
        Actions.ReadDiagnostics();
    Dialogs.Beep();
}

void TKIV::btnUpClick(QObject* caller)
{
    if (Lists[0]->currentRow() > 0) {
        Lists[0]->setCurrentRow(Lists[0]->currentRow() - 1);
        lstbClick(Lists[0]);
    }
    if (caller == FaultView)
        ShowSelectedFaultInViewer();
}

void TKIV::btnDownClick(QObject* caller)
{
    if (Lists[0]->currentRow() < Lists[0]->count() - 1) {
        Lists[0]->setCurrentRow(Lists[0]->currentRow() + 1);
        lstbClick(Lists[0]);
    }
    if (caller == FaultView)
        ShowSelectedFaultInViewer();
}

void TKIV::ShowSelectedFaultInViewer()
{
    if (!StoredFaults)
        return;
    if (const TStoredFault* fault = StoredFaults->Fault(SelectedRow()))
        FaultView->ShowFault(*fault);
}

void TKIV::btnOpenClick()
{
    if (!StoredFaults || StoredFaults->Count() == 0)
        return;
    // After a language pass the lists are empty until the next reading while the fault list still
    // holds the faults: there is then no selected row whose fault could be shown.
    const TStoredFault* fault = StoredFaults->Fault(SelectedRow());
    if (!fault)
        return;
    FaultView->ShowFault(*fault);

    const bool wasRepeating = Actions.IsRepeating ? Actions.IsRepeating() : false;
    if (Actions.SetRepeat)
        Actions.SetRepeat(false);
    FaultView->RunModal();
    if (Actions.SetRepeat)
        Actions.SetRepeat(wasRepeating);
    const bool repeating = Actions.IsRepeating ? Actions.IsRepeating() : false;
    if (repeating && Actions.RefreshLiveValues)
        Actions.RefreshLiveValues();
}

void TKIV::Image1Click()
{
    if (!Actions.BrowserAddress)
        return;
    TfKivWebBrowser browser(Actions.BrowserAddress(), this);
    browser.exec();
}

void TKIV::Image1MouseMove()
{
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(Actions.BrowserAddress ? HostHint(Actions.BrowserAddress()) : QString());
}

QString TKIV::HostHint(const QString& address)
{
    const QUrl url = QUrl::fromUserInput(address);
    return url.host().isEmpty() ? address : url.host();
}

void TKIV::btnTrendClick()
{
    if (Actions.ShowTrend)
        Actions.ShowTrend();
}

bool TKIV::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
            Image1MouseMove();
        } else if (event->type() == QEvent::MouseButtonRelease
                   && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Image1Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TKIV::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TKIV::closeEvent(QCloseEvent* event)
{
    // The window has no close button; it lives as long as the application.
    if (event->spontaneous())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

// --- status bar -------------------------------------------------------------------------------

void TKIV::SetStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < StatusPanelCount)
        StatusPanels[panel]->setText(text);
}

QString TKIV::StatusText(int panel) const
{
    return (panel >= 0 && panel < StatusPanelCount) ? StatusPanels[panel]->text() : QString();
}

// --- the presentation observers' view ---------------------------------------------------------

QWidget* TKIV::Component(const QString& name) const
{
    // The viewer is a child window with names of its own (lbTemp, lbFreq, ...); only this
    // window's components count.
    for (QWidget* widget : findChildren<QWidget*>(name)) {
        if (widget->window() == this)
            return widget;
    }
    throw Exception(QStringLiteral("The main window has no component %1").arg(name));
}

QListWidget* TKIV::ListNamed(const QString& name) const
{
    for (QListWidget* list : Lists) {
        if (list->objectName() == name)
            return list;
    }
    throw Exception(QStringLiteral("The main window has no fault list %1").arg(name));
}

void TKIV::SetComponentText(const QString& component, const QString& text)
{
    QWidget* widget = Component(component);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
        if (DesignPlaces.contains(label))
            FitTexts();
    }
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else
        throw Exception(QStringLiteral("The component %1 shows no text").arg(component));
}

void TKIV::SetComponentEnabled(const QString& component, bool enabled)
{
    Component(component)->setEnabled(enabled);
}

void TKIV::SetComponentVisible(const QString& component, bool visible)
{
    Component(component)->setVisible(visible);
}

void TKIV::SetHeaderSectionText(int section, const QString& text)
{
    if (section >= 0 && section < 5)
        HeaderModel->setHeaderData(section, Qt::Horizontal, text);
}

void TKIV::ClearList(const QString& list)
{
    ListNamed(list)->clear();
}

void TKIV::AppendListItem(const QString& list, const QString& text)
{
    QListWidget* box = ListNamed(list);
    box->addItem(text);
    // A row wider than its column sizes the columns again, so no fault text is ever cut off.
    if (QFontMetrics(box->font()).horizontalAdvance(text) + 4 > box->width())
        AutoSizeColumns();
}

int TKIV::ListCount(const QString& list) const
{
    return ListNamed(list)->count();
}

void TKIV::SelectRowAsClicked(int row)
{
    Lists[0]->setCurrentRow(row);
    lstbClick(Lists[0]);
}

void TKIV::RunButton(const std::function<void()>& handler)
{
    if (Actions.RunButton)
        Actions.RunButton(handler);
    else
        handler();
}

QString TKIV::ComponentText(const QString& component) const
{
    if (const auto* label = qobject_cast<const QLabel*>(Component(component)))
        return label->text();
    return QString();
}

QStringList TKIV::ListItems(const QString& list) const
{
    QStringList items;
    const QListWidget* box = ListNamed(list);
    for (int i = 0; i < box->count(); ++i)
        items << box->item(i)->text();
    return items;
}

TReadingTexts TKIV::ReadingTexts() const
{
    return TReadingTexts::FromComponents([this](const QString& c) { return ComponentText(c); },
                                         [this](const QString& l) { return ListItems(l); });
}
