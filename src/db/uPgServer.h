#pragma once
#include "settings/uRemoteLocation.h"
#include <QString>

class QSqlDatabase;
class QSqlError;

// The remote database on a PostgreSQL server, through Qt SQL's QPSQL driver: the connection's
// settings, the tables, and messages that name the server without its password.
namespace PgServer {

inline const QString DriverName = QStringLiteral("QPSQL");

// Points a QPSQL connection at the server. Empty parts stay with the client library's defaults
// (PGHOST, PGUSER, ~/.pgpass, PGPASSWORD, PGSERVICE). A server that does not answer is given up
// after ConnectSeconds unless the URI says otherwise.
constexpr int ConnectSeconds = 10;
void Configure(QSqlDatabase& db, const TRemoteLocation& location);

// Creates whatever of the tables, the two named indexes and the import fingerprints is missing, in
// one transaction under a lock, so that stations starting together do not collide. Raises
// EDatabaseError naming the server.
void CreateSchema(QSqlDatabase& db, const TRemoteLocation& location);

// Opens the write transaction of an update or a copy: one writer at a time, the others wait for
// it at most waitMs and then fail with the server's lock time-out, which Retryable accepts.
void BeginWrite(QSqlDatabase& db, const TRemoteLocation& location, int waitMs);

// A failure that goes away when the transaction is run again: a serialisation failure, a
// deadlock, a lock that was not granted in time.
bool Retryable(const QSqlError& error);

// Copies every row of the local database's four tables into the server's, in one transaction.
// Rows the server holds already are not copied again (as many copies of a row as the local
// database has, no more), so a second run adds nothing. Returns the rows copied.
int CopyRows(const QSqlDatabase& local, QSqlDatabase& server, const TRemoteLocation& location, int waitMs);

// "The database server <URI>: <reason>", the reason being the driver's text without passwords.
QString ErrorText(const TRemoteLocation& location, const QString& reason);
QString ErrorText(const TRemoteLocation& location, const QSqlError& error);

} // namespace PgServer
