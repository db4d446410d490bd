#pragma once
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTextStream>
#include <gtest/gtest.h>

// The PostgreSQL server that ctest starts once for this test program (scripts/pg-server, state
// file KIV_PG_STATE, or the environment variable of that name). Each test works in a database of
// its own, so tests can run at once.
class TPgTestServer {
public:
    static QString StateFile() { return qEnvironmentVariable("KIV_PG_STATE", QStringLiteral(KIV_PG_STATE)); }

    // The port from a state file, or -1 when there is none.
    static int PortOf(const QString& stateFile)
    {
        QFile f(stateFile);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        QTextStream in(&f);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.startsWith(QLatin1String("PORT=")))
                return line.mid(5).toInt();
        }
        return -1;
    }

    static int Port() { return PortOf(StateFile()); }

    static QString Uri(const QString& database, const QString& user = QStringLiteral("postgres"), int port = Port())
    {
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user).arg(port).arg(database);
    }

    // Drops and creates the database `name` on the server at `port`; false (and a test failure) when
    // the server cannot be reached.
    static bool FreshDatabase(const QString& name, int port = Port())
    {
        const QString connection = QStringLiteral("pg-admin-") + name;
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(port);
            db.setUserName(QStringLiteral("postgres"));
            db.setDatabaseName(QStringLiteral("postgres"));
            if (!db.open()) {
                ADD_FAILURE() << "the test server on port " << port << " does not answer: "
                              << db.lastError().text().toStdString();
            } else {
                QSqlQuery q(db);
                ok = q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name))
                     && q.exec(QStringLiteral("CREATE DATABASE %1").arg(name));
                if (!ok)
                    ADD_FAILURE() << q.lastError().text().toStdString();
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return ok;
    }

    // Runs scripts/pg-server with a command on a state file; true on success.
    static bool Control(const QString& command, const QString& stateFile)
    {
        QProcess p;
        p.start(QStringLiteral("bash"), {QStringLiteral(KIV_SOURCE_DIR "/scripts/pg-server"), command, stateFile});
        if (!p.waitForFinished(180000) || p.exitCode() != 0) {
            ADD_FAILURE() << "pg-server " << command.toStdString() << ": "
                          << p.readAllStandardError().toStdString();
            return false;
        }
        return true;
    }
};

// Fails the test at once when ctest did not start the server: these tests are never skipped.
#define REQUIRE_PG_SERVER()                                                                          \
    do {                                                                                             \
        if (TPgTestServer::Port() < 0)                                                               \
            FAIL() << "no test server: run through ctest, which starts it (" KIV_PG_STATE ")";           \
    } while (0)
