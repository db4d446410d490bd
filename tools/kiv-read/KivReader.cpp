#include "KivReader.h"
#include "platform/FileAccess.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "platform/TextFile.h"
#include "settings/uApplIniFile.h"
#include "settings/uLangController.h"
#include "settings/uLangIniFile.h"
#include "settings/uWorkFiles.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The settings file of the Kiv program in a folder.
QString SettingsFileIn(const QString& folder)
{
    return QDir(folder).filePath(SettingsFileName(QStringLiteral("kiv")));
}

const char* const FaultLists[] = {"lstbIndex", "lstbOpTime", "lstbFaultStatus", "lstbFreq", "lstbTemp"};
const char* const FaultKeys[] = {"index", "operatingTime", "status", "frequency", "temperature"};

} // namespace

void OpenEncoderLine(TCommRes& commRes, int portIndex, const QString& device)
{
    commRes.SetPortDevice(portIndex, device);
    commRes.SetComPort(QStringLiteral("COM%1").arg(portIndex + 1));
    commRes.Open();
    commRes.SetBaudRate(9600);
    commRes.SetDataBits(8);
    commRes.SetParity(cpNone);
    commRes.SetStopBits(sbOne);
}

TKivReader::TKivReader(const QString& programFolder, int portIndex, const QString& device)
    : ProgramFolder(programFolder), PortIndex(portIndex), Device(device)
{
    Protocol.CommRes = &CommRes;
    Model.Wire(&Protocol);
    Model.ConfigureIdentityItems();
    StaticDiagObs.SetMainWindow(&View);
    DynamicDiagObs.SetMainWindow(&View);
    Model.AttachObservers(&StaticDiagObs, &DynamicDiagObs);
    DynamicDiagObs.SetActive(true);
    StaticDiagObs.SetActive(true);
}

void TKivReader::ApplyLanguage()
{
    QTemporaryDir copy;
    if (!copy.isValid())
        throw Exception(QStringLiteral("Could not create a temporary folder: %1").arg(copy.errorString()));
    // The language files fill themselves with every text they lack, and choosing a language records
    // the choice. A reader must leave the folder as it found it, so the language is chosen and read
    // in a private copy of what decides it.
    TWorkFiles::CopyFiles(ProgramFolder, copy.path(), SettingsFileName(QStringLiteral("kiv")), TFileAccess());
    TIniFile settings(SettingsFileIn(copy.path()));
    TApplIniFile applIniFile(&settings);
    TLangController langController(copy.path());
    langController.SetSettings(&applIniFile);
    // The clients that show what a reading shows, in the order Kiv registers them.
    langController.Register(&StaticDiagObs);
    langController.Register(&Model.StoredFaults);
    langController.Register(&DynamicDiagObs);
    langController.LoadLanguages();
}

void TKivReader::Read()
{
    // Before the language, as at Kiv's start: the static labels show their values from the start.
    Model.RefreshStaticValues();
    ApplyLanguage();

    OpenEncoderLine(CommRes, PortIndex, Device);

    Model.ReadIdentity();
    Model.ReadDiagnostics();
    Model.ReadLiveValues();
    // As when repeated updating starts.
    Model.AnnounceLiveValues();
    CommRes.Close();
}

QString TKivReader::ChecksumText() const
{
    return Protocol.GetChainedChecksum() ? QStringLiteral("chained") : QStringLiteral("plain");
}

QJsonObject TKivReader::ToJson() const
{
    const bool newFormat = Model.NewPartNumberFormat();
    QJsonObject identity{
        {QStringLiteral("partNumber"), TEncoderModel::PartNumberText(Model.PartNumberItem.Value(), newFormat)},
        {QStringLiteral("serialNumber"), QString::number(Model.SerialNumberItem.Value())},
        {QStringLiteral("softwareVersion"), TEncoderModel::VersionText(Model.SoftwareVersionItem.Value())},
        {QStringLiteral("hardwareVersion"), TEncoderModel::VersionText(Model.HardwareVersionItem.Value())},
        {QStringLiteral("unitsPerRevolution"), TEncoderModel::UnitsPerRevText(Model.UnitsPerRevItem.Value())},
    };
    QJsonObject live{
        {QStringLiteral("operatingTime"), View.Text(QStringLiteral("lbOperatingTime"))},
        {QStringLiteral("frequency"), View.Text(QStringLiteral("lbFreq"))},
        {QStringLiteral("temperature"), View.Text(QStringLiteral("lbTemp"))},
    };
    QJsonArray faults;
    const int rows = View.ListCount(QStringLiteral("lstbIndex"));
    for (int row = 0; row < rows; ++row) {
        QJsonObject fault;
        for (size_t column = 0; column < std::size(FaultLists); ++column)
            fault.insert(QLatin1String(FaultKeys[column]), View.List(QLatin1String(FaultLists[column])).value(row));
        // Row k of the lists is entry k of the stored-fault list.
        const TStoredFault* stored = Model.StoredFaults.Fault(row);
        const QString description = stored ? stored->StatusDescription() : QString();
        fault.insert(QStringLiteral("description"),
                     QJsonArray::fromStringList(description.isEmpty() ? QStringList()
                                                                      : description.split(QLatin1Char('\n'))));
        faults.append(fault);
    }
    QJsonObject diagnostics{
        {QStringLiteral("numberOfFaults"), View.Text(QStringLiteral("lbNumOfFaults"))},
        {QStringLiteral("maxTemp"), View.Text(QStringLiteral("lbMaxTemp"))},
        {QStringLiteral("minTemp"), View.Text(QStringLiteral("lbMinTemp"))},
        {QStringLiteral("operatingTime"), View.Text(QStringLiteral("lbOpTime"))},
        {QStringLiteral("consistent"), Consistent()},
        {QStringLiteral("faults"), faults},
    };
    return QJsonObject{
        {QStringLiteral("device"), Device},
        {QStringLiteral("checksum"), ChecksumText()},
        {QStringLiteral("identity"), identity},
        {QStringLiteral("live"), live},
        {QStringLiteral("diagnostics"), diagnostics},
    };
}

