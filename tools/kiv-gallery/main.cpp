// kiv-gallery [main|viewer|both] [ROW]: shows the main window, the stored fault viewer (on the
// fault of table row ROW, default 2) or both, filled with a made-up reading of an encoder that
// stored 47 faults, in the default (Swedish) language.
// kiv-gallery control|control-expanded|options|options-devices: the control window, collapsed or
// expanded and online, or the options dialog, in the default language; options-devices opens its
// list of serial devices, with COM1 on the first device present (set KIV_SERIAL_BY_ID to a folder
// of stable names to show some on a machine without adapters).
// kiv-gallery trend DEVICE: the live trend of the encoder on DEVICE (the simulator in live mode),
// read every second as repeated updating does; the samples gather while the window shows them.
// kiv-gallery help: the options dialog, open modally, and the help window that F1 opens from it.
// --language=FILE shows the windows in the language of that file (a copy of it is used, so the
// file itself is never filled in).
// The windows stand at the top left of the screen so scripts/screenshot can take them.
#include "model/uBiDirDataAsFreq.h"
#include "model/uBiDirDataAsOpTime.h"
#include "model/uBiDirDataAsTemp.h"
#include "model/uDynamicDiagObs.h"
#include "model/uEncoderModel.h"
#include "model/uTrendObs.h"
#include "model/uRawDiag.h"
#include "model/uStaticDiag.h"
#include "model/uStaticDiagObs.h"
#include "model/uStoredFaults.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "core/uUpdateTimer.h"
#include "platform/Dialogs.h"
#include "platform/SerialPorts.h"
#include "ui/fDiagManager.h"
#include "ui/fDiagOptions.h"
#include <QLineEdit>
#include "ui/fKiv.h"
#include "ui/fStoredFaultView.h"
#include "ui/fTrend.h"
#include "settings/uLangController.h"
#include "ui/uCommResObs.h"
#include "ui/uHelp.h"
#include "ui/uUpdateTimerObs.h"
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// A consistent diagnostic block: 47 faults, of which the ring keeps the last thirteen.
TRawDiag::TData MadeUpBlock()
{
    const int n = 47;
    const uint8_t statuses[] = {0x08, 0x31, 0x04, 0x80, 0x10, 0x20, 0xC0, 0x0C, 0x30, 0x48, 0x04, 0x08, 0xFF};
    TRawDiag::TData block;
    block.fill(0xFF);
    block[1] = 0x00;
    block[2] = uint8_t((n - 1) % 13 * 6);
    block[3] = 0;
    block[4] = n;
    block[5] = uint8_t(-18); // lowest temperature
    block[6] = 71;           // highest temperature
    block[7] = 0x00;
    const int hours = 19876;
    block[96] = uint8_t(hours >> 16);
    block[97] = uint8_t(hours >> 8);
    block[98] = uint8_t(hours);
    for (int i = n - 13; i < n; ++i) {
        const int at = 12000 + 173 * i + (i * i) % 61;
        uint8_t* record = &block[16 + 6 * (i % 13)];
        record[0] = uint8_t(at >> 16);
        record[1] = uint8_t(at >> 8);
        record[2] = uint8_t(at);
        record[3] = statuses[i % 13];
        record[4] = uint8_t(6 + (i * 7) % 23);
        record[5] = uint8_t(i % 5 == 0 ? -4 - i % 9 : 28 + (i * 3) % 31);
    }
    return block;
}

