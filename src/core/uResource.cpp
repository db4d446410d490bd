#include "core/uResource.h"

int32_t TResource::GetErrorCode() const
{
    return ErrorCode;
}

void TResource::SetErrorCode(int32_t code)
{
    if (code == ErrorCode)
        return;
    ErrorCode = code;
    Notify(1);
}

void TResource::SetName(const QString& text)
{
    if (text == Name)
        return;
    Name = text;
    Notify(5);
}

QString TResource::GetName() const
{
    return Name;
}
