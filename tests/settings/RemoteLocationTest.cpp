#include "settings/uRemoteLocation.h"
#include <gtest/gtest.h>

namespace {

TEST(RemoteLocationTest, SettingIsReadAsFolderOrServer)
{
    struct TRow {
        const char* Name;
        QString Setting;
        TRemoteLocation::TKind Kind;
        QString User, Host;
        int Port;
        QString Database;
        QStringList Options;
        QString Shown;
    };
    using K = TRemoteLocation::TKind;
    const TRow rows[] = {
        {"empty", QStringLiteral("  "), K::None, {}, {}, -1, {}, {}, {}},
        {"folder", QStringLiteral("/mnt/team/kiv"), K::Folder, {}, {}, -1, {}, {}, QStringLiteral("/mnt/team/kiv")},
        {"folder with a colon", QStringLiteral("/mnt/a:b"), K::Folder, {}, {}, -1, {}, {}, QStringLiteral("/mnt/a:b")},
        {"full URI", QStringLiteral("postgresql://kiv@db.example.se:5433/kivdb"), K::Server, QStringLiteral("kiv"),
         QStringLiteral("db.example.se"), 5433, QStringLiteral("kivdb"), {},
         QStringLiteral("postgresql://kiv@db.example.se:5433/kivdb")},
        {"short scheme, no port", QStringLiteral("postgres://kiv@db/kivdb"), K::Server, QStringLiteral("kiv"),
         QStringLiteral("db"), -1, QStringLiteral("kivdb"), {}, QStringLiteral("postgresql://kiv@db/kivdb")},
        {"scheme in capitals, blanks around", QStringLiteral(" PostgreSQL://kiv@db:5432/kivdb "), K::Server,
         QStringLiteral("kiv"), QStringLiteral("db"), 5432, QStringLiteral("kivdb"), {},
         QStringLiteral("postgresql://kiv@db:5432/kivdb")},
        {"everything from the client library's defaults", QStringLiteral("postgresql://"), K::Server, {}, {}, -1, {},
         {}, QStringLiteral("postgresql:///")},
        {"password is never shown", QStringLiteral("postgresql://kiv:s%40cret@db/kivdb?sslmode=require&password=x"),
         K::Server, QStringLiteral("kiv"), QStringLiteral("db"), -1, QStringLiteral("kivdb"),
         {QStringLiteral("sslmode=require")}, QStringLiteral("postgresql://kiv@db/kivdb?sslmode=require")},
        {"encoded names", QStringLiteral("postgresql://anna%20b@db/lager%C3%B6"), K::Server, QStringLiteral("anna b"),
         QStringLiteral("db"), -1, QString::fromUtf8("lager\xC3\xB6"), {},
         QStringLiteral("postgresql://anna%20b@db/lager%C3%B6")},
        {"IPv6 host", QStringLiteral("postgresql://[::1]:6000/kivdb"), K::Server, {}, QStringLiteral("::1"), 6000,
         QStringLiteral("kivdb"), {}, QStringLiteral("postgresql://[::1]:6000/kivdb")},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRemoteLocation l = ParseRemoteLocation(row.Setting);
        EXPECT_EQ(l.Kind, row.Kind);
        EXPECT_TRUE(l.Problem.isEmpty()) << l.Problem.toStdString();
        EXPECT_EQ(l.User, row.User);
        EXPECT_EQ(l.Host, row.Host);
        EXPECT_EQ(l.Port, row.Port);
        EXPECT_EQ(l.DatabaseName, row.Database);
        EXPECT_EQ(l.Options, row.Options);
        EXPECT_EQ(l.Shown(), row.Shown);
    }
    EXPECT_EQ(ParseRemoteLocation(QStringLiteral("postgresql://kiv:s%40cret@db/kivdb")).Password, QStringLiteral("s@cret"));
    EXPECT_EQ(ParseRemoteLocation(QStringLiteral("postgresql://db/k?password=p%26q")).Password, QStringLiteral("p&q"));
}

TEST(RemoteLocationTest, UnusableServerTextIsReportedWithoutItsPassword)
{
    const char* const bad[] = {"postgresql://kiv:hemlig@db:notaport/kivdb", "postgresql://kiv:hemlig@db/a/b",
                               "postgresql://kiv:hemlig@db/kivdb?bad-key=1"};
    for (const char* setting : bad) {
        SCOPED_TRACE(setting);
        const TRemoteLocation l = ParseRemoteLocation(QString::fromLatin1(setting));
        EXPECT_TRUE(l.IsServer());
        EXPECT_FALSE(l.Usable());
        EXPECT_FALSE(l.Problem.isEmpty());
        EXPECT_FALSE(l.Shown().contains(QStringLiteral("hemlig"))) << l.Shown().toStdString();
        EXPECT_FALSE(l.Problem.contains(QStringLiteral("hemlig"))) << l.Problem.toStdString();
    }
}

TEST(RemoteLocationTest, PasswordsAreStrippedFromAnyText)
{
    EXPECT_EQ(WithoutPasswords(QStringLiteral("failed on postgresql://kiv:hemlig@db:5432/x: refused")),
              QStringLiteral("failed on postgresql://kiv@db:5432/x: refused"));
    EXPECT_EQ(WithoutPasswords(QStringLiteral("postgres://db/x?sslmode=require&password=hemlig")),
              QStringLiteral("postgres://db/x?sslmode=require"));
    EXPECT_EQ(WithoutPasswords(QStringLiteral("host=db password=hemlig user=kiv")), QStringLiteral("host=db user=kiv"));
    EXPECT_EQ(WithoutPasswords(QStringLiteral("/mnt/share/kiv")), QStringLiteral("/mnt/share/kiv"));
}

} // namespace
