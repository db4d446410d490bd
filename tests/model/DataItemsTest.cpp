#include "ModelFixture.h"
#include "model/uBiDirDataAsByte.h"
#include "model/uBiDirDataAsFreq.h"
#include "model/uBiDirDataAsLongInt.h"
#include "model/uBiDirDataAsOpTime.h"
#include "model/uBiDirDataAsShortInt.h"
#include "model/uBiDirDataAsTemp.h"
#include "platform/Exception.h"
#include <functional>
#include <memory>

namespace {

using TMake = std::function<std::unique_ptr<TBiDirDataBase>()>;
template <typename T> TMake Make() { return [] { return std::make_unique<T>(); }; }

constexpr uint8_t Ram = TBiDirDataBase::MemRam;
constexpr uint8_t EEProm = TBiDirDataBase::MemEEProm;

class DataItems : public SimLinkTest {
protected:
    void Put(uint8_t mem, uint16_t address, const std::vector<uint8_t>& bytes)
    {
        if (mem == Ram)
            Sim.SetRamBytes(address, bytes);
        else
            Sim.SetEepromBytes(address, bytes);
    }
    std::vector<uint8_t> Get(uint8_t mem, uint16_t address, size_t count)
    {
        return mem == Ram ? Sim.RamBytes(address, count) : Sim.EepromBytes(address, count);
    }
    std::unique_ptr<TBiDirDataBase> Configure(const TMake& make, uint8_t mem, uint16_t address)
    {
        auto item = make();
        item->SetProtocol(&Protocol);
        item->SetMemMode(mem);
        item->SetAddress(address);
        return item;
    }
};

} // namespace

