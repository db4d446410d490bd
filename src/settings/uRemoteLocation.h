#pragma once
#include <QString>
#include <QStringList>

// Where the remote database lives, as the setting "RemoteDBDir" names it: a folder holding the
// database file, or a PostgreSQL server given by a connection URI
// (postgresql://user@host:port/dbname?key=value, also postgres://).
//
// A password may be written into the URI, but it is never shown: every text meant for people
// goes through Shown() or WithoutPasswords(). Without one, the client library looks in
// ~/.pgpass, PGPASSWORD and PGSERVICE as usual.
struct TRemoteLocation {
    enum class TKind { None, Folder, Server };

    TKind Kind = TKind::None;
    QString Folder;          // a folder
    QString User;            // a server; empty parts are left to the client library's defaults
    QString Password;
    QString Host;
    int Port = -1;
    QString DatabaseName;
    QStringList Options;     // the URI's query as key=value texts, in the client library's names
    QString Problem;         // why a text that names a server cannot be used; empty when it can
    QString Written;         // the setting as written (may hold the password: never show it)

    bool IsServer() const { return Kind == TKind::Server; }
    bool Usable() const { return Kind != TKind::None && Problem.isEmpty(); }
    // The URI without its password, for messages and the options dialog.
    QString Shown() const;
};

TRemoteLocation ParseRemoteLocation(const QString& setting);

// True when the text starts as a PostgreSQL connection URI does.
bool IsServerUri(const QString& text);

// The text with the password of every PostgreSQL URI in it removed (user:secret@ becomes user@,
// password=secret is dropped): driver messages may quote the connection they failed on.
QString WithoutPasswords(QString text);
