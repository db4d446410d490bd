#include "model/uBiDirDataBase.h"
#include "core/uBiDirDiagProtocol.h"
#include "platform/Exception.h"

void TBiDirDataBase::SetMemModeStr(const QString& text)
{
    if (text == QLatin1String("Ram"))
        MemMode = MemRam;
    else if (text == QLatin1String("EEProm"))
        MemMode = MemEEProm;
    else
        throw Exception(QStringLiteral("Unknown MemMode string \"%1\".").arg(text));
}

void TBiDirDataBase::SetEndianModeStr(const QString& text)
{
    if (text == QLatin1String("LittleEndian"))
        EndianMode = LittleEndian;
    else if (text == QLatin1String("BigEndian"))
        EndianMode = BigEndian;
    else
        throw Exception(QStringLiteral("Unknown Mode string \"%1\".").arg(text));
}

TBiDirDiagProtocol* TBiDirDataBase::SelectMemory()
{
    if (!Protocol)
        throw Exception(QStringLiteral("No protocol assigned to the data item at address %1.").arg(Address));
    Protocol->SetMemMode(MemMode == MemRam ? 0 : 1);
    return Protocol;
}

void TBiDirDataBase::ReadBytes(uint8_t* buffer, uint8_t count)
{
    TBiDirDiagProtocol* protocol = SelectMemory();
    if (count == 1)
        buffer[0] = protocol->ReadByte(Address);
    else
        protocol->ReadBlock(Address, buffer, count);
}

void TBiDirDataBase::WriteBytes(const uint8_t* buffer, uint8_t count)
{
    TBiDirDiagProtocol* protocol = SelectMemory();
    if (count == 1)
        protocol->WriteByte(Address, buffer[0]);
    else
        protocol->WriteBlock(Address, buffer, count);
}

int32_t DecimalTextToInt(const QString& text, int64_t min, int64_t max)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok)
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    if (value < min || value > max)
        throw Exception(QStringLiteral("'%1' is out of range (%2 to %3)").arg(text).arg(min).arg(max));
    return static_cast<int32_t>(value);
}
