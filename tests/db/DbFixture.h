#pragma once
#include "support/TestFiles.h"
#include "support/FakeDialogs.h"
#include "db/FmxUtils.h"
#include "db/uKivDataMod.h"
#include <QFile>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The main window's displayed texts, as a save takes them.
class FakeMainWindow {
public:
    QMap<QString, QString> Labels;
    QMap<QString, QStringList> Lists;

    TReadingTexts Reading() const
    {
        return TReadingTexts::FromComponents([this](const QString& c) { return Labels.value(c); },
                                             [this](const QString& l) { return Lists.value(l); });
    }

    void ShowEncoder(const QString& serial, const QString& part = QStringLiteral("405123-07"))
    {
        Labels = {{"lbSerialNum", serial},   {"lbPartNum", part},           {"lbSoftVer", "2.1"},
                  {"lbHardVer", "1.3"},      {"lbUnitsPerRev", "2048 ppr"}, {"lbOpTime", "1234"},
                  {"lbTemp", "23 \u00b0C"},  {"lbFreq", "1500 Hz"},         {"lbMaxTemp", "45 \u00b0C"},
                  {"lbMinTemp", "-12 \u00b0C"}};
        Lists.clear();
    }
    // Faults newest first, as the main window lists them.
    void ShowFaults(const QStringList& indexes)
    {
        Lists["lstbIndex"] = indexes;
        for (const char* name : {"lstbFaultStatus", "lstbFreq", "lstbOpTime", "lstbTemp"}) {
            QStringList column;
            for (const QString& i : indexes)
                column << QString::fromLatin1(name).mid(4) + i;
            Lists[name] = column;
        }
    }
};

// A program folder and a remote folder in temporary directories, a fixed clock and the Swedish
// locale, and a data module on them.
class DbFixture : public ::testing::Test {
protected:
    QTemporaryDir Program;
    QTemporaryDir RemoteFolder;
    FakeDialogs Dialogs;
    FakeMainWindow Window;
    QDateTime Now{QDate(2025, 3, 4), QTime(10, 11, 12)};
    std::unique_ptr<TDataMod> Mod;

    void SetUp() override { Mod = MakeDataMod(); }

    std::unique_ptr<TDataMod> MakeDataMod()
    {
        auto mod = std::make_unique<TDataMod>(Program.path(), Dialogs, [this] { return Now; },
                                              QLocale(QLocale::Swedish, QLocale::Sweden));
        mod->LockWaitMs = 500;
        mod->RemoteDir = [this] { return RemoteFolder.path(); };
        return mod;
    }

    QString RemotePath() const { return RemoteFolder.path() + "/KIV.db"; }

    // The first remote database: a copy of the freshly created local one, then selected.
    void ConnectRemote()
    {
        if (!QFile::exists(RemotePath()))
            CopyDataFile(Mod->LocalDatabasePath(), RemoteFolder.path());
        Mod->SelectDatabase(true);
    }

    QString PathOf(TDataMod::TTextFile file) const { return Mod->TextFilePath(file); }

    QByteArray Bytes(TDataMod::TTextFile file) const { return ReadAll(PathOf(file)); }
    void WriteFile(TDataMod::TTextFile file, const QByteArray& bytes) const { WriteAll(PathOf(file), bytes); }

    bool Exists(TDataMod::TTextFile file) const { return QFile::exists(PathOf(file)); }

    // Rows of a statement on a database file, through a connection of the test's own; null
    // values read as "<null>".
    static QList<QStringList> Rows(const QString& dbPath, const QString& sql)
    {
        QList<QStringList> rows;
        const QString name = QStringLiteral("test-check");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName(dbPath);
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
                rows << row;
            }
        }
        QSqlDatabase::removeDatabase(name);
        return rows;
    }

    QList<QStringList> RemoteRows(const QString& sql) const { return Rows(RemotePath(), sql); }
};

inline std::ostream& operator<<(std::ostream& os, const QString& s)
{
    return os << s.toStdString();
}