TReadingTexts TKivReader::ReadingTexts() const
{
    TReadingTexts r = TReadingTexts::FromComponents([this](const QString& c) { return View.Text(c); },
                                                    [this](const QString& l) { return View.List(l); });
    // The controller hands the identity to the main window's own operations, not to an observer.
    r.SerialNumber = QString::number(Model.SerialNumberItem.Value());
    r.PartNumber = TEncoderModel::PartNumberText(Model.PartNumberItem.Value(), Model.NewPartNumberFormat());
    r.SoftwareVersion = TEncoderModel::VersionText(Model.SoftwareVersionItem.Value());
    r.HardwareVersion = TEncoderModel::VersionText(Model.HardwareVersionItem.Value());
    r.UnitsPerRev = TEncoderModel::UnitsPerRevText(Model.UnitsPerRevItem.Value());
    return r;
}

QString TKivReader::ToText() const
{
    const QJsonObject json = ToJson();
    const QJsonObject identity = json.value(QStringLiteral("identity")).toObject();
    const QJsonObject live = json.value(QStringLiteral("live")).toObject();
    const QJsonObject diagnostics = json.value(QStringLiteral("diagnostics")).toObject();
    QString out;
    auto line = [&out](const char* label, const QJsonValue& value) {
        out += QStringLiteral("%1 %2\n").arg(QLatin1String(label), -22).arg(value.toString());
    };
    line("Device:", json.value(QStringLiteral("device")));
    line("Checksum:", json.value(QStringLiteral("checksum")));
    line("Part number:", identity.value(QStringLiteral("partNumber")));
    line("Serial number:", identity.value(QStringLiteral("serialNumber")));
    line("Software version:", identity.value(QStringLiteral("softwareVersion")));
    line("Hardware version:", identity.value(QStringLiteral("hardwareVersion")));
    line("Units per revolution:", identity.value(QStringLiteral("unitsPerRevolution")));
    line("Operating time:", live.value(QStringLiteral("operatingTime")));
    line("Frequency:", live.value(QStringLiteral("frequency")));
    line("Temperature:", live.value(QStringLiteral("temperature")));
    line("Number of faults:", diagnostics.value(QStringLiteral("numberOfFaults")));
    line("Highest temperature:", diagnostics.value(QStringLiteral("maxTemp")));
    line("Lowest temperature:", diagnostics.value(QStringLiteral("minTemp")));
    line("Stored operating time:", diagnostics.value(QStringLiteral("operatingTime")));
    line("Block consistent:", Consistent() ? QStringLiteral("yes") : QStringLiteral("no"));

    const QJsonArray faults = diagnostics.value(QStringLiteral("faults")).toArray();
    if (faults.isEmpty())
        return out;
    // The fault table under the column titles the main window shows.
    out += QLatin1Char('\n');
    QString header;
    for (int section = 0; section < 5; ++section)
        header += QStringLiteral("%1").arg(View.SectionText(section), -12);
    out += header.trimmed() + QLatin1Char('\n');
    for (const QJsonValue& value : faults) {
        const QJsonObject fault = value.toObject();
        QString row;
        for (const char* key : FaultKeys)
            row += QStringLiteral("%1").arg(fault.value(QLatin1String(key)).toString(), -12);
        out += row.trimmed() + QLatin1Char('\n');
        for (const QJsonValue& text : fault.value(QStringLiteral("description")).toArray())
            out += QStringLiteral("    ") + text.toString() + QLatin1Char('\n');
    }
    return out;
}
