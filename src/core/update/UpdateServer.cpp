#include "update/UpdateServer.h"

#include "update/HttpGet.h"

#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkReply>
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

    UpdateNetwork manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(url));
    // Past the bound the document is not read at all.
    auto* document = new BoundedBody(reply, kMaxVersionDocumentBytes);

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
    if (const std::optional<QByteArray> body = document->body())
        version = parseVersionDocument(*body);
    return version;
}

BoundedBody::BoundedBody(QNetworkReply* reply, qsizetype most)
    : QObject(reply)
    , m_reply(reply)
    , m_most(most)
{
    reply->setReadBufferSize(most + 1);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_most)
            refuse();
    });
    connect(reply, &QNetworkReply::readyRead, this, &BoundedBody::take);
}

std::optional<QByteArray> BoundedBody::body()
{
    if (m_tooLarge || m_reply->error() != QNetworkReply::NoError)
        return std::nullopt;
    take(); // what came with the end
    if (m_tooLarge)
        return std::nullopt;
    return m_data;
}

void BoundedBody::take()
{
    m_data += m_reply->read(m_most + 1 - m_data.size());
    if (m_data.size() > m_most)
        refuse();
}

void BoundedBody::refuse()
{
    m_tooLarge = true;
    m_reply->abort();
}

} // namespace update
