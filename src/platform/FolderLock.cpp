#include "platform/FolderLock.h"
#include "platform/TextFile.h"
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TFolderLock::TFolderLock(const QString& lockFile) : Path(lockFile) {}

TFolderLock::~TFolderLock()
{
    if (Fd >= 0)
        ::close(Fd);
}

bool TFolderLock::Acquire(int waitMs)
{
    if (Depth > 0) {
        ++Depth;
        return true;
    }
    if (Fd < 0) {
        Fd = ::open(QFile::encodeName(Path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (Fd < 0)
            throw EWriteError(Path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    QElapsedTimer waited;
    waited.start();
    while (::flock(Fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() >= waitMs)
            return false;
        QThread::msleep(20);
    }
    Depth = 1;
    return true;
}

void TFolderLock::Release()
{
    if (Depth == 0 || --Depth > 0)
        return;
    ::flock(Fd, LOCK_UN);
}
