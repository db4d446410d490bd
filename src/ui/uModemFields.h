#pragma once
#include <QString>

// The modem fields of the options dialog as they stand at this moment, whether or not they have
// been stored yet. Dialing and the encoder reset read them through this, so neither depends on
// the dialog's window.
class TModemFields {
public:
    virtual ~TModemFields() = default;
    // The "use modem" check box is ticked.
    virtual bool UseModem() const = 0;
    // The telephone number as typed, unchecked.
    virtual QString TelephoneNumber() const = 0;
};