TEST_F(DataItems, DecodeWhatTheyReadFromTheirOwnMemory)
{
    const struct {
        const char* Name;
        TMake MakeItem;
        uint8_t Mem;
        uint16_t Address;
        std::vector<uint8_t> Bytes;
        QString Text;
    } cases[] = {
        {"temp 0x7F", Make<TBiDirDataAsTemp>(), Ram, 0x63, {0x7F}, "127"},
        {"temp 0x80", Make<TBiDirDataAsTemp>(), Ram, 0x63, {0x80}, "-128"},
        {"temp 0xFF", Make<TBiDirDataAsTemp>(), EEProm, 0x05, {0xFF}, "-1"},
        {"freq 0xFF", Make<TBiDirDataAsFreq>(), Ram, 0x64, {0xFF}, "127500"},
        {"freq 0x03", Make<TBiDirDataAsFreq>(), Ram, 0x64, {0x03}, "1500"},
        {"op time lsb first", Make<TBiDirDataAsOpTime>(), Ram, 0x65, {0x01, 0x02, 0x03}, "197121"},
        {"short 34 12", Make<TBiDirDataAsShortInt>(), EEProm, 0x78, {0x34, 0x12}, "4660"},
        {"short FF FF", Make<TBiDirDataAsShortInt>(), EEProm, 0x03, {0xFF, 0xFF}, "65535"},
        {"long -1", Make<TBiDirDataAsLongInt>(), EEProm, 0x74, {0xFF, 0xFF, 0xFF, 0xFF}, "-1"},
        {"long lowest byte first", Make<TBiDirDataAsLongInt>(), Ram, 0x69, {0x78, 0x56, 0x34, 0x12}, "305419896"},
        {"long across 0xFFFF", Make<TBiDirDataAsLongInt>(), Ram, 0xFFFE, {0x01, 0x00, 0x00, 0x80}, "-2147483647"},
        {"byte ten", Make<TBiDirDataAsByte>(), Ram, 0x61, {0x0A}, "$0A"},
        {"byte C0", Make<TBiDirDataAsByte>(), Ram, 0x60, {0xC0}, "$C0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const uint8_t otherMem = c.Mem == Ram ? EEProm : Ram;
        Put(c.Mem, c.Address, c.Bytes);
        Put(otherMem, c.Address, std::vector<uint8_t>(c.Bytes.size(), 0x55));

        // The byte order setting is recorded only; both items read alike.
        for (const char* endian : {"LittleEndian", "BigEndian"}) {
            auto item = Configure(c.MakeItem, c.Mem, c.Address);
            item->SetEndianModeStr(endian);
            Protocol.SetMemMode(otherMem);   // as another reader would have left it
            Sim.ClearLog();
            EXPECT_TRUE(item->Execute());
            EXPECT_EQ(item->GetAsText(), c.Text) << endian;

            const uint8_t command = c.Mem == Ram ? 0x80 : 0x81;
            const auto requests = Requests();
            ASSERT_EQ(requests.size(), c.Bytes.size());
            for (size_t i = 0; i < requests.size(); ++i)
                EXPECT_EQ(requests[i], std::make_pair(command, uint16_t(c.Address + i)));
        }
    }
}

TEST_F(DataItems, NotifyOnlyWhenTheValueChanges)
{
    TBiDirDataAsShortInt item;
    item.SetProtocol(&Protocol);
    item.SetAddress(0x78);
    CountingObserver observer;
    item.Attach(&observer);

    item.Execute();   // RAM holds 0, as the item does
    EXPECT_EQ(observer.Count(), 0);

    Sim.SetRamBytes(0x78, {0x34, 0x12});
    item.Execute();
    item.Execute();
    ASSERT_EQ(observer.Count(), 1);
    EXPECT_EQ(observer.Subjects[0], &item);
    EXPECT_EQ(observer.Codes[0], 0);
    EXPECT_EQ(item.Value(), 4660);
}

TEST_F(DataItems, LinkErrorKeepsTheHeldValue)
{
    TBiDirDataAsTemp item;
    item.SetProtocol(&Protocol);
    item.SetAddress(0x63);
    CountingObserver observer;
    item.Attach(&observer);
    Sim.SetRam(0x63, 0x14);

    Protocol.RetryCount = 1;   // a checksum variant was already settled: no retry left
    Sim.SetFaultScript({{1, TSimFault::WrongChecksum}});
    EXPECT_THROW(item.Execute(), ESerialBiDirError);
    EXPECT_EQ(item.Value(), 0);
    EXPECT_EQ(observer.Count(), 0);

    item.Execute();
    EXPECT_EQ(item.Value(), 20);
    EXPECT_EQ(observer.Count(), 1);
}

TEST_F(DataItems, WriteThroughTextInTheReadByteOrder)
{
    const struct {
        const char* Name;
        TMake MakeItem;
        uint8_t Mem;
        uint16_t Address;
        QString Text;
        std::vector<uint8_t> Written;
        QString Held;
    } cases[] = {
        {"byte 0A", Make<TBiDirDataAsByte>(), Ram, 0x62, "0A", {0x0A}, "$0A"},
        {"byte $0a", Make<TBiDirDataAsByte>(), Ram, 0x62, "$0a", {0x0A}, "$0A"},
        {"byte $0A", Make<TBiDirDataAsByte>(), EEProm, 0x62, "$0A", {0x0A}, "$0A"},
        {"byte ff", Make<TBiDirDataAsByte>(), Ram, 0x62, "ff", {0xFF}, "$FF"},
        {"short", Make<TBiDirDataAsShortInt>(), EEProm, 0x78, "4660", {0x34, 0x12}, "4660"},
        {"long", Make<TBiDirDataAsLongInt>(), EEProm, 0x74, "-2", {0xFE, 0xFF, 0xFF, 0xFF}, "-2"},
        {"temp", Make<TBiDirDataAsTemp>(), Ram, 0x63, "-1", {0xFF}, "-1"},
        {"freq in whole steps", Make<TBiDirDataAsFreq>(), Ram, 0x64, "1234", {0x02}, "1000"},
        {"op time", Make<TBiDirDataAsOpTime>(), Ram, 0x65, "197121", {0x01, 0x02, 0x03}, "197121"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Sim.ClearMemory();
        auto item = Configure(c.MakeItem, c.Mem, c.Address);
        CountingObserver observer;
        item->Attach(&observer);
        Protocol.SetMemMode(c.Mem == Ram ? EEProm : Ram);
        Sim.ClearLog();

        item->SetAsText(c.Text);
        EXPECT_EQ(Get(c.Mem, c.Address, c.Written.size()), c.Written);
        EXPECT_EQ(item->GetAsText(), c.Held);
        EXPECT_EQ(observer.Count(), 1);
        const uint8_t command = c.Mem == Ram ? 0x90 : 0x91;
        for (const auto& [cmd, address] : Requests())
            EXPECT_EQ(cmd, command);
        EXPECT_EQ(Requests().size(), c.Written.size());

        // Writing the held value again sends nothing and notifies nothing.
        Sim.ClearLog();
        item->SetAsText(c.Text);
        EXPECT_EQ(Sim.RequestCount(), 0u);
        EXPECT_EQ(observer.Count(), 1);
        item->Detach(&observer);
    }
}

TEST_F(DataItems, InvalidTextIsRefusedBeforeAnythingIsWritten)
{
    const struct {
        TMake MakeItem;
        QString Text;
    } cases[] = {
        {Make<TBiDirDataAsByte>(), "zz"},   {Make<TBiDirDataAsByte>(), "$"},
        {Make<TBiDirDataAsByte>(), ""},     {Make<TBiDirDataAsByte>(), "100"},
        {Make<TBiDirDataAsByte>(), "1$2"},  {Make<TBiDirDataAsShortInt>(), "70000"},
        {Make<TBiDirDataAsShortInt>(), "-1"}, {Make<TBiDirDataAsShortInt>(), "12a"},
        {Make<TBiDirDataAsLongInt>(), "2147483648"}, {Make<TBiDirDataAsLongInt>(), "x"},
        {Make<TBiDirDataAsTemp>(), "128"},  {Make<TBiDirDataAsTemp>(), "-129"},
        {Make<TBiDirDataAsFreq>(), "-500"}, {Make<TBiDirDataAsFreq>(), "128000"},
        {Make<TBiDirDataAsOpTime>(), "16777216"}, {Make<TBiDirDataAsOpTime>(), "1.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        auto item = Configure(c.MakeItem, Ram, 0x62);
        const QString before = item->GetAsText();
        Sim.ClearLog();
        EXPECT_THROW(item->SetAsText(c.Text), Exception);
        EXPECT_EQ(Sim.RequestCount(), 0u);
        EXPECT_EQ(item->GetAsText(), before);
    }
}

TEST(DataItemSettings, OnlyTheExactTextsAreAccepted)
{
    TBiDirDataAsByte item;
    EXPECT_EQ(item.GetMemMode(), TBiDirDataBase::MemRam);
    EXPECT_EQ(item.GetEndianMode(), TBiDirDataBase::LittleEndian);

    item.SetMemModeStr("EEProm");
    EXPECT_EQ(item.GetMemMode(), TBiDirDataBase::MemEEProm);
    for (const char* wrong : {"ram", "EEPROM", "Ram ", ""}) {
        try {
            item.SetMemModeStr(wrong);
            ADD_FAILURE() << wrong;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Unknown MemMode string \"%1\".").arg(wrong));
        }
        EXPECT_EQ(item.GetMemMode(), TBiDirDataBase::MemEEProm);
    }
    item.SetMemModeStr("Ram");
    EXPECT_EQ(item.GetMemMode(), TBiDirDataBase::MemRam);

    item.SetEndianModeStr("BigEndian");
    EXPECT_EQ(item.GetEndianMode(), TBiDirDataBase::BigEndian);
    for (const char* wrong : {"bigendian", "Little", "LITTLEENDIAN"}) {
        try {
            item.SetEndianModeStr(wrong);
            ADD_FAILURE() << wrong;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Unknown Mode string \"%1\".").arg(wrong));
        }
        EXPECT_EQ(item.GetEndianMode(), TBiDirDataBase::BigEndian);
    }
    item.SetEndianModeStr("LittleEndian");
    EXPECT_EQ(item.GetEndianMode(), TBiDirDataBase::LittleEndian);
}
