#include "update/UpdateServer.h"

#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace update {

namespace {

QUrl underBase(const QString& baseUrl, const char* path)
{
    QString base = baseUrl.trimmed();
    if (base.isEmpty())
        return QUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QUrl url = QUrl::fromUserInput(base + QLatin1String(path));
    if (!url.isValid() || url.scheme().isEmpty())
        return QUrl();
    return url;
}

} // namespace

QUrl documentUrl(const QString& baseUrl)
{
    return underBase(baseUrl, "/Soft/SoftXML/AllSoftDB/Kalvimar/Oskel/Kalvimar.xml");
}

QUrl packageUrl(const QString& baseUrl)
{
    return underBase(baseUrl, "/download/Kalvimar.zip");
}

QUrl infoPageUrl(const QString& baseUrl)
{
    return underBase(baseUrl, "/Soft/UpdateInfo/Kalvimar/index.asp");
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
    const QUrl url = documentUrl(baseUrl);
    if (url.isEmpty())
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

} // namespace update
