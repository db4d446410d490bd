#pragma once
#include "core/uSubject.h"

// Base of every subject that obtains its value by doing something (reading the encoder or
// decoding the diagnostic block). Failure is reported by exception, never by the result.
class TProcessControl : public TSubject {
public:
    virtual bool Execute() = 0;
};
