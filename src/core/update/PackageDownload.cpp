#include "update/PackageDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace update {

PackageDownload::PackageDownload(QObject* parent)
    : QObject(parent)
    , m_manager(std::make_unique<QNetworkAccessManager>())
{
    m_stall.setSingleShot(true);
    m_stall.setInterval(kDefaultStallMs);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        m_error = tr("The update server sent nothing for %1 seconds.").arg(m_stall.interval() / 1000);
        if (m_reply)
            m_reply->abort();
    });
}

PackageDownload::~PackageDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void PackageDownload::start(const QUrl& url, const QString& targetPath)
{
    if (isRunning())
        return;
    m_ok = false;
    m_cancelled = false;
    m_error.clear();
    m_received = 0;
    if (!url.isValid() || url.isEmpty()) {
        m_error = tr("No update server is configured.");
        QMetaObject::invokeMethod(this, [this] { Q_EMIT finished(false); }, Qt::QueuedConnection);
        return;
    }
    m_file = std::make_unique<QSaveFile>(targetPath);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = tr("Cannot write %1: %2").arg(targetPath, m_file->errorString());
        m_file.reset();
        QMetaObject::invokeMethod(this, [this] { Q_EMIT finished(false); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &PackageDownload::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PackageDownload::onFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 got, qint64 total) {
        m_stall.start();
        Q_EMIT progress(got, total);
    });
    m_stall.start();
}

void PackageDownload::cancel()
{
    if (!m_reply)
        return;
    m_cancelled = true;
    m_reply->abort();
}

void PackageDownload::onReadyRead()
{
    m_stall.start();
    const QByteArray chunk = m_reply->readAll();
    if (m_file && m_file->write(chunk) != chunk.size()) {
        m_error = tr("Cannot write %1: %2").arg(m_file->fileName(), m_file->errorString());
        m_reply->abort();
        return;
    }
    m_received += chunk.size();
}

void PackageDownload::onFinished()
{
    m_stall.stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    if (reply->bytesAvailable() > 0 && m_error.isEmpty() && !m_cancelled)
        onReadyRead();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (m_cancelled)
        fail(tr("The download was cancelled."));
    else if (!m_error.isEmpty())
        fail(m_error);
    else if (reply->error() != QNetworkReply::NoError)
        fail(reply->errorString());
    else if (status != 200)
        fail(tr("The update server answered HTTP %1.").arg(status));
    else if (length.isValid() && length.toLongLong() != m_received)
        fail(tr("The package arrived incomplete: %1 of %2 bytes.").arg(m_received).arg(length.toLongLong()));
    else if (m_received == 0)
        fail(tr("The update server sent an empty package."));
    else if (!m_file->commit())
        fail(tr("Cannot write %1: %2").arg(m_file->fileName(), m_file->errorString()));
    else {
        m_file.reset();
        m_ok = true;
        Q_EMIT finished(true);
        return;
    }
}

void PackageDownload::fail(const QString& error)
{
    m_error = error;
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset(); // the temporary file goes with it
    }
    m_ok = false;
    Q_EMIT finished(false);
}

} // namespace update
