#include "model/uEncoderModel.h"
#include "core/uBiDirDiagProtocol.h"

namespace {
// Where the encoder keeps each value.
constexpr uint16_t AddrHardwareVersion = 96;   // RAM
constexpr uint16_t AddrSoftwareVersion = 97;   // RAM
constexpr uint16_t AddrLiveTemp = 99;          // RAM
constexpr uint16_t AddrLiveFreq = 100;         // RAM
constexpr uint16_t AddrLiveOpTime = 101;       // RAM, three bytes, least significant first
constexpr uint16_t AddrRamLong105 = 105;       // RAM
constexpr uint16_t AddrPartNumber = 112;       // EEPROM
constexpr uint16_t AddrRamLong115 = 115;       // RAM
constexpr uint16_t AddrSerialNumber = 116;     // EEPROM
constexpr uint16_t AddrUnitsPerRev = 120;      // EEPROM
constexpr uint16_t AddrFaultCount = 3;         // EEPROM, most significant byte first

void Configure(TBiDirDataBase& item, uint8_t memory, uint16_t address)
{
    item.SetMemMode(memory);
    item.SetAddress(address);
    item.SetEndianMode(TBiDirDataBase::LittleEndian);
}

void ConfigureFromText(TBiDirDataBase& item, uint16_t address)
{
    item.SetMemModeStr(QStringLiteral("Ram"));
    item.SetAddress(address);
    item.SetEndianModeStr(QStringLiteral("BigEndian"));
}
} // namespace

TEncoderModel::TEncoderModel(TDialogs& dialogs) : StoredFaults(dialogs) {}

void TEncoderModel::Wire(TBiDirDiagProtocol* protocol)
{
    Protocol = protocol;
    for (TBiDirDataBase* item : std::initializer_list<TBiDirDataBase*>{
             &SoftwareVersionItem, &HardwareVersionItem, &PartNumberItem, &RamLong105Item, &RamLong115Item,
             &SerialNumberItem, &UnitsPerRevItem, &LiveOpTime, &LiveFreq, &LiveTemp, &FaultCountItem})
        item->SetProtocol(protocol);
    RawDiag.SetProtocol(protocol);
    for (TStaticDiag* value : std::initializer_list<TStaticDiag*>{&NumOfFaults, &MaxTemp, &MinTemp, &OperatingTime,
                                                                 &StoredFaults})
        value->SetRawDiag(&RawDiag);
    StoredFaults.SetNumOfFaults(&NumOfFaults);
    StoredFaults.SetOperatingTime(&OperatingTime);
}

void TEncoderModel::AttachObservers(TObserver* staticObs, TObserver* dynamicObs)
{
    for (TSubject* value : StaticValues())
        value->Attach(staticObs);
    StoredFaults.Attach(staticObs);
    for (TSubject* item : LiveItems())
        item->Attach(dynamicObs);
}

void TEncoderModel::DetachObservers(TObserver* staticObs, TObserver* dynamicObs)
{
    for (TSubject* value : StaticValues())
        value->Detach(staticObs);
    for (TSubject* item : LiveItems())
        item->Detach(dynamicObs);
    StoredFaults.Detach(staticObs);
}

void TEncoderModel::RefreshStaticValues()
{
    for (TStaticDiag* value : StaticValues())
        value->Refresh();
}

void TEncoderModel::AnnounceLiveValues()
{
    for (TSubject* item : std::initializer_list<TSubject*>{&LiveOpTime, &LiveFreq, &LiveTemp})
        item->Notify();
}

std::array<TStaticDiag*, 4> TEncoderModel::StaticValues()
{
    return {&NumOfFaults, &MaxTemp, &MinTemp, &OperatingTime};
}

std::array<TBiDirDataBase*, 4> TEncoderModel::LiveItems()
{
    return {&LiveOpTime, &LiveFreq, &LiveTemp, &FaultCountItem};
}

void TEncoderModel::ConfigureIdentityItems()
{
    Configure(SoftwareVersionItem, TBiDirDataBase::MemRam, AddrSoftwareVersion);
    Configure(HardwareVersionItem, TBiDirDataBase::MemRam, AddrHardwareVersion);
    Configure(PartNumberItem, TBiDirDataBase::MemEEProm, AddrPartNumber);
    Configure(RamLong105Item, TBiDirDataBase::MemRam, AddrRamLong105);
    Configure(RamLong115Item, TBiDirDataBase::MemRam, AddrRamLong115);
    Configure(SerialNumberItem, TBiDirDataBase::MemEEProm, AddrSerialNumber);
    Configure(UnitsPerRevItem, TBiDirDataBase::MemEEProm, AddrUnitsPerRev);
}

void TEncoderModel::ConfigureLiveItems()
{
    ConfigureFromText(LiveOpTime, AddrLiveOpTime);
    ConfigureFromText(LiveFreq, AddrLiveFreq);
    ConfigureFromText(LiveTemp, AddrLiveTemp);
    Configure(FaultCountItem, TBiDirDataBase::MemEEProm, AddrFaultCount);
}

void TEncoderModel::ReadIdentity()
{
    Protocol->SetChainedChecksum(true);
    Protocol->RetryCount = 0;
    SoftwareVersionItem.Execute();
    SoftwareVersionItem.Execute();
    HardwareVersionItem.Execute();
    SerialNumberItem.Execute();
    PartNumberItem.Execute();
    RamLong105Item.Execute();
    RamLong115Item.Execute();
    UnitsPerRevItem.Execute();
    ConfigureLiveItems();
}

void TEncoderModel::ReadDiagnostics()
{
    RawDiag.Execute();
    NumOfFaults.Execute();
    MaxTemp.Execute();
    OperatingTime.Execute();
    if (UnfilteredMinTemp())
        MinTemp.ExecuteUnfiltered();
    else
        MinTemp.Execute();
    StoredFaults.Execute();
}

int32_t TEncoderModel::ReadLiveValues()
{
    LiveOpTime.Execute();
    LiveFreq.Execute();
    LiveTemp.Execute();
    FaultCountItem.Execute();
    return LiveFaultCount();
}

int32_t TEncoderModel::LiveFaultCount() const
{
    // The count is stored most significant byte first, the item reads it the other way round.
    const uint16_t raw = FaultCountItem.Value();
    const int32_t count = static_cast<uint16_t>((raw << 8) | (raw >> 8));
    return count == 0xFFFF ? 0 : count;
}

QString TEncoderModel::PartNumberText(int32_t number, bool newFormat)
{
    const QString plain = QString::number(number);
    // The newer encoders keep a check digit in the seventh place; it is not shown.
    if (plain.length() == 8 && newFormat)
        return QString::number(number / 100) + QStringLiteral("-0") + QString::number(number % 10);
    return plain;
}

QString TEncoderModel::VersionText(uint8_t version)
{
    return QStringLiteral("%1.%2").arg(version >> 4).arg(version & 0x0F);
}

QString TEncoderModel::UnitsPerRevText(int32_t number)
{
    QString text = QString::number(number);
    if (number >= 0)
        text += QStringLiteral(" ppr");
    return text;
}
