#include "update/PackageDownload.h"

#include "update/HttpGet.h"
#include "update/modZip.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace update {

namespace {

// What stands at path when it is neither a regular file nor nothing.
QString notARegularFile(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    if (S_ISLNK(st.st_mode))
        return PackageDownload::tr("一个链接");
    if (S_ISDIR(st.st_mode))
        return PackageDownload::tr("一个文件夹");
    return PackageDownload::tr("一个特殊文件");
}

} // namespace

PackageDownload::PackageDownload(QObject* parent)
    : QObject(parent)
    , m_manager(new UpdateNetwork(this))
{
    m_stall.setSingleShot(true);
    m_stall.setInterval(kDefaultStallMs);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        m_error = tr("更新服务器%1秒内没有响应。").arg((m_stall.interval() + 999) / 1000);
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
        m_error = tr("没有设置更新服务器。");
        QMetaObject::invokeMethod(this, [this] { Q_EMIT finished(false); }, Qt::QueuedConnection);
        return;
    }
    // The saved file would take the place of what a link leads to, outside
    // the program folder: only a regular file, or none, is replaced.
    const QString odd = notARegularFile(targetPath);
    m_file.reset();
    if (odd.isEmpty())
        m_file = std::make_unique<QSaveFile>(targetPath);
    if (!m_file || !m_file->open(QIODevice::WriteOnly)) {
        m_error = odd.isEmpty() ? tr("无法写入文件%1。").arg(targetPath)
                                : tr("无法写入文件%1：它是%2，不是普通文件。请删除它后再下载。").arg(targetPath, odd);
        m_file.reset();
        QMetaObject::invokeMethod(this, [this] { Q_EMIT finished(false); }, Qt::QueuedConnection);
        return;
    }
    // No package may be larger than the installer takes, nor than the disk
    // holds; the whole body lands before the temporary file is renamed.
    const qint64 free = modZip::DiskSpaceAt(QFileInfo(targetPath).absolutePath()).free;
    m_limitedBySpace = free >= 0 && free < modZip::kMaxPackageBytes;
    m_limit = m_limitedBySpace ? free : modZip::kMaxPackageBytes;
    m_url = url;
    m_reply = m_manager->get(QNetworkRequest(url));
    // The server waits while this much is unread, so memory stays flat
    // however fast it sends and however it frames the body.
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_limit)
            refuseTooLarge(m_reply);
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] { take(m_reply); });
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

void PackageDownload::refuseTooLarge(QNetworkReply* reply)
{
    m_error = m_limitedBySpace ? tr("磁盘空间不足：更新文件超过了可用的%1字节，已停止下载。").arg(m_limit)
                               : tr("更新文件超过%1字节的上限，已停止下载。").arg(m_limit);
    reply->abort();
}

void PackageDownload::take(QNetworkReply* reply)
{
    m_stall.start();
    const QByteArray chunk = reply->readAll();
    if (chunk.size() > m_limit - m_received) {
        refuseTooLarge(reply);
        return;
    }
    if (m_file && m_file->write(chunk) != chunk.size()) {
        m_error = tr("无法写入文件%1。").arg(m_file->fileName());
        reply->abort();
        return;
    }
    m_received += chunk.size();
}

QString PackageDownload::networkReason(const QNetworkReply* reply) const
{
    // After a redirect the server that failed is named: it is not the
    // configured one.
    const QString server = reply->url().authority() == m_url.authority()
        ? tr("更新服务器")
        : tr("重定向的目标服务器%1").arg(reply->url().authority());
    switch (reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
        return tr("%1拒绝连接。").arg(server);
    case QNetworkReply::HostNotFoundError:
        return tr("找不到%1。").arg(server);
    case QNetworkReply::RemoteHostClosedError:
        return tr("%1关闭了连接。").arg(server);
    case QNetworkReply::TooManyRedirectsError:
        return tr("更新服务器的重定向超过了%1次，可能是循环重定向，已停止下载。").arg(HttpGet::kMaxRedirects);
    case QNetworkReply::InsecureRedirectError:
        return tr("更新服务器把加密的下载重定向到了未加密的地址%1，已停止下载。").arg(reply->url().toString());
    case QNetworkReply::ProtocolUnknownError: {
        // A data: address can be as long as the head that carried it.
        QString address = reply->url().toString();
        if (address.size() > 120)
            address = address.left(120) + QStringLiteral("…");
        return reply->url() == m_url ? tr("不支持更新服务器的地址%1。").arg(address)
                                     : tr("更新服务器重定向到了不支持的地址%1，已停止下载。").arg(address);
    }
    case QNetworkReply::SslHandshakeFailedError: {
        const auto* get = qobject_cast<const HttpGet*>(reply);
        return get && !get->certificateRefused() ? tr("未能与%1建立加密连接：%2").arg(server, reply->errorString())
                                                 : tr("%1的证书未被接受：%2").arg(server, reply->errorString());
    }
    case QNetworkReply::ProtocolFailure:
        return reply->errorString(); // what was malformed, already in words
    default:
        return tr("网络错误（代码%1）。").arg(int(reply->error()));
    }
}

void PackageDownload::onFinished()
{
    QNetworkReply* reply = m_reply;
    // A reply may finish with bytes nobody has read yet: they are taken while
    // the reply is still at hand.
    if (reply->bytesAvailable() > 0 && m_error.isEmpty() && !m_cancelled)
        take(reply);
    m_stall.stop();
    m_reply = nullptr;
    reply->deleteLater();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // No status at all is a network error, unless the reply has none either.
    const bool httpError = status != 200 && (status != 0 || reply->error() == QNetworkReply::NoError);
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (m_cancelled)
        fail(tr("下载已取消。"));
    else if (!m_error.isEmpty())
        fail(m_error);
    else if (httpError)
        fail(tr("更新服务器返回错误 HTTP %1。").arg(status));
    // Before the network error, which for a body cut short only says that
    // the connection closed.
    else if (length.isValid() && length.toLongLong() != m_received)
        fail(tr("更新文件不完整，只收到%1字节，应为%2字节。").arg(m_received).arg(length.toLongLong()));
    else if (reply->error() != QNetworkReply::NoError)
        fail(networkReason(reply));
    else if (m_received == 0)
        fail(tr("更新服务器发来的文件是空的。"));
    else if (!m_file->commit())
        fail(tr("无法写入文件%1。").arg(m_file->fileName()));
    else {
        m_file.reset();
        m_ok = true;
        Q_EMIT finished(true);
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
