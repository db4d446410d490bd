#include "settings/uRemoteLocation.h"
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString Schemes[] = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};

} // namespace

bool IsServerUri(const QString& text)
{
    const QString t = text.trimmed();
    for (const QString& scheme : Schemes)
        if (t.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    return false;
}

QString WithoutPasswords(QString text)
{
    static const QRegularExpression userInfo(QStringLiteral("(postgres(?:ql)?://[^:/@\\s?]*):[^@\\s]*@"),
                                             QRegularExpression::CaseInsensitiveOption);
    // A password parameter goes with the separator that would otherwise be left dangling.
    static const QRegularExpression lastParameter(QStringLiteral("(?:\\?|&)password=[^&\\s]*(?=\\s|$)"),
                                                  QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression parameter(QStringLiteral("([?&])password=[^&\\s]*&?"),
                                              QRegularExpression::CaseInsensitiveOption);
    // The key=value form of a connection.
    static const QRegularExpression keyword(QStringLiteral("\\s*\\bpassword\\s*=\\s*\\S*"),
                                            QRegularExpression::CaseInsensitiveOption);
    text.replace(userInfo, QStringLiteral("\\1@"));
    text.replace(lastParameter, QString());
    text.replace(parameter, QStringLiteral("\\1"));
    text.replace(keyword, QString());
    return text;
}

TRemoteLocation ParseRemoteLocation(const QString& setting)
{
    TRemoteLocation location;
    const QString text = setting.trimmed();
    if (text.isEmpty())
        return location;
    if (!IsServerUri(text)) {
        location.Kind = TRemoteLocation::TKind::Folder;
        location.Folder = setting;
        return location;
    }
    location.Kind = TRemoteLocation::TKind::Server;
    location.Written = text;
    // QUrl knows only lower-case schemes as such; the rest of the URI is read as written.
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QUrl url(QStringLiteral("postgresql") + text.mid(colon), QUrl::StrictMode);
    if (!url.isValid()) {
        location.Problem = WithoutPasswords(url.errorString());
        return location;
    }
    location.User = url.userName(QUrl::FullyDecoded);
    location.Password = url.password(QUrl::FullyDecoded);
    location.Host = url.host(QUrl::FullyDecoded);
    location.Port = url.port(-1);
    QString path = url.path(QUrl::FullyDecoded);
    if (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    if (path.contains(QLatin1Char('/'))) {
        location.Problem = QStringLiteral("a database name cannot contain '/'");
        return location;
    }
    location.DatabaseName = path;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (key.isEmpty() || key.contains(QRegularExpression(QStringLiteral("[^A-Za-z_]")))) {
            location.Problem = QStringLiteral("'%1' is not a connection setting").arg(key);
            return location;
        }
        if (key.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0)
            location.Password = value;
        else
            location.Options << key + QLatin1Char('=') + value;
    }
    return location;
}

QString TRemoteLocation::Shown() const
{
    if (Kind != TKind::Server)
        return Folder;
    if (!Problem.isEmpty())
        return WithoutPasswords(Written);
    QString shown = QStringLiteral("postgresql://");
    if (!User.isEmpty())
        shown += QString::fromLatin1(QUrl::toPercentEncoding(User)) + QLatin1Char('@');
    shown += Host.contains(QLatin1Char(':')) ? QLatin1Char('[') + Host + QLatin1Char(']') : Host;
    if (Port >= 0)
        shown += QLatin1Char(':') + QString::number(Port);
    shown += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(DatabaseName));
    if (!Options.isEmpty())
        shown += QLatin1Char('?') + Options.join(QLatin1Char('&'));
    return shown;
}
