#include "ui/fDiagOptions.h"
#include "settings/uRemoteLocation.h"
#include "core/uCommRes.h"
#include "core/uUpdateTimer.h"
#include "platform/SerialPorts.h"
#include "settings/uApplIniFile.h"
#include "settings/uCommResIniFile.h"
#include "ui/uHelp.h"
#include "ui/uKivResources.h"
#include <QAbstractItemView>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

void Run(const std::function<void()>& action)
{
    if (action)
        action();
}

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Port number 0..3 of "COM1".."COM4", -1 for anything else.
int PortOf(const QString& name)
{
    static const QStringList names{"COM1", "COM2", "COM3", "COM4"};
    return static_cast<int>(names.indexOf(name));
}

} // namespace

const QString TDiagOptions::LangPlaceholder = QStringLiteral("<välj språk>");

TDiagOptions::TDiagOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    EnsureKivResources();
    setObjectName(QStringLiteral("DiagOptions"));
    setWindowTitle(QStringLiteral("DiagOptions"));
    setFont(FormFont());
    SetHelpContext(this, HelpContext);
    setFixedSize(ClientWidth, ClientHeight);
    CreateComponents();
    DeviceScan = new QTimer(this);
    DeviceScan->setInterval(DeviceScanMs);
    connect(DeviceScan, &QTimer::timeout, this, [this] { RefreshDevices(); });
}

TDiagOptions::~TDiagOptions() = default;

void TDiagOptions::SetCaption(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

void TDiagOptions::CreateComponents()
{
    auto label = [this](const char* name, int left, int top) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->move(left, top);
        return l;
    };
    auto combo = [this](const char* name, int top, bool editable) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(editable);
        if (editable) {
            // Only the handlers below decide what a typed text means: no completion, no new entries.
            box->setInsertPolicy(QComboBox::NoInsert);
            box->setCompleter(nullptr);
        }
        box->setGeometry(7, top, 145, std::max(21, box->sizeHint().height()));
        box->installEventFilter(this);
        return box;
    };
    auto edit = [this](const char* name, const QRect& rect) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(rect);
        return e;
    };

    lbComPort = label("lbComPort", 7, 2);
    // The four names are all the box can hold, so it takes no typing of its own.
    cbComPort = combo("cbComPort", 16, false);
    cbComPort->view()->viewport()->installEventFilter(this);
    connect(cbComPort, &QComboBox::activated, this, [this] { cbComPortChange(); });

    lbUpdateInterval = label("lbUpdateInterval", 7, 46);
    cbUpdateInterval = combo("cbUpdateInterval", 60, true);
    connect(cbUpdateInterval, &QComboBox::activated, this, [this] { cbUpdateIntervalChange(); });
    connect(cbUpdateInterval->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (cbUpdateInterval->currentText() != cbUpdateInterval->itemText(cbUpdateInterval->currentIndex()))
            cbUpdateIntervalChange();
    });

    lbLangTitle = label("lbLangTitle", 7, 90);
    cbLang = combo("cbLang", 104, true);
    connect(cbLang, &QComboBox::editTextChanged, this, [this] {
        if (LangChangeAttached)
            cbLangChange();
    });

    // The device behind the selected port name, from the devices present or typed in.
    lbComDevice = label("lbComDevice", 7, 134);
    cbComDevice = combo("cbComDevice", 148, true);
    cbComDevice->setGeometry(7, 148, 276, cbComDevice->height());
    cbComDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The drop-down shows each device with its description beside it; the box takes the path.
    cbComDevice->setModel(new QStandardItemModel(0, 2, cbComDevice));
    auto* deviceView = new QTreeView(cbComDevice);
    deviceView->setHeaderHidden(true);
    deviceView->setRootIsDecorated(false);
    deviceView->setItemsExpandable(false);
    deviceView->setAllColumnsShowFocus(true);
    deviceView->setUniformRowHeights(true);
    cbComDevice->setView(deviceView);
    connect(cbComDevice, &QComboBox::activated, this, [this] { cbComDeviceChange(); });
    connect(cbComDevice->lineEdit(), &QLineEdit::editingFinished, this, [this] { cbComDeviceChange(); });
    lbComDeviceInfo = label("lbComDeviceInfo", 7, 172);
    lbComDeviceInfo->setGeometry(7, 172, 276, 15);
    lbComDeviceInfo->setEnabled(false); // greyed: a description, not a control

    cbUseModem = new QCheckBox(this);
    cbUseModem->setObjectName(QStringLiteral("cbUseModem"));
    cbUseModem->setGeometry(164, 17, 97, 17);

    lbTelephoneNumberTitle = label("lbTelephoneNumberTitle", 162, 46);
    edTelphoneNumber = edit("edTelphoneNumber", {162, 60, 121, 21});

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setGeometry(8, 192, 273, 121);
    Bevel2 = new QFrame(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel2->setGeometry(12, 196, 265, 112);

    lbRemDBDir = label("lbRemDBDir", 28, 211);
    edDBDir = edit("edDBDir", {28, 227, 185, 21});
    lbDBKind = label("lbDBKind", 28, 252);
    connect(edDBDir, &QLineEdit::textChanged, this, [this] { ShowDBKind(); });

    sbtnDbDir = new QToolButton(this);
    sbtnDbDir->setObjectName(QStringLiteral("sbtnDbDir"));
    sbtnDbDir->setIcon(QIcon(QStringLiteral(":/images/folder.png")));
    sbtnDbDir->setGeometry(220, 224, 33, 27);
    connect(sbtnDbDir, &QToolButton::clicked, this, [this] { sbtnDbDirClick(); });

    spbtnUpdateDB = new QToolButton(this);
    spbtnUpdateDB->setObjectName(QStringLiteral("spbtnUpdateDB"));
    spbtnUpdateDB->setIcon(QIcon(QStringLiteral(":/images/database-init.png")));
    spbtnUpdateDB->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    spbtnUpdateDB->setGeometry(64, 272, 137, 26);
    connect(spbtnUpdateDB, &QToolButton::clicked, this, [this] { spbtnUpdateDBClick(); });

    btnOk = new QPushButton(this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(100, 328, 75, 25);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });

    setTabOrder(cbComPort, cbUpdateInterval);
    setTabOrder(cbUpdateInterval, cbLang);
    setTabOrder(cbLang, cbComDevice);
    setTabOrder(cbComDevice, btnOk);
    setTabOrder(btnOk, cbUseModem);
    setTabOrder(cbUseModem, edTelphoneNumber);
    setTabOrder(edTelphoneNumber, edDBDir);
}

