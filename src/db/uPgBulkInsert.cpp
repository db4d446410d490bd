#include "db/uPgBulkInsert.h"
#include "db/DbError.h"
#include "settings/uRemoteLocation.h"
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <libpq-fe.h>

namespace {

constexpr qsizetype ChunkBytes = 256 * 1024;

// COPY's text format: tab between values, newline after a row, \N for no value, and a backslash
// before each of the characters that would otherwise mean one of those.
void AppendValue(QByteArray& out, const TStagedValue& value)
{
    if (!value) {
        out += "\\N";
        return;
    }
    const QByteArray utf8 = value->toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

QString ConnectionMessage(PGconn* connection)
{
    return WithoutPasswords(QString::fromUtf8(PQerrorMessage(connection)).trimmed());
}

} // namespace

PGconn* TPgBulkInserter::Handle(const QSqlDatabase& db)
{
    const QVariant handle = db.isOpen() ? db.driver()->handle() : QVariant();
    // The driver registers the type under the struct's own name.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

TPgBulkInserter::TPgBulkInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns,
                                 const QString& source)
    : TPgBulkInserter(Handle(db), table, columns, source)
{
}

TPgBulkInserter::TPgBulkInserter(PGconn* connection, const QString& table, const QStringList& columns,
                                 const QString& source)
    : Connection(connection), Table(table), Columns(columns), Source(source)
{
    if (!Connection || PQstatus(Connection) != CONNECTION_OK)
        throw EDatabaseError(QStringLiteral("No open connection to a PostgreSQL server for %1").arg(Source));
    Buffer.reserve(ChunkBytes + 4096);
}

TPgBulkInserter::~TPgBulkInserter()
{
    // Abandoned half-way (an exception elsewhere): end the COPY as failed so the connection can be
    // used for the rollback.
    if (Copying) {
        PQputCopyEnd(Connection, "abandoned");
        while (PGresult* r = PQgetResult(Connection))
            PQclear(r);
    }
}

void TPgBulkInserter::Start()
{
    // A query the SQL layer finished with may have left its end-of-results behind.
    while (PGresult* r = PQgetResult(Connection))
        PQclear(r);
    const QString sql = QStringLiteral("COPY %1(%2) FROM STDIN").arg(Table, Columns.join(QLatin1Char(',')));
    PGresult* result = PQexec(Connection, sql.toUtf8().constData());
    const bool ok = PQresultStatus(result) == PGRES_COPY_IN;
    const QString error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    PQclear(result);
    if (!ok)
        throw EDatabaseError(QStringLiteral("%1 (%2)").arg(error.isEmpty() ? ConnectionMessage(Connection) : error, Source));
    Copying = true;
}

void TPgBulkInserter::Add(const TStagedValues& values, qsizetype lineNumber)
{
    if (!Copying)
        Start();
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i)
            Buffer += '\t';
        AppendValue(Buffer, values[i]);
    }
    Buffer += '\n';
    Lines.push_back(lineNumber);
    if (Buffer.size() >= ChunkBytes)
        Send();
}

void TPgBulkInserter::Send()
{
    if (!Buffer.isEmpty() && PQputCopyData(Connection, Buffer.constData(), int(Buffer.size())) != 1)
        Fail(ConnectionMessage(Connection));
    Buffer.clear();
}

void TPgBulkInserter::Fail(const QString& reason)
{
    Copying = false;
    throw EDatabaseError(QStringLiteral("%1 (%2)").arg(reason, Source));
}

qsizetype TPgBulkInserter::Finish()
{
    if (!Copying)
        return 0;
    Send();
    if (PQputCopyEnd(Connection, nullptr) != 1)
        Fail(ConnectionMessage(Connection));
    Copying = false;
    QString error;
    qsizetype refused = -1;
    while (PGresult* result = PQgetResult(Connection)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK && error.isEmpty()) {
            error = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
            if (error.isEmpty())
                error = ConnectionMessage(Connection);
            // The server counts the rows of the COPY from 1.
            static const QRegularExpression line(QStringLiteral("line (\\d+)"));
            const auto match = line.match(QString::fromUtf8(PQresultErrorField(result, PG_DIAG_CONTEXT)));
            if (match.hasMatch())
                refused = match.captured(1).toLongLong();
        }
        PQclear(result);
    }
    if (!error.isEmpty()) {
        if (refused >= 1 && refused <= Lines.size())
            throw EDatabaseError(QStringLiteral("%1 (%2, line %3)").arg(error, Source).arg(Lines[refused - 1]));
        throw EDatabaseError(QStringLiteral("%1 (%2)").arg(error, Source));
    }
    if (PQstatus(Connection) != CONNECTION_OK)
        Fail(ConnectionMessage(Connection));
    const qsizetype rows = Lines.size();
    Lines.clear();
    return rows;
}
