#pragma once
#include "db/DbError.h"
#include "settings/uRemoteLocation.h"
#include <QString>

class QSqlDatabase;
class QSqlError;

// The remote database on a PostgreSQL server, through Qt SQL's QPSQL driver: the connection's
// settings, the tables, and messages that name the server without its password.
// A failure on the server, with the server (its URI without the password) and the reason apart,
// so that a window can word the message in the user's language.
class EServerError : public EDatabaseError {
public:
    EServerError(const QString& server, const QString& reason, const QString& code = {});
    QString Server;
    QString Reason;
    QString Code; // the server's SQLSTATE, when it gave one
};

namespace PgServer {

inline const QString DriverName = QStringLiteral("QPSQL");

// Points a QPSQL connection at the server. Empty parts stay with the client library's defaults
// (PGHOST, PGUSER, ~/.pgpass, PGPASSWORD, PGSERVICE). A server that does not answer is given up
// after ConnectSeconds unless the URI says otherwise.
constexpr int ConnectSeconds = 10;
void Configure(QSqlDatabase& db, const TRemoteLocation& location);

// Creates whatever of the tables, the two named indexes and the import fingerprints is missing, in
// one transaction under a lock, so that stations starting together do not collide. Failures on
// the server here and below raise EServerError.
void CreateSchema(QSqlDatabase& db, const TRemoteLocation& location);

// Opens the write transaction of an update or a copy: one writer at a time, the others wait for
// it at most waitMs and then fail with the server's lock time-out, which Retryable accepts.
void BeginWrite(QSqlDatabase& db, const TRemoteLocation& location, int waitMs);

// A failure that goes away when the transaction is run again: a serialisation failure, a
// deadlock, a lock that was not granted in time.
bool Retryable(const QString& code);

// Copies every row of the local database's four tables into the server's, in one transaction.
// Rows the server holds already are not copied again (as many copies of a row as the local
// database has, no more), so a second run adds nothing. Returns the rows copied.
int CopyRows(const QSqlDatabase& local, QSqlDatabase& server, const TRemoteLocation& location, int waitMs);

// True when the connection to the server is gone (dropped, server stopped).
bool Lost(const QSqlDatabase& db);

// The reason is the driver's text, without passwords.
EServerError Error(const TRemoteLocation& location, const QString& reason);
EServerError Error(const TRemoteLocation& location, const QSqlError& error);

} // namespace PgServer
