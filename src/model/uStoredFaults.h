#pragma once
#include "model/uFreq.h"
#include "model/uOpTime.h"
#include "model/uStaticDiag.h"
#include "model/uTemp.h"
#include "settings/uLangIniFile.h"
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TDialogs;
class TNumOfFaults;
class TOperatingTime;

// Joins lines with a single line feed.
class TSemiString {
public:
    virtual ~TSemiString() = default;
    void SetText(const QString& text) { Text = text; }
    virtual QString GetText() const { return Text; }
    virtual void Add(const QString& line);

protected:
    QString Text;
};

// Joins its parts without any separator.
class TAnotherSemiString : public TSemiString {
public:
    void Add(const QString& part) override;
};

// The language texts of the stored faults, in section "TStoredFault". Empty until read once;
// every fault refers to the one table of its list, so a language change reaches faults decoded
// before it.
class TStoredFaultTexts {
public:
    void Read(TLangIniFile& langFile);
    // Empty for a key not read yet.
    QString Text(const QString& key) const { return Texts.value(key); }

private:
    QHash<QString, QString> Texts;
};

// One record of the stored-fault ring.
class TStoredFault {
public:
    explicit TStoredFault(const TStoredFaultTexts* texts = nullptr);

    TOpTime OpTime;       // most significant byte first
    uint8_t Status = 0;   // fault status bits
    TFreq Freq;
    TTemp Temp;
    int32_t Index = 0;    // 1-based: the n-th fault the encoder stored

    QString IndexAsText() const;
    QString OpTimeAsText() const;
    // Two upper-case hexadecimal digits ("0A").
    QString StatusAsText() const;
    // The status bits in words, one line each, in the current language; empty for status 0.
    QString StatusDescription() const;
    QString FreqAsText() const;
    QString TempAsText() const;

private:
    const TStoredFaultTexts* Texts;
};

// The last thirteen stored faults decoded from the diagnostic block, newest first, and the
// cross-checks of the block. An inconsistent block is reported with one message after the list
// has been shown; the list stays as decoded.
class TStoredFaults : public TStaticDiag, public TLangClient {
public:
    static constexpr int RingSlots = 13;
    static constexpr int RecordSize = 6;

    explicit TStoredFaults(TDialogs& dialogs);

    void SetNumOfFaults(TNumOfFaults* numOfFaults) { NumOfFaults = numOfFaults; }
    void SetOperatingTime(TOperatingTime* operatingTime) { OperatingTime = operatingTime; }

    // Decodes the ring (after decoding the fault count again), notifies, then checks.
    bool Execute() override;
    QString GetAsText() const override { return QString(); }

    int Count() const { return static_cast<int>(Faults.size()); }
    // Position 0 is the newest fault; null outside the list. Valid until the next Execute.
    const TStoredFault* Fault(int position) const;

    // Fault number i (0-based, in storing order), or null when it is not in the ring.
    std::unique_ptr<TStoredFault> MakeFault(int32_t i) const;

    // Decodes without notifying or showing anything; true when the block is consistent.
    bool DecodeConsistent();
    bool Consistent() const;
    // True when the block is consistent; otherwise shows the one message and returns false.
    bool CheckConsistency();
    bool OpTimesFalling() const;
    bool FaultIndexValid() const;
    bool OpTimeStatusValid() const;

    void UpdateLanguage(TLangIniFile* langFile) override;
    const TStoredFaultTexts& Texts() const { return LangTexts; }

private:
    void Decode();
    TNumOfFaults& FaultCounter() const;
    int32_t FaultCount() const;

    TDialogs& Dialogs;
    std::vector<std::unique_ptr<TStoredFault>> Faults;
    TNumOfFaults* NumOfFaults = nullptr;
    TOperatingTime* OperatingTime = nullptr;
    TStoredFaultTexts LangTexts;
};
