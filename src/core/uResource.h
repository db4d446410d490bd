#pragma once
#include "core/uSubject.h"
#include <QString>
#include <cstdint>

// Any communication resource: a subject with a name and the last operating-system error code.
class TResource : public TSubject {
public:
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual int32_t GetErrorCode() const;
    // Notifies 1 when the code changes.
    virtual void SetErrorCode(int32_t code);
    // Notifies 5 when the name changes.
    virtual void SetName(const QString& text);
    virtual QString GetName() const;

protected:
    QString Name;
    // Kept until the next failure: a later success does not clear it.
    int32_t ErrorCode = 0;
};
