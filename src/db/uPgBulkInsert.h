#pragma once
#include "db/uStagingFormat.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct pg_conn;
class QSqlDatabase;

// Carries parsed staged lines into one table of a PostgreSQL server through the server's own bulk
// path (COPY ... FROM STDIN), on the connection's handle and so inside its open transaction.
// Binding each value through Qt SQL costs several times what the server needs to store it.
// The values travel as data in COPY's text format, never as SQL text.
//
// A refused row fails the whole COPY, and the transaction with it; the message names the staged
// file and the line the server refused.
class TPgBulkInserter {
public:
    // Raises EDatabaseError when the connection is not an open PostgreSQL one.
    TPgBulkInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns, const QString& source);
    TPgBulkInserter(pg_conn* connection, const QString& table, const QStringList& columns, const QString& source);
    ~TPgBulkInserter();
    TPgBulkInserter(const TPgBulkInserter&) = delete;
    TPgBulkInserter& operator=(const TPgBulkInserter&) = delete;

    void Add(const TStagedValues& values, qsizetype lineNumber);
    // Ends the COPY and waits for the server's verdict; returns the rows it took.
    qsizetype Finish();

    // The libpq handle under a QPSQL connection, or null.
    static pg_conn* Handle(const QSqlDatabase& db);

private:
    void Start();
    void Send();
    [[noreturn]] void Fail(const QString& reason);

    pg_conn* Connection;
    QString Table;
    QStringList Columns;
    QString Source;
    bool Copying = false;
    QByteArray Buffer;
    QVector<qsizetype> Lines; // the staged file's line of each row sent, for the error message
};
