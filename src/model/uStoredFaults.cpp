#include "model/uStoredFaults.h"
#include "model/uRawDiag.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"

void TSemiString::Add(const QString& line)
{
    if (Text.isEmpty())
        Text = line;
    else
        Text += QLatin1Char('\n') + line;
}

void TAnotherSemiString::Add(const QString& part)
{
    Text += part;
}

namespace {

struct TTextKey {
    const char* Key;
    const char* Default;   // UTF-8
};

// In the order they are read, so a new language file lists them in this order.
const TTextKey TextKeys[] = {
    {"sFaultStatus_01", "Används ej."},
    {"sFaultStatus_02", "Används ej."},
    {"sFaultStatus_04", "Tillståndsfel."},
    {"sFaultStatus_08", "Nollpuls saknas."},
    {"sFaultStatus_10", "Delningen är mindre än programmerad delning."},
    {"sFaultStatus_20", "Delningen är större än programmerad delning."},
    {"sFaultStatus_30", "Avbrott i ledenhet."},
    {"sFaultStatus_40", "Externa inkrementala signaler är ej lika med interna inkrementala signaler."},
    {"sFaultStatus_80", "Extern nollpulssignal är ej lika med intern nollpulsignal."},
    // The following seven are kept in the file for translators though nothing shows them.
    {"sFaultStatus_UnDef", "Ej definierad felstatus"},
    {"sStoredOpTimeIsNotFalling",
     "Drifttid för lagrat fel med index %s är större än drifttid för ett senare lagrat fel."},
    {"sIndexAndNumOfFaultsMismatch", "Felindex och antalet totalt lagrade fel resulterar i skillda offset-värden"},
    {"sIndexOutOfRange", "Felindex är utanför definitionsområde."},
    {"sNumOfFaultsOutOfRange", "Antalet totalt lagrade fel är utanför definierat område."},
    {"sFaultDataStoredUnDef", "Fellagringsbufferstatus har ett ej definierat värde = $%s."},
    {"sOpTimeOutOfRange", "Drifttid är utanför definitionsområde."},
    {"sOpTimeStoredUnDef", "Drifttidslagringssatus har ett ej definierat värde = $%s."},
    {"sEEPromDataInconsistent", "EEPromdata är inte giltig."},
};

const char* const LangSection = "TStoredFault";
const char* const InconsistentKey = "sEEPromDataInconsistent";

} // namespace

void TStoredFaultTexts::Read(TLangIniFile& langFile)
{
    langFile.SetSection(QString::fromLatin1(LangSection));
    for (const TTextKey& k : TextKeys) {
        const QString key = QString::fromLatin1(k.Key);
        Texts.insert(key, langFile.ReadText(key, QString::fromUtf8(k.Default)));
    }
}

TStoredFault::TStoredFault(const TStoredFaultTexts* texts) : Texts(texts)
{
    OpTime.SetLsbFirst(false);
}

QString TStoredFault::IndexAsText() const
{
    return QString::number(Index);
}

QString TStoredFault::OpTimeAsText() const
{
    return QString::number(OpTime.Value());
}

QString TStoredFault::StatusAsText() const
{
    return QStringLiteral("%1").arg(Status, 2, 16, QLatin1Char('0')).toUpper();
}

QString TStoredFault::StatusDescription() const
{
    auto text = [this](const char* key) {
        return Texts ? Texts->Text(QString::fromLatin1(key)) : QString();
    };
    TSemiString lines;
    if (Status & 0x80) lines.Add(text("sFaultStatus_80"));
    if (Status & 0x40) lines.Add(text("sFaultStatus_40"));
    if ((Status & 0x30) == 0x30) {
        lines.Add(text("sFaultStatus_30"));
    } else {
        if (Status & 0x20) lines.Add(text("sFaultStatus_20"));
        if (Status & 0x10) lines.Add(text("sFaultStatus_10"));
    }
    if (Status & 0x08) lines.Add(text("sFaultStatus_08"));
    if (Status & 0x04) lines.Add(text("sFaultStatus_04"));
    if (Status & 0x02) lines.Add(text("sFaultStatus_02"));
    if (Status & 0x01) lines.Add(text("sFaultStatus_01"));
    return lines.GetText();
}

