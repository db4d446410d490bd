#include "db/fReportRange.h"
#include "ui/uKivResources.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const Section = "ReportRangeFrm";
// More pages than any report has: the page fields take any number the user types.
constexpr int MaxPages = 9999999;

QSpinBox* AddSpin(QWidget* parent, const char* name, int minimum, int maximum)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    spin->setMinimumWidth(90);
    return spin;
}

QLabel* AddLabel(QWidget* parent, const char* name, bool bold = false)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

} // namespace

TReportRangeFrm::TReportRangeFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QString::fromLatin1(Section));
    setFont(FormFont());

    lblEncoders = AddLabel(this, "lblEncoders", true);
    lblFromEncoder = AddLabel(this, "lblFromEncoder");
    lblToEncoder = AddLabel(this, "lblToEncoder");
    spnFromEncoder = AddSpin(this, "spnFromEncoder", 1, 1);
    spnToEncoder = AddSpin(this, "spnToEncoder", 1, 1);
    lblFromSerial = AddLabel(this, "lblFromSerial");
    lblToSerial = AddLabel(this, "lblToSerial");
    lblPages = AddLabel(this, "lblPages", true);
    lblFromPage = AddLabel(this, "lblFromPage");
    lblToPage = AddLabel(this, "lblToPage");
    spnFromPage = AddSpin(this, "spnFromPage", 1, MaxPages);
    // 0 stands for the last page; the field then shows the language's word for it.
    spnToPage = AddSpin(this, "spnToPage", 0, MaxPages);
    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(lblEncoders, 0, 0, 1, 3);
    grid->addWidget(lblFromEncoder, 1, 0);
    grid->addWidget(spnFromEncoder, 1, 1);
    grid->addWidget(lblFromSerial, 1, 2);
    grid->addWidget(lblToEncoder, 2, 0);
    grid->addWidget(spnToEncoder, 2, 1);
    grid->addWidget(lblToSerial, 2, 2);
    grid->addWidget(lblPages, 3, 0, 1, 3);
    grid->addWidget(lblFromPage, 4, 0);
    grid->addWidget(spnFromPage, 4, 1);
    grid->addWidget(lblToPage, 5, 0);
    grid->addWidget(spnToPage, 5, 1);
    grid->setColumnMinimumWidth(2, 90);
    grid->setRowMinimumHeight(3, 28);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(spnFromEncoder, &QSpinBox::valueChanged, this, [this](int value) {
        if (spnToEncoder->value() < value)
            spnToEncoder->setValue(value);
        ShowSerials();
    });
    connect(spnToEncoder, &QSpinBox::valueChanged, this, [this](int value) {
        if (spnFromEncoder->value() > value)
            spnFromEncoder->setValue(value);
        ShowSerials();
    });
    connect(spnFromPage, &QSpinBox::valueChanged, this, [this](int value) {
        if (spnToPage->value() != 0 && spnToPage->value() < value)
            spnToPage->setValue(value);
    });
    connect(btnOK, &QPushButton::clicked, this, [this] {
        Outcome = TModalResult::Ok;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        Outcome = TModalResult::Cancel;
        reject();
    });

    // Texts before any language is applied: the Swedish ones.
    TLangIniFile* none = nullptr;
    UpdateLanguage(none);
}

void TReportRangeFrm::SetEncoders(int count, std::function<QString(int)> serialAt)
{
    SerialAt = std::move(serialAt);
    const int n = std::max(count, 1);
    spnFromEncoder->setRange(1, n);
    spnToEncoder->setRange(1, n);
    spnFromEncoder->setValue(1);
    spnToEncoder->setValue(n);
    ShowSerials();
}

void TReportRangeFrm::ShowSerials()
{
    auto serial = [this](const QSpinBox* spin) { return SerialAt ? SerialAt(spin->value() - 1) : QString(); };
    lblFromSerial->setText(serial(spnFromEncoder));
    lblToSerial->setText(serial(spnToEncoder));
}

TModalResult TReportRangeFrm::RunModal()
{
    spnFromPage->setValue(1);
    spnToPage->setValue(0);
    Outcome = TModalResult::None;
    exec();
    // Closing by the window manager or Escape counts as Cancel.
    if (Outcome == TModalResult::None)
        Outcome = TModalResult::Cancel;
    return Outcome;
}

TReportRange TReportRangeFrm::Range() const
{
    TReportRange range;
    range.FirstMaster = spnFromEncoder->value() - 1;
    range.LastMaster = spnToEncoder->value() - 1;
    range.FirstPage = spnFromPage->value() - 1;
    range.LastPage = spnToPage->value() - 1; // the last page (0) becomes -1: to the end
    return range;
}

void TReportRangeFrm::UpdateLanguage(TLangIniFile* langFile)
{
    if (langFile)
        langFile->SetSection(QString::fromLatin1(Section));
    auto text = [langFile](const char* key, const char* swedish) {
        return langFile ? langFile->ReadText(QString::fromLatin1(key), QString::fromUtf8(swedish))
                        : QString::fromUtf8(swedish);
    };
    setWindowTitle(text("ReportRangeFrm", "Skriv ut"));
    lblEncoders->setText(text("lblEncoders", "Givare"));
    lblFromEncoder->setText(text("lblFromEncoder", "Från givare"));
    lblToEncoder->setText(text("lblToEncoder", "Till givare"));
    lblPages->setText(text("lblPages", "Sidor"));
    lblFromPage->setText(text("lblFromPage", "Från sida"));
    lblToPage->setText(text("lblToPage", "Till sida"));
    spnToPage->setSpecialValueText(text("sLastPage", "sista"));
    btnOK->setText(text("btnOK", "OK"));
    btnCancel->setText(text("btnCancel", "Avbryt"));
}
