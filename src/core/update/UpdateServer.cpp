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
    // The reply holds no more than the document may be, however fast the
    // server sends; past the bound the document is not read at all.
    reply->setReadBufferSize(kMaxVersionDocumentBytes + 1);
    QByteArray document;
    bool tooLarge = false;
    QEventLoop loop; // after what its connections use, so it goes first
    auto refuse = [&] {
        tooLarge = true;
        reply->abort();
    };
    auto take = [&] {
        document += reply->read(kMaxVersionDocumentBytes + 1 - document.size());
        if (document.size() > kMaxVersionDocumentBytes)
            refuse();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxVersionDocumentBytes)
            refuse();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);

    // A server that accepts and never answers must not hold the start-up.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();

    QString version;
    if (!tooLarge && reply->error() == QNetworkReply::NoError) {
        take();
        if (!tooLarge)
            version = parseVersionDocument(document);
    }
    reply->deleteLater();
    return version;
}

} // namespace update
