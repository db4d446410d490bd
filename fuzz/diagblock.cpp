// The diagnostic-block decoder and the stored-fault ring with its consistency checks, on any
// 99-byte block and any software version: the list holds exactly the ring records the fault
// count points at, newest first, the temperatures and operating time follow their rules, and
// the one message comes exactly when the block is inconsistent. A block that the simulated
// encoder built by storing faults is always consistent and decodes to the faults it stored.
//
// Input: software version, then a mode. Mode 0: the block's bytes. Modes 1 to 3: an erased
// encoder, the healthy image, or an erased encoder with a fault count taken from the next two
// bytes; then groups of four bytes (status, temperature, frequency, hours since the last fault),
// each storing one fault.
#include "EncoderSim.h"
#include "FuzzSupport.h"
#include "model/uEncoderModel.h"
#include "settings/uLangIniFile.h"
#include "support/FakeDialogs.h"
#include <algorithm>
#include <vector>

namespace {

struct TRecord {
    int32_t Hours;
    uint8_t Status;
    uint8_t Freq;
    uint8_t Temp;
};

int32_t Msb24(const uint8_t* bytes)
{
    return bytes[0] << 16 | bytes[1] << 8 | bytes[2];
}

// What the consistency checks ask of a block, taken straight from the block's layout.
bool Consistent(const TRawDiag::TData& block, int32_t n, const std::vector<int32_t>& hoursNewestFirst)
{
    for (size_t k = 1; k < hoursNewestFirst.size(); ++k)
        if (hoursNewestFirst[k] > hoursNewestFirst[k - 1])
            return false;
    const uint8_t bufferStatus = block[7], newest = block[2];
    if (bufferStatus == 0x00) {
        if (!(n != 0 && newest <= 72 && newest == (n - 1) % 13 * 6))
            return false;
    } else if (bufferStatus == 0xFF) {
        if (!(newest == 0xFF && n == 0))
            return false;
    } else {
        return false;
    }
    const int32_t t = Msb24(&block[96]);
    const bool stored = t != 0 && t != 0xFFFFFF;
    return (block[1] == 0x00 && stored) || (block[1] == 0xFF && !stored);
}

int LinesOf(uint8_t status)
{
    int lines = 0;
    for (int bit = 0; bit < 8; ++bit)
        lines += (status >> bit) & 1;
    return (status & 0x30) == 0x30 ? lines - 1 : lines;
}

// The simulated encoder stores the input's faults; returns what it stored, oldest first.
std::vector<TRecord> StoreFaults(TEncoderSim& sim, const uint8_t* data, size_t size)
{
    std::vector<TRecord> stored;
    for (size_t at = 0; at + 4 <= size && stored.size() < 64; at += 4) {
        sim.SetRam(0x63, data[at + 1]);
        sim.SetRam(0x64, data[at + 2]);
        const std::vector<uint8_t> now = sim.RamBytes(0x65, 3);
        const int32_t hours = std::min(0xFFFFFE, (now[0] | now[1] << 8 | now[2] << 16) + data[at + 3]);
        sim.SetRamBytes(0x65, {uint8_t(hours), uint8_t(hours >> 8), uint8_t(hours >> 16)});
        const uint16_t before = static_cast<uint16_t>(sim.Eeprom(3) << 8 | sim.Eeprom(4));
        sim.StoreFault(data[at]);
        if (static_cast<uint16_t>(sim.Eeprom(3) << 8 | sim.Eeprom(4)) == before)
            break; // the count is full: the encoder stores no more
        // The encoder takes the time it records as its new operating time.
        const std::vector<uint8_t> taken = sim.RamBytes(0x65, 3);
        stored.push_back({taken[0] | taken[1] << 8 | taken[2] << 16, data[at], data[at + 2], data[at + 1]});
    }
    return stored;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t version = data[0];
    const int mode = data[1] % 4;
    data += 2;
    size -= 2;

    TRawDiag::TData block;
    block.fill(0xFF);
    std::vector<TRecord> stored;
    bool wholeRingStored = false;
    if (mode == 0) {
        std::copy_n(data, std::min<size_t>(size, TRawDiag::BlockSize), block.begin());
    } else {
        // One simulated encoder for the run, blank again for every input.
        static TEncoderSim sim;
        sim.ClearMemory();
        if (mode == 2) {
            // The image names only the first bytes of either memory; it is loaded once.
            static TEncoderSim healthy;
            static const bool loaded = (healthy.LoadImage(KIV_SOURCE_DIR "/tools/encoder-sim/images/healthy.txt"), true);
            (void)loaded;
            sim.SetRamBytes(0, healthy.RamBytes(0, 0x100));
            sim.SetEepromBytes(0, healthy.EepromBytes(0, 0x100));
        }
        if (mode == 3) {
            if (size < 2)
                return 0;
            sim.SetEepromBytes(3, {data[0], data[1]});
            data += 2;
            size -= 2;
        }
        stored = StoreFaults(sim, data, size);
        wholeRingStored = mode != 3 || stored.size() >= 13;
        const std::vector<uint8_t> bytes = sim.EepromBytes(0, TRawDiag::BlockSize);
        std::copy(bytes.begin(), bytes.end(), block.begin());
    }

    // One model for the whole run, as the program reads one encoder after another: the extreme
    // temperatures keep what an earlier block gave when this one has nothing to offer.
    static FakeDialogs dialogs;
    static TEncoderModel model(dialogs);
    static int32_t lastMaxTemp = 0, lastMinTemp = 0;
    static const bool wired = [] {
        model.Wire(nullptr);
        TLangIniFile lang(FuzzFolder().path(), TLangIniFile::DefaultLanguage());
        model.StoredFaults.UpdateLanguage(&lang);
        return true;
    }();
    (void)wired;
    dialogs.Messages.clear();
    model.SoftwareVersionItem.SetValue(version);
    model.RawDiag.SetData(block);
    model.ReadDiagnostics();

    const int32_t rawCount = block[3] << 8 | block[4];
    const int32_t n = rawCount == 0xFFFF ? 0 : rawCount;
    FUZZ_CHECK(model.NumOfFaults.Value() == n);
    FUZZ_CHECK(model.StoredFaults.Count() == std::min(n, 13));
    std::vector<int32_t> hours;
    for (int k = 0; k < model.StoredFaults.Count(); ++k) {
        const TStoredFault* fault = model.StoredFaults.Fault(k);
        const int32_t i = n - 1 - k;
        const uint8_t* record = &block[16 + 6 * (i % 13)];
        FUZZ_CHECK(fault->Index == i + 1);
        FUZZ_CHECK(fault->OpTime.Value() == Msb24(record));
        FUZZ_CHECK(fault->Status == record[3]);
        FUZZ_CHECK(fault->Freq.Value() == record[4] * 500);
        FUZZ_CHECK(fault->Temp.Value() == static_cast<int8_t>(record[5]));
        FUZZ_CHECK(fault->StatusAsText() == QStringLiteral("%1").arg(record[3], 2, 16, QLatin1Char('0')).toUpper());
        const QString description = fault->StatusDescription();
        FUZZ_CHECK((description.isEmpty() ? 0 : description.count(QLatin1Char('\n')) + 1) == LinesOf(record[3]));
        hours.push_back(fault->OpTime.Value());
    }
    FUZZ_CHECK(model.StoredFaults.Fault(model.StoredFaults.Count()) == nullptr);

    const auto maxTemp = static_cast<int8_t>(block[6]);
    lastMaxTemp = maxTemp > 0 ? maxTemp : lastMaxTemp;
    FUZZ_CHECK(model.MaxTemp.Value() == lastMaxTemp);
    const auto minTemp = static_cast<int8_t>(block[5]);
    const bool unfiltered = (version >> 4) == 2;
    lastMinTemp = unfiltered || minTemp < -1 ? minTemp : lastMinTemp;
    FUZZ_CHECK(model.MinTemp.Value() == lastMinTemp);
    const int32_t opTime = Msb24(&block[96]);
    FUZZ_CHECK(model.OperatingTime.Value() == (opTime == 0xFFFFFF ? 0 : opTime));

    const bool consistent = Consistent(block, n, hours);
    FUZZ_CHECK(dialogs.Messages.size() == (consistent ? 0u : 1u));
    if (!consistent)
        FUZZ_CHECK(dialogs.Messages[0].Type == TMsgDlgType::Error);

    // What the simulated encoder stored is what the list shows, and it is consistent.
    if (mode != 0 && wholeRingStored) {
        FUZZ_CHECK(consistent);
        const size_t shown = std::min<size_t>(stored.size(), 13);
        for (size_t k = 0; k < shown; ++k) {
            const TRecord& record = stored[stored.size() - 1 - k];
            const TStoredFault* fault = model.StoredFaults.Fault(static_cast<int>(k));
            FUZZ_CHECK(fault != nullptr);
            FUZZ_CHECK(fault->OpTime.Value() == record.Hours);
            FUZZ_CHECK(fault->Status == record.Status);
            FUZZ_CHECK(fault->Freq.Value() == record.Freq * 500);
            FUZZ_CHECK(fault->Temp.Value() == static_cast<int8_t>(record.Temp));
        }
    }
    return 0;
}
