#pragma once
#include "DbFixture.h"
#include "db/fKivDB.h"
#include "settings/uLangIniFile.h"
#include <QLabel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QToolBar>
#include <QToolButton>

// A data module with a seeded remote database (three encoders: 1001 with two readings and a fault
// row whose date matches no reading, 1002 without alias or faults, 1003 with three faults) and a
// seeded local one (L1, L2), and the viewer on it with the Swedish texts applied.
class ViewerFixture : public DbFixture {
protected:
    std::unique_ptr<TKivDBViewFrm> View;

    static constexpr const char* Reading1 = "2025-03-01 10:00:00";
    static constexpr const char* Reading2 = "2025-03-02 11:00:00";
    static constexpr const char* Orphan = "2025-02-28 09:00:00";

    void SetUp() override
    {
        DbFixture::SetUp();
        CopyDataFile(Mod->LocalDatabasePath(), RemoteFolder.path());
        Exec(RemotePath(), SeedStatements());
        Exec(Mod->LocalDatabasePath(), {"INSERT INTO ENCODER_ID VALUES('L1','P-1','1.0','1.0'),('L2','P-2','1.0','1.0')"});
        Mod->Reconnect();
        View = std::make_unique<TKivDBViewFrm>(*Mod, Dialogs);
        ApplyLanguage(TLangIniFile::DefaultLanguage());
    }

    static QStringList SeedStatements()
    {
        QStringList s;
        s << "INSERT INTO ENCODER_ID VALUES('1001','405123-07','2.1','1.3'),('1002','405124-01','2.2','1.4'),"
             "('1003','405125-02','2.3','1.5')";
        s << "INSERT INTO AliasTab VALUES('Pump','1001'),('Fan','1003')";
        s << QString("INSERT INTO EncoderPropertyID VALUES('1001','100','20','1500','1024','40','-5','%1'),"
                     "('1001','200','25','2000','2048','45','-10','%2'),('1002','7','21','500','512','30','0','%2'),"
                     "('1003','9','22','600','4096','31','1','%2')")
                 .arg(Reading1, Reading2);
        s << QString("INSERT INTO FAULTS_ID VALUES('1001','3','150','0C','1500','41','%1'),"
                     "('1001','2','120','04','1000','39','%2'),('1001','1','90','01','500','35','%3')")
                 .arg(Reading2, Reading1, Orphan);
        for (int i = 1; i <= 3; ++i)
            s << QString("INSERT INTO FAULTS_ID VALUES('1003','%1','%2','80','2500','50','%3')").arg(i).arg(i * 10).arg(Reading2);
        return s;
    }

    static void Exec(const QString& path, const QStringList& statements)
    {
        const QString name = QStringLiteral("test-seed");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            for (const QString& sql : statements) {
                QSqlQuery q(db);
                ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " in " << sql.toStdString();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }

    void ApplyLanguage(const QString& name)
    {
        TLangIniFile file(Program.path(), name);
        View->UpdateLanguage(&file);
    }

    template <class T>
    T* Find(const char* name) const
    {
        T* found = View->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no component " << name;
        return found;
    }

    QString Text(const char* lineEdit) const { return Find<QLineEdit>(lineEdit)->text(); }

    // The tool bar's buttons that can be pressed, by name.
    QStringList Usable() const
    {
        QStringList names;
        for (const QToolButton* b : Find<QToolBar>("ToolBar1")->findChildren<QToolButton*>())
            if (b->isEnabled() && !b->objectName().isEmpty() && !b->objectName().startsWith("qt_"))
                names << b->objectName();
        names.sort();
        return names;
    }
};
