#pragma once
#include "platform/FileAccess.h"
#include <QFileInfo>
#include <QStringList>

// Answers as the disk would, except for the files it is told about. Tests run as root, who may
// read and write anything, so a broken program folder is described here rather than with
// permissions.
class TRefusingFileAccess : public TFileAccess {
public:
    QStringList Unreadable; // file names
    QStringList Unwritable; // file names
    bool ReadOnlyFolder = false;

    bool CanRead(const QString& path) const override
    {
        return !Unreadable.contains(QFileInfo(path).fileName()) && TFileAccess::CanRead(path);
    }
    bool CanWrite(const QString& path) const override
    {
        return !ReadOnlyFolder && !Unwritable.contains(QFileInfo(path).fileName()) && TFileAccess::CanWrite(path);
    }
};