void TDiagOptions::ShowDBKind()
{
    const TRemoteLocation location = ParseRemoteLocation(edDBDir->text());
    QString text;
    if (location.IsServer())
        text = location.Usable() ? sDBKindServer : sDBKindInvalid;
    else if (location.Kind == TRemoteLocation::TKind::Folder)
        text = sDBKindFolder;
    SetCaption(lbDBKind, text);
    // The field shows the URI as typed, password included; the tips never do.
    edDBDir->setToolTip(location.IsServer() ? location.Shown() : QString());
    lbDBKind->setToolTip(location.Problem);
}

bool TDiagOptions::RunModal()
{
    return exec() == QDialog::Accepted;
}

void TDiagOptions::UpdateLanguage(TLangIniFile* langFile)
{
    langFile->SetSection(QStringLiteral("DiagOptions"));
    setWindowTitle(langFile->ReadText(QStringLiteral("DiagOptions"), QStringLiteral("Inställningar")));
    SetCaption(lbLangTitle, langFile->ReadText(QStringLiteral("lbLangTitle"), QStringLiteral("Språk:")));
    SetCaption(lbComDevice, langFile->ReadText(QStringLiteral("lbComDevice"), QStringLiteral("Enhet för vald serieport:")));
    btnOk->setText(langFile->ReadText(QStringLiteral("btnOk"), QStringLiteral("OK")));
    cbUseModem->setText(langFile->ReadText(QStringLiteral("cbUseModem"), QStringLiteral("Använd modem")));
    cbUseModem->resize(std::max(97, cbUseModem->sizeHint().width()), cbUseModem->height());
    SetCaption(lbTelephoneNumberTitle,
               langFile->ReadText(QStringLiteral("lbTelephoneNumberTitle"), QStringLiteral("Telefonnummer:")));
    SetCaption(lbRemDBDir, langFile->ReadText(QStringLiteral("lbRemDBDir"), QStringLiteral("Fjärrdatabasserver:")));
    spbtnUpdateDB->setText(langFile->ReadText(QStringLiteral("spbtnUpdateDB"), QStringLiteral("Initiera databas")));
    sDBKindFolder = langFile->ReadText(QStringLiteral("sDBKindFolder"), QStringLiteral("Mapp med databasfilen"));
    sDBKindServer = langFile->ReadText(QStringLiteral("sDBKindServer"), QStringLiteral("PostgreSQL-server"));
    sDBKindInvalid = langFile->ReadText(QStringLiteral("sDBKindInvalid"), QStringLiteral("Ogiltig serveradress"));
    ShowDBKind();

    if (ApplIniFile) {
        cbUseModem->setChecked(ApplIniFile->ReadUseModem());
        edTelphoneNumber->setText(ApplIniFile->ReadTelephoneNumber());
        edDBDir->setText(ApplIniFile->ReadRemoteDBDir());
        // Initialised once, the remote database is not initialised again during this run.
        if (ApplIniFile->ReadDBIniValue() == 1)
            spbtnUpdateDB->setEnabled(false);
    }

    if (cbLang->currentIndex() < 0) {
        ShownPlaceholder = langFile->ReadText(QStringLiteral("cbLang"), LangPlaceholder);
        const QSignalBlocker quiet(cbLang);
        cbLang->setEditText(ShownPlaceholder);
    }
}

