#include "model/uBiDirDataAsByte.h"
#include "core/uUtilities.h"
#include "platform/Exception.h"
#include <QRegularExpression>

bool TBiDirDataAsByte::Execute()
{
    uint8_t byte = 0;
    ReadBytes(&byte, 1);
    SetValue(byte);
    return true;
}

QString TBiDirDataAsByte::GetAsText() const
{
    return QStringLiteral("$%1").arg(Value(), 2, 16, QLatin1Char('0')).toUpper();
}

void TBiDirDataAsByte::SetAsText(const QString& text)
{
    // The hexadecimal conversion itself checks nothing, so a stray character would otherwise be
    // written to the encoder as some arbitrary byte.
    static const QRegularExpression valid(QStringLiteral("^\\$?[0-9A-Fa-f]{1,2}$"));
    if (!valid.match(text).hasMatch())
        throw Exception(QStringLiteral("'%1' is not a valid hexadecimal byte value").arg(text));
    WriteValue(static_cast<uint8_t>(HexToInt(text)));
}

void TBiDirDataAsByte::WriteValue(uint8_t newValue)
{
    if (newValue == Value())
        return;
    WriteBytes(&newValue, 1);
    SetValue(newValue);
}