QString TStoredFault::FreqAsText() const
{
    return QString::number(Freq.Value());
}

QString TStoredFault::TempAsText() const
{
    return QString::number(Temp.Value());
}

TStoredFaults::TStoredFaults(TDialogs& dialogs) : Dialogs(dialogs) {}

TNumOfFaults& TStoredFaults::FaultCounter() const
{
    if (!NumOfFaults)
        throw Exception("No fault count assigned to the stored faults.");
    return *NumOfFaults;
}

int32_t TStoredFaults::FaultCount() const
{
    return FaultCounter().Value();
}

void TStoredFaults::Decode()
{
    Faults.clear();
    FaultCounter().Execute();
    for (int32_t i = FaultCount() - 1;; --i) {
        std::unique_ptr<TStoredFault> fault = MakeFault(i);
        if (!fault)
            break;
        Faults.push_back(std::move(fault));
    }
}

bool TStoredFaults::Execute()
{
    Decode();
    Notify(this, 0);
    CheckConsistency();
    return true;
}

bool TStoredFaults::DecodeConsistent()
{
    Decode();
    return Consistent();
}

bool TStoredFaults::Consistent() const
{
    return OpTimesFalling() && FaultIndexValid() && OpTimeStatusValid();
}

const TStoredFault* TStoredFaults::Fault(int position) const
{
    if (position < 0 || position >= Count())
        return nullptr;
    return Faults[static_cast<size_t>(position)].get();
}

std::unique_ptr<TStoredFault> TStoredFaults::MakeFault(int32_t i) const
{
    const int32_t n = FaultCount();
    if (i > n - 1 || i < 0 || i < n - RingSlots)
        return nullptr;
    const uint8_t* record = Block() + DiagBlock::FaultRing + RecordSize * (i % RingSlots);
    auto fault = std::make_unique<TStoredFault>(&LangTexts);
    fault->OpTime.SetBytes(record);
    fault->Status = record[3];
    fault->Freq.SetRaw(record[4]);
    fault->Temp.SetRaw(record[5]);
    fault->Index = i + 1;
    return fault;
}

bool TStoredFaults::CheckConsistency()
{
    if (Consistent())
        return true;
    Dialogs.MessageDlg(LangTexts.Text(QString::fromLatin1(InconsistentKey)), TMsgDlgType::Error, mbOK);
    return false;
}

bool TStoredFaults::OpTimesFalling() const
{
    for (size_t i = 1; i < Faults.size(); ++i)
        if (Faults[i]->OpTime.Value() > Faults[i - 1]->OpTime.Value())
            return false;
    return true;
}

bool TStoredFaults::FaultIndexValid() const
{
    const uint8_t* block = Block();
    const uint8_t status = block[DiagBlock::FaultBufferStatus];
    const uint8_t newest = block[DiagBlock::NewestFaultOffset];
    const int32_t n = FaultCount();
    if (status == 0x00)
        return newest <= (RingSlots - 1) * RecordSize && n != 0 && newest == ((n - 1) % RingSlots) * RecordSize;
    if (status == 0xFF)
        return newest == 0xFF && n == 0;
    return false;
}

bool TStoredFaults::OpTimeStatusValid() const
{
    if (!OperatingTime)
        throw Exception("No operating time assigned to the stored faults.");
    const uint8_t status = Block()[DiagBlock::OpTimeStatus];
    const int32_t t = OperatingTime->Value();
    const bool stored = t != 0 && t != TOpTime::MaxValue;
    if (status == 0x00)
        return stored;
    if (status == 0xFF)
        return !stored;
    return false;
}

void TStoredFaults::UpdateLanguage(TLangIniFile* langFile)
{
    if (langFile)
        LangTexts.Read(*langFile);
}
