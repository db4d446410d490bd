#include "core/uSerialBiDirBase.h"
#include "core/uCommRes.h"
#include "core/uProgressIndicator.h"
#include "core/uUtilities.h"
#include <stdexcept>

namespace {
uint8_t SumOf(const uint8_t* bytes, int count)
{
    uint8_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}
} // namespace

QString TSerialBiDirBase::Explanation(int32_t result) const
{
    // Only a system error code has a reason and maybe a remedy; -1 is the time-out.
    if (result <= 0)
        return QString();
    return QLatin1Char('\n') + CommRes->Explain(result);
}

void TSerialBiDirBase::SendReadRequest()
{
    SendRequest(false);
}

void TSerialBiDirBase::SendWriteRequest()
{
    SendRequest(true);
}

void TSerialBiDirBase::SendRequest(bool withChecksum)
{
    // Address byte, command, payload and checksum must fit the 256-byte frame.
    if (TxPayloadLength > TxBuffer.size() - 3)
        throw std::length_error("request payload too long");
    ErrorCode = 0;
    TxBuffer[0] = AddressByte;
    TxLength = 1;
    TxBuffer[TxLength++] = Command;
    CopyBytes(Payload.data(), TxBuffer.data() + TxLength, TxPayloadLength);
    TxLength = static_cast<uint8_t>(TxLength + TxPayloadLength);
    RequestChecksum = SumOf(TxBuffer.data(), TxLength);
    if (withChecksum)
        TxBuffer[TxLength++] = RequestChecksum;

    CommRes->Purge();
    if (!CommRes->Write(TxBuffer.data(), TxLength)) {
        ErrorCode = -3;
        const int32_t result = CommRes->GetLastResult();
        // Before the purge, which may fail too and would name its own call.
        const QString why = Explanation(result);
        CommRes->Purge();
        throw ESerialBiDirError(
            QStringLiteral("Serial BiDirectional Error: Error code %1 when writing, communication resource error code %2")
                .arg(ErrorCode)
                .arg(result) +
            why);
    }
}

void TSerialBiDirBase::ReadBytes(uint8_t* destination, uint8_t count)
{
    ErrorCode = 0;
    if (!CommRes->Read(destination, count)) {
        const int32_t result = CommRes->GetLastResult();
        // Before the purge, which may fail too and would name its own call.
        const QString why = Explanation(result);
        CommRes->Purge();
        if (result == -1) {
            ErrorCode = -2;
            throw ESerialBiDirError("Serial BiDirectional Error: Timeout error");
        }
        ErrorCode = -1;
        throw ESerialBiDirError(
            QStringLiteral("Serial BiDirectional Error: Error code %1 when reading, communication resource error code %2")
                .arg(ErrorCode)
                .arg(result) +
            why);
    }
    RxLength = static_cast<uint8_t>(RxLength + count);
}

bool TSerialBiDirBase::ReceiveResponse()
{
    // Echo, data bytes and checksum must fit the 256-byte frame.
    if (RxPayloadLength > RxBuffer.size() - 2)
        throw std::length_error("response payload too long");
    ErrorCode = 0;
    RxLength = 0;
    ReadBytes(&RxBuffer[0], 1);
    ReadBytes(&RxBuffer[1], RxPayloadLength);
    CopyResponseData();
    uint8_t expected = SumOf(RxBuffer.data(), RxLength);
    if (ChainedChecksum)
        expected = static_cast<uint8_t>(expected + RequestChecksum);
    const uint8_t at = RxLength;
    ReadBytes(&RxBuffer[at], 1);
    if (RxBuffer[at] == expected)
        return true;
    if (RetryCount > 0) {
        ErrorCode = -6;
        CommRes->Purge();
        throw ESerialBiDirError("Serial BiDirectional Error: Checksum error when reading");
    }
    return false;
}

void TSerialBiDirBase::CopyResponseData()
{
    CopyBytes(RxBuffer.data() + 1, Payload.data(), RxPayloadLength);
}

void TSerialBiDirBase::SetChainedChecksum(bool value)
{
    if (value == ChainedChecksum)
        return;
    ChainedChecksum = value;
    Notify(2);
}

uint8_t TSerialBiDirBase::ReadByte(uint16_t address)
{
    WriteWordBE(address, Payload.data());
    TxPayloadLength = 2;
    SendReadRequest();
    RxPayloadLength = 1;
    if (!ReceiveResponse()) {
        // The first mismatch since the controller's reset means the encoder uses the other
        // checksum variant: switch for good and ask once more. A second mismatch raises.
        SetChainedChecksum(!ChainedChecksum);
        ++RetryCount;
        // The failed response already put its data byte over the address's high byte.
        WriteWordBE(address, Payload.data());
        SendReadRequest();
        RxPayloadLength = 1;
        ReceiveResponse();
    }
    return Payload[0];
}

bool TSerialBiDirBase::WriteByte(uint16_t address, uint8_t value)
{
    WriteWordBE(address, Payload.data());
    Payload[2] = value;
    TxPayloadLength = 3;
    SendWriteRequest();
    RxPayloadLength = 0;
    return ReceiveResponse();
}

namespace {
void PrepareProgress(TProgressIndicator* bar, uint8_t count)
{
    if (!bar)
        return;
    bar->SetMin(0);
    bar->SetPosition(0);
    bar->SetMax(count - 1);
    bar->SetStep(1);
    bar->SetSegmented(true);
}

void StepProgress(TProgressIndicator* bar)
{
    if (bar && bar->GetPosition() < bar->GetMax())
        bar->StepIt();
}
} // namespace

void TSerialBiDirBase::ReadBlock(uint16_t start, uint8_t* buffer, uint8_t count)
{
    PrepareProgress(ProgressBar, count);
    for (int i = 0; i < count; ++i) {
        buffer[i] = ReadByte(static_cast<uint16_t>(start + i));
        StepProgress(ProgressBar);
    }
}

void TSerialBiDirBase::WriteBlock(uint16_t start, const uint8_t* buffer, uint8_t count)
{
    PrepareProgress(ProgressBar, count);
    for (int i = 0; i < count; ++i) {
        WriteByte(static_cast<uint16_t>(start + i), buffer[i]);
        StepProgress(ProgressBar);
    }
}
