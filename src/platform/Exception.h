#pragma once
#include <QString>
#include <stdexcept>

// Failures travel as exceptions carrying a ready-to-show message. The message is kept as UTF-8
// so that Swedish texts survive the trip through std::exception::what().
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit Exception(const char* message) : std::runtime_error(message) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
