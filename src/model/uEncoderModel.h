#pragma once
#include "model/uBiDirDataAsByte.h"
#include "model/uBiDirDataAsFreq.h"
#include "model/uBiDirDataAsLongInt.h"
#include "model/uBiDirDataAsOpTime.h"
#include "model/uBiDirDataAsShortInt.h"
#include "model/uBiDirDataAsTemp.h"
#include "model/uRawDiag.h"
#include "model/uStaticDiag.h"
#include "model/uStoredFaults.h"
#include <QString>
#include <array>
#include <cstdint>

class TBiDirDiagProtocol;
class TDialogs;
class TObserver;

// Every value Kiv reads from the encoder, with its address and memory, and the reading
// sequences built on them. Window-free, so that the application controller and the command-line
// reader read an encoder in exactly the same way.
class TEncoderModel {
public:
    explicit TEncoderModel(TDialogs& dialogs);
    TEncoderModel(const TEncoderModel&) = delete;
    TEncoderModel& operator=(const TEncoderModel&) = delete;

    // Gives the protocol to every item and to the raw block, and the raw block to the decoded
    // values. Observers are the caller's business.
    void Wire(TBiDirDiagProtocol* protocol);

    // The presentation observers: the static one watches the four decoded values and the stored
    // faults, the dynamic one the three live values and the fault count.
    void AttachObservers(TObserver* staticObs, TObserver* dynamicObs);
    void DetachObservers(TObserver* staticObs, TObserver* dynamicObs);
    // The four decoded values announce themselves, so their labels show them before any reading.
    void RefreshStaticValues();
    // An item notifies only when its value changed: the live values are announced once more so
    // that an unchanged one is shown too.
    void AnnounceLiveValues();

    void ConfigureIdentityItems();
    void ConfigureLiveItems();

    // Detects the checksum variant afresh, reads the identity items and configures the live items.
    void ReadIdentity();
    // The diagnostic block and every value decoded from it, the stored faults last (their
    // consistency check may show a message).
    void ReadDiagnostics();
    // The live operating time, frequency and temperature and the stored-fault count; returns the
    // count, an erased count (0xFFFF) taken as 0.
    int32_t ReadLiveValues();
    // The stored-fault count the last live reading gave, an erased count taken as 0.
    int32_t LiveFaultCount() const;

    // Encoders from software version 2.0 on carry the part number in its newer form.
    bool NewPartNumberFormat() const { return SoftwareVersionItem.Value() >= 0x20; }
    // Encoders of the 2.x software series record the lowest temperature without filtering.
    bool UnfilteredMinTemp() const { return (SoftwareVersionItem.Value() >> 4) == 2; }

    // Texts of the identity values as the main window shows them.
    static QString PartNumberText(int32_t number, bool newFormat);
    static QString VersionText(uint8_t version);
    static QString UnitsPerRevText(int32_t number);

    TBiDirDiagProtocol* Protocol = nullptr; // not owned

    TRawDiag RawDiag;
    TNumOfFaults NumOfFaults;
    TMaxTemp MaxTemp;
    TMinTemp MinTemp;
    TOperatingTime OperatingTime;
    TBiDirDataAsOpTime LiveOpTime;
    TBiDirDataAsFreq LiveFreq;
    TBiDirDataAsTemp LiveTemp;
    TBiDirDataAsShortInt FaultCountItem;
    TStoredFaults StoredFaults;
    TBiDirDataAsByte SoftwareVersionItem;
    TBiDirDataAsByte HardwareVersionItem;
    TBiDirDataAsLongInt PartNumberItem;
    TBiDirDataAsLongInt RamLong105Item;
    TBiDirDataAsLongInt RamLong115Item;
    TBiDirDataAsLongInt SerialNumberItem;
    TBiDirDataAsShortInt UnitsPerRevItem;

private:
    std::array<TStaticDiag*, 4> StaticValues();
    std::array<TBiDirDataBase*, 4> LiveItems();
};