// The live trend on a real link: the identity and the block once, then the update cycle every
// second, the block again whenever the fault count grows.
int RunTrend(const QString& device)
{
    QTemporaryDir folder;
    TLangIniFile lang(folder.path(), TLangIniFile::DefaultLanguage());
    TStderrDialogs dialogs("kiv-gallery");
    TCommRes commRes;
    TBiDirDiagProtocol protocol;
    protocol.CommRes = &commRes;
    TEncoderModel model(dialogs);
    model.Wire(&protocol);
    model.ConfigureIdentityItems();
    TTrendObs trend;
    trend.Watch(&model);
    TTrendFrm window(trend, dialogs);
    window.UpdateLanguage(&lang);
    model.StoredFaults.UpdateLanguage(&lang);
    int32_t lastCount = 0;
    try {
        commRes.SetPortDevice(0, device);
        commRes.SetComPort(QStringLiteral("COM1"));
        commRes.Open();
        model.ReadIdentity();
        model.ReadDiagnostics();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiv-gallery: %s\n", e.what());
        return 1;
    }
    QTimer cycle;
    QObject::connect(&cycle, &QTimer::timeout, [&] {
        try {
            const int32_t count = model.ReadLiveValues();
            if (count > lastCount) {
                lastCount = count;
                model.ReadDiagnostics();
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kiv-gallery: %s\n", e.what());
        }
    });
    cycle.start(1000);
    window.move(0, 0);
    window.resize(900, 520);
    window.ShowTrend();
    std::printf("kiv-gallery: trend of %s shown\n", qPrintable(device));
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args;
    QString languageFile;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--language=")))
            languageFile = arg.mid(11);
        else
            args << arg;
    }
    QString mode = !args.isEmpty() ? args[0] : QStringLiteral("both");
    const int row = args.size() > 1 ? args[1].toInt() : 2;
    if (mode == QLatin1String("trend")) {
        if (args.size() < 2) {
            std::fprintf(stderr, "usage: kiv-gallery trend DEVICE\n");
            return 2;
        }
        return RunTrend(args[1]);
    }
    QTemporaryDir folder;
    QString language = TLangIniFile::DefaultLanguage();
    if (!languageFile.isEmpty()) {
        language = QFileInfo(languageFile).completeBaseName();
        QFile::copy(languageFile, folder.filePath(language + QStringLiteral(".txt")));
    }
    TLangIniFile lang(folder.path(), language);
    TQtDialogs dialogs;

    TKIV window(dialogs);
    TStaticDiagObs staticObs;
    TDynamicDiagObs dynamicObs;
    staticObs.SetMainWindow(&window);
    dynamicObs.SetMainWindow(&window);
    staticObs.SetActive(true);
    dynamicObs.SetActive(true);

    TRawDiag raw;
    TNumOfFaults numOfFaults;
    TMaxTemp maxTemp;
    TMinTemp minTemp;
    TOperatingTime operatingTime;
    TStoredFaults storedFaults(dialogs);
    for (TStaticDiag* value : std::initializer_list<TStaticDiag*>{&numOfFaults, &maxTemp, &minTemp,
                                                                  &operatingTime, &storedFaults}) {
        value->SetRawDiag(&raw);
        value->Attach(&staticObs);
    }
    storedFaults.SetNumOfFaults(&numOfFaults);
    storedFaults.SetOperatingTime(&operatingTime);
    window.SetStoredFaults(&storedFaults);

    // The language pass in the controller's order, then a single update and one live reading.
    TLangController langController(folder.path());
    for (TLangClient* client : std::initializer_list<TLangClient*>{&window, &staticObs, &storedFaults, &dynamicObs})
        langController.Register(client);
    langController.SelectLanguage(language);
    window.SetStatusText(0, QStringLiteral("COM1"));
    window.SetStatusText(1, QStringLiteral("Status: Online"));

    window.ShowSerialNumber(20417);
    window.ShowPartNumber(40512307, true);
    window.ShowSoftwareVersion(0x21);
    window.ShowHardwareVersion(0x13);
    window.ShowUnitsPerRevolution(2048);
    raw.SetData(MadeUpBlock());
    numOfFaults.Execute();
    maxTemp.Execute();
    operatingTime.Execute();
    minTemp.ExecuteUnfiltered();
    storedFaults.Execute();

    TBiDirDataAsOpTime liveOpTime;
    TBiDirDataAsFreq liveFreq;
    TBiDirDataAsTemp liveTemp;
    for (TSubject* item : std::initializer_list<TSubject*>{&liveOpTime, &liveFreq, &liveTemp})
        item->Attach(&dynamicObs);
    liveOpTime.SetValue(19876);
    liveFreq.SetValue(7500);
    liveTemp.SetValue(43);
    for (const char* title : {"lbTitleOperatingTime", "lbTitleFreq", "lbTitleTemp"})
        window.SetComponentEnabled(QString::fromLatin1(title), true);

    window.move(0, 0);
    if (mode == QLatin1String("viewer") || mode == QLatin1String("both")) {
        for (int i = 0; i < row; ++i)
            window.btnDownClick(&window);
        TStoredFaultView& view = window.StoredFaultView();
        view.ShowFault(*storedFaults.Fault(window.SelectedRow()));
        view.move(mode == QLatin1String("both") ? QPoint(window.frameGeometry().width() + 20, 40) : QPoint(0, 0));
        view.show();
        if (mode == QLatin1String("viewer"))
            window.hide();
    }

    // The control window and the options dialog, wired to a port and a timer as at start-up.
    TCommRes commRes;
    commRes.SetComPort(QStringLiteral("COM1"));
    TUpdateTimer updateTimer;
    TDiagOptions options;
    options.SetCommRes(&commRes);
    TDiagManager control(dialogs);
    TCommResObs commResObs;
    commResObs.SetCommRes(&commRes);
    commResObs.SetControlWindow(&control);
    commResObs.SetOptions(&options);
    TUpdateTimerObs updateTimerObs;
    updateTimerObs.SetUpdateTimer(&updateTimer);
    updateTimerObs.SetControlWindow(&control);
    updateTimerObs.SetOptions(&options);
    commRes.Attach(&commResObs);
    updateTimer.Attach(&updateTimerObs);
    commResObs.SetActive(true);
    updateTimerObs.SetActive(true);
    const bool devices = mode == QLatin1String("options-devices");
    if (devices) {
        mode = QStringLiteral("options");
        const QList<TSerialPortEntry> present = TPosixSerialPortSystem().Ports();
        if (!present.isEmpty())
            commRes.SetPortDevice(0, present.first().Preferred());
    }
    if (mode.startsWith(QLatin1String("control")) || mode == QLatin1String("options") || mode == QLatin1String("help")) {
        window.hide();
        control.Init(&lang);
        commResObs.UpdateLanguage(&lang);
        options.UpdateLanguage(&lang);
        updateTimerObs.UpdateLanguage(&lang);
        control.move(0, 0);
        if (mode == QLatin1String("control-expanded")) {
            control.btnArrowClick();
            control.ShowOnlineLed(true);
        }
        if (mode == QLatin1String("options")) {
            control.hide();
            // kiv-gallery options TEXT: the remote-database field holding TEXT.
            if (argc > 2)
                options.edDBDir->setText(QString::fromLocal8Bit(argv[2]));
            options.move(0, 0);
            options.show();
            if (devices)
                QTimer::singleShot(300, &options, [&options] { options.cbComDevice->showPopup(); });
        }
    }
    THelp help(QCoreApplication::applicationDirPath());
    if (mode == QLatin1String("help")) {
        app.installEventFilter(&help);
        control.hide();
        options.move(20, 20);
        // F1 as the user presses it in the open dialog.
        QTimer::singleShot(800, &options, [&options] {
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent key(type, Qt::Key_F1, Qt::NoModifier);
                QCoreApplication::sendEvent(options.cbComPort, &key);
            }
        });
        std::printf("kiv-gallery: %s shown\n", qPrintable(mode));
        std::fflush(stdout);
        options.RunModal();
        return 0;
    }
    std::printf("kiv-gallery: %s shown\n", qPrintable(mode));
    std::fflush(stdout);
    return app.exec();
}
