#pragma once
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "model/uDynamicDiagObs.h"
#include "model/uEncoderModel.h"
#include "model/uMainWindowView.h"
#include "model/uReadingTexts.h"
#include "model/uStaticDiagObs.h"
#include "platform/Dialogs.h"
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The main window without a window: it keeps what the presentation observers write, so that the
// reader prints exactly the texts Kiv would show.
class TReaderView : public TMainWindowView {
public:
    void SetComponentText(const QString& component, const QString& text) override { Texts[component] = text; }
    void SetComponentEnabled(const QString&, bool) override {}
    void SetComponentVisible(const QString&, bool) override {}
    void SetHeaderSectionText(int section, const QString& text) override { Sections[section] = text; }
    void ClearList(const QString& list) override { Lists[list].clear(); }
    void AppendListItem(const QString& list, const QString& text) override { Lists[list].append(text); }
    int ListCount(const QString& list) const override { return static_cast<int>(Lists.value(list).size()); }
    void SelectRowAsClicked(int) override {}

    QString Text(const QString& component) const { return Texts.value(component); }
    QStringList List(const QString& list) const { return Lists.value(list); }
    QString SectionText(int section) const { return Sections.value(section); }

private:
    QHash<QString, QString> Texts;
    QHash<int, QString> Sections;
    QHash<QString, QStringList> Lists;
};

// Opens the line as going online does: the device behind the port name, then 9600 baud, 8 data
// bits, no parity and one stop bit. Raises ECommResError.
void OpenEncoderLine(TCommRes& commRes, int portIndex, const QString& device);

// One reading of an encoder as Kiv's online button makes it: the line configured as going online
// does, the identity and the diagnostic block as a single update reads them, then the live
// values once. Texts come in the language chosen in the program folder given; nothing is ever
// written there.
class TKivReader {
public:
    // portIndex 0..3 stands for "COM1".."COM4"; device is the path behind it.
    TKivReader(const QString& programFolder, int portIndex, const QString& device);
    TKivReader(const TKivReader&) = delete;
    TKivReader& operator=(const TKivReader&) = delete;

    // Link errors propagate as ECommResError or ESerialBiDirError.
    void Read();

    QJsonObject ToJson() const;
    // The reading as Kiv's main window would show it, for a save.
    TReadingTexts ReadingTexts() const;
    QString ToText() const;

    bool Consistent() const { return Dialogs.MessagesShown == 0; }

private:
    void ApplyLanguage();
    QString ChecksumText() const;

    QString ProgramFolder;
    int PortIndex;
    QString Device;

    // There is nobody to click a message box away: the only one, the diagnostic block's
    // consistency message, goes to standard error and makes the reading inconsistent.
    TStderrDialogs Dialogs{"kiv-read"};
    TCommRes CommRes;
    TBiDirDiagProtocol Protocol;
    TEncoderModel Model{Dialogs};
    TReaderView View;
    TStaticDiagObs StaticDiagObs;
    TDynamicDiagObs DynamicDiagObs;
};
