#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that does not hold ends the run the way a crash does, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzFail(__FILE__, __LINE__, #condition);                                              \
    } while (0)

[[noreturn]] inline void FuzzFail(const char* file, int line, const char* what)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

// Two texts that must be equal; both are shown when they are not.
#define FUZZ_CHECK_TEXT(actual, expected) FuzzCheckText(__FILE__, __LINE__, #actual " == " #expected, actual, expected)

inline void FuzzCheckText(const char* file, int line, const char* what, const QString& actual, const QString& expected)
{
    if (actual == expected)
        return;
    auto shown = [](const QString& text) {
        QString out;
        for (QChar c : text)
            out += c.unicode() >= 0x20 && c.unicode() < 0x7F ? QString(c) : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        return out.toStdString();
    };
    std::fprintf(stderr, "actual:   \"%s\"\nexpected: \"%s\"\n", shown(actual).c_str(), shown(expected).c_str());
    FuzzFail(file, line, what);
}

inline QByteArray BytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// One folder for the whole run: a target that reads files rewrites them for every input, so it
// lies in memory where the machine offers that.
inline QDir FuzzFolder()
{
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/kiv-fuzz-XXXXXX")
                                    : QDir::temp().filePath(QStringLiteral("kiv-fuzz-XXXXXX")));
    if (!folder.isValid())
        FuzzFail(__FILE__, __LINE__, "temporary folder");
    return QDir(folder.path());
}

inline QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        FuzzFail(__FILE__, __LINE__, "writing the input file");
}

// Line ends as a single-line file keeps them: each line break of a text becomes one line feed.
inline QString WithLineFeeds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
