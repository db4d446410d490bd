// A language pass over a language file that holds one 5 MB line: 300 texts looked up, as the
// windows do at start-up, once with the file unchanged and once after each look-up touched it.
// Last line: "language pass ms: N" for the unchanged file.
#include "settings/uLangIniFile.h"
#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main()
{
    QTemporaryDir dir;
    const int texts = 300;
    QByteArray bytes = "[Notes]\r\nlong=" + QByteArray(5 * 1024 * 1024, 'x') + "\r\n[KIV]\r\n";
    for (int i = 0; i < texts; ++i)
        bytes += "key" + QByteArray::number(i) + "=Text number " + QByteArray::number(i) + "\r\n";
    QFile file(dir.filePath("English.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();

    TLangIniFile lang(dir.path(), QStringLiteral("English"));
    lang.SetSection(QStringLiteral("KIV"));
    auto pass = [&](bool touch) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < texts; ++i) {
            if (touch) {
                QFile f(lang.FileName());
                f.open(QIODevice::ReadWrite);
                f.setFileTime(QDateTime::currentDateTime().addSecs(i), QFileDevice::FileModificationTime);
            }
            if (lang.ReadText(QStringLiteral("key%1").arg(i), QStringLiteral("missing")) == QLatin1String("missing"))
                std::printf("key%d missing\n", i);
        }
        return timer.nsecsElapsed() / 1000;
    };
    const qint64 touched = pass(true);
    const qint64 unchanged = pass(false);
    std::printf("language pass, file changed before every look-up: %.1f ms\n", touched / 1000.0);
    std::printf("language pass ms: %.3f\n", unchanged / 1000.0);
    return 0;
}
