#include "platform/FileAccess.h"
#include <QFileInfo>

bool TFileAccess::CanRead(const QString& path) const
{
    const QFileInfo info(path);
    return !info.exists() || (info.isFile() && info.isReadable());
}

bool TFileAccess::CanWrite(const QString& path) const
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isFile() && info.isWritable();
    const QFileInfo folder(info.absolutePath());
    return folder.isDir() && folder.isWritable();
}
