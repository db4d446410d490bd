#pragma once
#include <QString>

// Whether Kiv may read and write a file, asked before it relies on it. The disk answers here;
// tests answer as told, as a test run by root could not make a file unwritable.
class TFileAccess {
public:
    virtual ~TFileAccess() = default;
    // A missing file counts as readable: it reads as empty.
    virtual bool CanRead(const QString& path) const;
    // A missing file can be written when its folder can.
    virtual bool CanWrite(const QString& path) const;
};
