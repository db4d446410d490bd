#pragma once
#include <QString>

// An exclusive lock on a folder shared by every process that uses it: flock on a lock file in the
// folder. The operating system drops it when its holder ends, also by a crash, so a killed
// program never leaves the folder locked. Re-entrant within one holder.
class TFolderLock {
public:
    explicit TFolderLock(const QString& lockFile);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // Waits at most waitMs for the lock. False when another holder keeps it that long; raises
    // EWriteError when the lock file cannot be opened.
    bool Acquire(int waitMs);
    void Release();

private:
    QString Path;
    int Fd = -1;
    int Depth = 0;
};