void TDiagOptions::SelectEntry(QComboBox* box, int index)
{
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index);
    if (box->isEditable())
        box->setEditText(box->itemText(index));
}

QString TDiagOptions::PortTip(int item) const
{
    const int port = PortOf(cbComPort->itemText(item));
    if (!CommRes || port < 0)
        return QString();
    return cbComPort->itemText(item) + QStringLiteral(": ") + CommRes->GetPortDevice(port);
}

QString TDiagOptions::PortDevicesText() const
{
    QStringList lines;
    for (int i = 0; i < cbComPort->count(); ++i)
        if (const QString tip = PortTip(i); !tip.isEmpty())
            lines << tip;
    return lines.join(QLatin1Char('\n'));
}

// Built when asked for, so a device path changed meanwhile shows at once.
void TDiagOptions::RefreshPortTips()
{
    for (int i = 0; i < cbComPort->count(); ++i)
        cbComPort->setItemData(i, PortTip(i), Qt::ToolTipRole);
    cbComPort->setToolTip(PortDevicesText());
}

QStringList TDiagOptions::LangItems() const
{
    QStringList items;
    for (int i = 0; i < cbLang->count(); ++i)
        items << cbLang->itemText(i);
    return items;
}

void TDiagOptions::SetLangItems(const QStringList& items)
{
    const QSignalBlocker quiet(cbLang);
    cbLang->clear();
    cbLang->addItems(items);
    cbLang->setCurrentIndex(-1);
}

int TDiagOptions::LangItemIndex() const
{
    return cbLang->currentIndex();
}

void TDiagOptions::SetLangItemIndex(int index)
{
    const QSignalBlocker quiet(cbLang);
    cbLang->setCurrentIndex(index >= 0 && index < cbLang->count() ? index : -1);
}

bool TDiagOptions::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (watched == cbLang && type == QEvent::KeyPress) {
        cbLangKeyDown();
        return cbLangKeyPress(static_cast<QKeyEvent*>(event)->key());
    }
    // Enter takes the typed device and leaves the dialog open, as in the language box.
    if (watched == cbComDevice && type == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event)->key())) {
        cbComDeviceChange();
        return true;
    }
    if (watched == cbLang && type == QEvent::KeyRelease) {
        cbLangKeyUp();
        return false;
    }
    // A wheel turned over a box the user is not working in must not switch port, interval or
    // language.
    if (type == QEvent::Wheel && (watched == cbComPort || watched == cbUpdateInterval || watched == cbLang)
        && !static_cast<QWidget*>(watched)->hasFocus())
        return true;
    if (type == QEvent::ToolTip && (watched == cbComPort || watched == cbComPort->view()->viewport()))
        RefreshPortTips();
    return QDialog::eventFilter(watched, event);
}

void TDiagOptions::cbComPortChange()
{
    const bool wasOpen = CommRes->IsOpen();
    if (wasOpen)
        CommRes->Close();
    CommRes->SetComPort(cbComPort->currentText());
    CommResIniFile->WriteComPort(CommRes->GetComPort());
    RefreshDevices();
    if (wasOpen)
        Run(Actions.GoOnline);
}

const TSerialPortSystem& TDiagOptions::Ports() const
{
    if (PortSystem)
        return *PortSystem;
    if (!MachinePorts)
        const_cast<TDiagOptions*>(this)->MachinePorts = std::make_unique<TPosixSerialPortSystem>();
    return *MachinePorts;
}

