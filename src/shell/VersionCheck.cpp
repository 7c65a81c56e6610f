#include "VersionCheck.h"

#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace versioncheck {

QString documentUrl(const QString& baseUrl)
{
    QString base = baseUrl.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/Soft/SoftXML/AllSoftDB/Kalvimar/Oskel/Kalvimar.xml");
}

QString parseVersionDocument(const QByteArray& xml)
{
    QDomDocument doc;
    if (!doc.setContent(xml))
        return QString();
    const QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("root"))
        return QString();
    const QDomElement version = root.firstChildElement(QStringLiteral("SoftVersion"));
    if (version.isNull())
        return QString();
    return version.text().trimmed();
}

QString fetchPublishedVersion(const QString& baseUrl, int timeoutMs)
{
    // A base given as a bare host ("updates.plant:8080") means plain HTTP.
    const QUrl url = QUrl::fromUserInput(documentUrl(baseUrl));
    if (!url.isValid() || url.scheme().isEmpty())
        return QString();

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = manager.get(request);

    // A server that accepts and never answers must not hold the start-up.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();

    QString version;
    if (reply->error() == QNetworkReply::NoError)
        version = parseVersionDocument(reply->readAll());
    reply->deleteLater();
    return version;
}

} // namespace versioncheck
