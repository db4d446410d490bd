#pragma once
#include "platform/Exception.h"

// A failure reported by the database engine; the message is the driver's own text. Windows that
// fall back to the local database catch this one and let everything else pass.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};