void TDiagOptions::RefreshDevices()
{
    const int port = PortOf(cbComPort->currentText());
    const QString current = CommRes && port >= 0 ? CommRes->GetPortDevice(port) : QString();
    const QList<TSerialPortEntry> entries = Ports().Ports();
    QStringList devices;
    for (const TSerialPortEntry& entry : entries)
        devices << entry.Preferred();
    // Typing in the box must not be overwritten by a scan that found nothing new.
    const bool typing = cbComDevice->lineEdit()->hasFocus() && cbComDevice->currentText() != current;
    if (devices != ListedDevices || !typing) {
        const QSignalBlocker quiet(cbComDevice);
        const QString shown = typing ? cbComDevice->currentText() : current;
        if (devices != ListedDevices) {
            cbComDevice->clear();
            auto* model = static_cast<QStandardItemModel*>(cbComDevice->model());
            for (const TSerialPortEntry& entry : entries) {
                const QString tip = entry.ById.isEmpty() ? entry.Description
                                                         : entry.Description + QStringLiteral(" (") + entry.Device + QLatin1Char(')');
                auto* path = new QStandardItem(entry.Preferred());
                path->setToolTip(tip.trimmed());
                auto* description = new QStandardItem(tip.trimmed());
                description->setToolTip(tip.trimmed());
                model->appendRow({path, description});
            }
            auto* view = static_cast<QTreeView*>(cbComDevice->view());
            view->resizeColumnToContents(0);
            view->resizeColumnToContents(1);
            view->setMinimumWidth(view->columnWidth(0) + view->columnWidth(1) + 2 * view->frameWidth());
            ListedDevices = devices;
        }
        cbComDevice->setCurrentIndex(cbComDevice->findText(shown, Qt::MatchExactly));
        cbComDevice->setEditText(shown);
        cbComDevice->lineEdit()->setCursorPosition(0);
    }
    ShowDeviceInfo();
}

// The description of the device shown, or nothing for a device that is not present.
void TDiagOptions::ShowDeviceInfo()
{
    const int item = cbComDevice->findText(cbComDevice->currentText(), Qt::MatchExactly);
    const QString info = item >= 0 ? cbComDevice->itemData(item, Qt::ToolTipRole).toString() : QString();
    lbComDeviceInfo->setText(lbComDeviceInfo->fontMetrics().elidedText(info, Qt::ElideMiddle, lbComDeviceInfo->width()));
    lbComDeviceInfo->setToolTip(info);
}

void TDiagOptions::cbComDeviceChange()
{
    const int port = PortOf(cbComPort->currentText());
    const QString device = cbComDevice->currentText().trimmed();
    if (port < 0 || device.isEmpty() || !CommRes || device == CommRes->GetPortDevice(port))
        return;
    CommRes->SetPortDevice(port, device);
    if (CommResIniFile)
        CommResIniFile->WriteComDevice(port + 1, device);
    RefreshPortTips();
    ShowDeviceInfo();
}

void TDiagOptions::showEvent(QShowEvent* event)
{
    RefreshDevices();
    DeviceScan->start();
    QDialog::showEvent(event);
}

void TDiagOptions::hideEvent(QHideEvent* event)
{
    DeviceScan->stop();
    QDialog::hideEvent(event);
}

// A text that is none of the entries gives the default interval, which the box then shows.
void TDiagOptions::cbUpdateIntervalChange()
{
    const int position = cbUpdateInterval->findText(cbUpdateInterval->currentText(), Qt::MatchExactly);
    UpdateTimer->SetInterval(TUpdateTimer::IntervalFromIndex(position));
}

void TDiagOptions::cbLangChange()
{
    const QString text = cbLang->currentText();
    // The placeholder is never a language, whichever language words it.
    if (text.isEmpty() || text == LangPlaceholder || text == ShownPlaceholder || !LangController)
        return;
    LangController->SelectLanguage(text);
    Run(Actions.ApplySettingsAndLanguage);
}

void TDiagOptions::cbLangKeyDown()
{
    LangChangeAttached = false;
}

void TDiagOptions::cbLangKeyUp()
{
    LangChangeAttached = true;
}

bool TDiagOptions::cbLangKeyPress(int key)
{
    if (!IsEnter(key))
        return false;
    LangChangeAttached = true;
    cbLangChange();
    return true;
}

void TDiagOptions::btnOkClick()
{
    ApplIniFile->WriteTelephoneNumber(edTelphoneNumber->text());
    ApplIniFile->WriteUseModem(cbUseModem->isChecked());
    // The dialog closes with OK also when the language change fails; the failure is still shown.
    try {
        cbLangChange();
    } catch (...) {
        accept();
        throw;
    }
    accept();
}

void TDiagOptions::sbtnDbDirClick() {}

// The folder is stored before the database is created in it.
void TDiagOptions::spbtnUpdateDBClick()
{
    ApplIniFile->WriteRemoteDBDir(edDBDir->text());
    Run(Actions.InitRemoteDatabase);
}
