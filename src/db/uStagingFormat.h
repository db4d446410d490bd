#pragma once
#include "platform/Exception.h"
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QVector>
#include <optional>

// One value of a staged line: a text, or no value at all (written as the bare word NULL).
using TStagedValue = std::optional<QString>;
using TStagedValues = QVector<TStagedValue>;

// A staging or export file that cannot be taken as it stands: a line that is not a list of
// double-quoted values. The message names the file and the line number.
class EStagingError : public Exception {
public:
    using Exception::Exception;
};

// A data line: each value between double quotes (a double quote inside doubled), separated by
// single commas, no blanks; NULL for no value.
QString FormatStagedLine(const TStagedValues& values);

// Reads a data line back. Returns false and a reason when the line is not exactly `count` values
// in that form.
bool ParseStagedLine(QStringView line, qsizetype count, TStagedValues& values, QString& reason);

// The date of a saved reading as the user's locale writes it: short date, a blank, the time with
// seconds. A text longer than the database's 20 characters, or one the 8-bit files cannot hold,
// falls back to the sortable "yyyy-MM-dd HH:mm:ss".
QString DateTimeText(const QDateTime& when, const QLocale& locale);
// Reads such a text back, in either form; invalid when it is neither. Two-digit years are taken
// in this century.
QDateTime DateTimeFromText(const QString& text, const QLocale& locale);
