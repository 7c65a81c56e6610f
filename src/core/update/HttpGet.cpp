#include "update/HttpGet.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTcpSocket>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace update {

namespace {

// What is taken from the socket at a time, and the most the socket itself
// holds: as much as the body, so that one wake-up can fill it.
constexpr qsizetype kInBytes = 64 * 1024;
constexpr qint64 kSocketBytes = HttpGet::kDefaultBufferBytes;

bool isDigits(const QByteArray& s, bool hex)
{
    if (s.isEmpty() || s.size() > 16)
        return false;
    for (const char c : s) {
        if (!(c >= '0' && c <= '9') && !(hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))))
            return false;
    }
    return true;
}

QNetworkReply::NetworkError statusError(int status)
{
    switch (status) {
    case 401: return QNetworkReply::AuthenticationRequiredError;
    case 403: return QNetworkReply::ContentAccessDenied;
    case 404: return QNetworkReply::ContentNotFoundError;
    case 500: return QNetworkReply::InternalServerError;
    case 503: return QNetworkReply::ServiceUnavailableError;
    default: return status >= 500 ? QNetworkReply::UnknownServerError : QNetworkReply::UnknownContentError;
    }
}

} // namespace

HttpGet::HttpGet(const QUrl& url, QObject* parent)
    : QNetworkReply(parent)
{
    setRequest(QNetworkRequest(url));
    setUrl(url);
    setOperation(QNetworkAccessManager::GetOperation);
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    // Its reader connects first; like any reply it answers later.
    QMetaObject::invokeMethod(this, [this, url] { connectTo(url); }, Qt::QueuedConnection);
}

HttpGet::~HttpGet()
{
    stopWatching();
}

void HttpGet::connectTo(const QUrl& url)
{
    if (isFinished())
        return;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    stopWatching();
    m_interim = 0;
    m_trailerBytes = 0;
    m_certificateRefused = false;
    m_reset = false;
    const bool secure = url.scheme() == QLatin1String("https");
    if (!secure && url.scheme() != QLatin1String("http")) {
        fail(ProtocolUnknownError, tr("不支持的地址：%1").arg(url.toString()));
        return;
    }
#if QT_CONFIG(ssl)
    m_socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
#else
    if (secure) {
        fail(ProtocolUnknownError, tr("不支持的地址：%1").arg(url.toString()));
        return;
    }
    m_socket = new QTcpSocket(this);
#endif
    // Past this the socket stops reading, and the server waits.
    m_socket->setReadBufferSize(kSocketBytes);
    connect(m_socket, &QTcpSocket::connected, this, &HttpGet::watchConnection);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpGet::pump);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_closed = true;
        m_reset = peerReset();
        pump();
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpGet::onSocketError);
#if QT_CONFIG(ssl)
    if (auto* tls = qobject_cast<QSslSocket*>(m_socket)) {
        connect(tls, &QSslSocket::encrypted, this, &HttpGet::sendRequest);
        tls->connectToHostEncrypted(url.host(), quint16(url.port(443)));
        return;
    }
#endif
    connect(m_socket, &QTcpSocket::connected, this, &HttpGet::sendRequest);
    m_socket->connectToHost(url.host(), quint16(url.port(80)));
}

void HttpGet::watchConnection()
{
    stopWatching();
    const qintptr fd = m_socket->socketDescriptor();
    if (fd >= 0)
        m_watch = ::fcntl(int(fd), F_DUPFD_CLOEXEC, 0);
}

void HttpGet::stopWatching()
{
    if (m_watch >= 0)
        ::close(m_watch);
    m_watch = -1;
}

// The socket reports a reset by the server as a close. With the connection
// still held here, a close leaves it waiting for this side's own, a reset
// leaves it closed.
bool HttpGet::peerReset() const
{
    tcp_info info {};
    socklen_t size = sizeof info;
    return m_watch >= 0 && ::getsockopt(m_watch, IPPROTO_TCP, TCP_INFO, &info, &size) == 0
        && info.tcpi_state == TCP_CLOSE;
}

void HttpGet::sendRequest()
{
    QByteArray target = url().toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    m_socket->write("GET " + target + " HTTP/1.1\r\nHost: " + url().authority(QUrl::RemoveUserInfo | QUrl::FullyEncoded).toLatin1()
                    + "\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
}

void HttpGet::onSocketError()
{
    switch (m_socket->error()) {
    case QAbstractSocket::RemoteHostClosedError:
        return; // the end of the body, or short of it: disconnected() tells
    case QAbstractSocket::ConnectionRefusedError:
        fail(ConnectionRefusedError, m_socket->errorString());
        return;
    case QAbstractSocket::HostNotFoundError:
        fail(HostNotFoundError, m_socket->errorString());
        return;
    case QAbstractSocket::SocketTimeoutError:
        fail(TimeoutError, m_socket->errorString());
        return;
    case QAbstractSocket::SslHandshakeFailedError:
#if QT_CONFIG(ssl)
        // Without a certificate found wanting, the two sides found no
        // encryption in common (a server without any, or too old a one).
        if (auto* tls = qobject_cast<QSslSocket*>(m_socket))
            m_certificateRefused = !tls->sslHandshakeErrors().isEmpty();
#endif
        fail(SslHandshakeFailedError, m_socket->errorString());
        return;
    default:
        if (m_part == Part::Head && m_in.isEmpty()) {
            fail(UnknownNetworkError, m_socket->errorString());
        } else {
            m_closed = true;
            m_reset = peerReset();
            pump();
        }
    }
}

qint64 HttpGet::room() const
{
    const qint64 most = readBufferSize() > 0 ? readBufferSize() : kDefaultBufferBytes;
    return most - m_body.size();
}

void HttpGet::setReadBufferSize(qint64 size)
{
    QNetworkReply::setReadBufferSize(size);
    schedulePump();
}

qint64 HttpGet::bytesAvailable() const
{
    return m_body.size() + QNetworkReply::bytesAvailable();
}

qint64 HttpGet::readData(char* data, qint64 maxSize)
{
    const qint64 n = qMin<qint64>(maxSize, m_body.size());
    if (n <= 0)
        return isFinished() ? -1 : 0;
    memcpy(data, m_body.constData(), size_t(n));
    m_body.remove(0, n);
    // Room again: the socket is read on once this read is done.
    schedulePump();
    return n;
}

void HttpGet::schedulePump()
{
    if (m_pumpQueued || isFinished())
        return;
    m_pumpQueued = true;
    QMetaObject::invokeMethod(this, &HttpGet::pump, Qt::QueuedConnection);
}

void HttpGet::pump()
{
    m_pumpQueued = false;
    if (isFinished() || !m_socket)
        return;
    const qint64 before = m_received;
    for (;;) {
        if (m_in.size() < kInBytes)
            m_in += m_socket->read(kInBytes - m_in.size());
        if (isFinished() || !step())
            break;
    }
    if (isFinished() || !m_socket)
        return; // failed, aborted, or off to a redirect's target
    if (m_received > before) {
        Q_EMIT downloadProgress(m_received, m_total);
        if (isFinished())
            return;
        Q_EMIT readyRead();
        if (isFinished())
            return;
    }
    if (m_part == Part::Done) {
        finish();
        return;
    }
    const bool waitingForReader = room() <= 0 && !m_in.isEmpty();
    if (!m_closed || waitingForReader || m_socket->bytesAvailable() > 0)
        return;
    if (m_part == Part::UntilClose && m_reset) {
        // The close is the body's only end: a reset may have cut it anywhere.
        fail(ProtocolFailure, tr("更新服务器重置了连接，答复可能不完整。"));
    } else if (m_part == Part::UntilClose) {
        m_part = Part::Done;
        finish();
    } else {
        fail(RemoteHostClosedError, tr("更新服务器在答复完整之前关闭了连接。"));
    }
}

bool HttpGet::step()
{
    QByteArray line;
    switch (m_part) {
    case Part::Head:
        return takeHead();
    case Part::Length:
        if (!takeBody(m_left))
            return false;
        if (m_left == 0)
            m_part = Part::Done;
        return true;
    case Part::UntilClose:
        return takeBody(m_in.size());
    case Part::ChunkSize: {
        if (!takeLine(&line, kMaxLineBytes, tr("更新服务器发来的分块长度行过长。")))
            return false;
        const qsizetype extension = line.indexOf(';');
        const QByteArray size = (extension < 0 ? line : line.left(extension)).trimmed();
        bool ok = false;
        const qint64 n = isDigits(size, true) ? size.toLongLong(&ok, 16) : -1;
        if (!ok) {
            fail(ProtocolFailure, tr("更新服务器发来的分块长度“%1”无效。").arg(QString::fromLatin1(size.left(40))));
            return false;
        }
        m_left = n;
        m_part = n == 0 ? Part::Trailer : Part::ChunkData;
        return true;
    }
    case Part::ChunkData:
        if (!takeBody(m_left))
            return false;
        if (m_left == 0)
            m_part = Part::ChunkEnd;
        return true;
    case Part::ChunkEnd:
        if (m_in.size() < 2)
            return false;
        if (!m_in.startsWith("\r\n")) {
            fail(ProtocolFailure, tr("更新服务器发来的分块比声明的长。"));
            return false;
        }
        m_in.remove(0, 2);
        m_part = Part::ChunkSize;
        return true;
    case Part::Trailer:
        if (!takeLine(&line, kMaxTrailerBytes, tr("更新服务器发来的尾部字段行过长。")))
            return false;
        m_trailerBytes += line.size() + 2;
        if (m_trailerBytes > kMaxTrailerBytes) {
            fail(ProtocolFailure, tr("更新服务器发来的尾部字段过多。"));
            return false;
        }
        if (line.isEmpty())
            m_part = Part::Done;
        return true;
    case Part::Done:
        return false;
    }
    return false;
}

bool HttpGet::takeLine(QByteArray* line, qsizetype most, const QString& tooLong)
{
    // The same bound whether the line came in one piece or in several: what
    // stands before its end, or before a "\r" that may begin it.
    const qsizetype end = m_in.indexOf("\r\n");
    const qsizetype known = end >= 0 ? end : m_in.size() - (m_in.endsWith('\r') ? 1 : 0);
    if (known > most) {
        fail(ProtocolFailure, tooLong);
        return false;
    }
    if (end < 0)
        return false;
    *line = m_in.left(end);
    m_in.remove(0, end + 2);
    return true;
}

bool HttpGet::takeBody(qint64 most)
{
    const qint64 n = qMin(qMin(most, qint64(m_in.size())), room());
    if (n <= 0)
        return false;
    m_body.append(m_in.constData(), n);
    m_in.remove(0, n);
    m_received += n;
    if (m_part != Part::UntilClose)
        m_left -= n;
    return true;
}

bool HttpGet::takeHead()
{
    const qsizetype end = m_in.indexOf("\r\n\r\n");
    if (end < 0) {
        if (m_in.size() >= kMaxHeadBytes)
            fail(ProtocolFailure, tr("更新服务器的答复头过长。"));
        return false;
    }
    const QList<QByteArray> lines = m_in.left(end).split('\n');
    m_in.remove(0, end + 4);
    const QList<QByteArray> status = lines.first().trimmed().split(' ');
    bool ok = false;
    const int code = status.value(1).toInt(&ok);
    if (!status.first().startsWith("HTTP/1.") || !ok || code < 100 || code > 599) {
        fail(ProtocolFailure, tr("更新服务器的答复不是HTTP答复。"));
        return false;
    }
    if (code < 200) {
        // An interim answer; the real one follows, unless the server sends
        // nothing else.
        if (++m_interim > kMaxInterimAnswers) {
            fail(ProtocolFailure, tr("更新服务器发来的临时答复（1xx）过多，没有正式的答复。"));
            return false;
        }
        return true;
    }

    // Nothing of an earlier answer (a redirect's) stays.
    for (const QByteArray& name : rawHeaderList())
        setRawHeader(name, QByteArray());
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, QVariant());
    QList<std::pair<QByteArray, QByteArray>> headers;
    QList<QByteArray> lengths;
    QByteArray codings;
    QByteArray contentCodings;
    QByteArray location;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            // Given below once it has been read as a number, each header and
            // each item of a list.
            for (const QByteArray& item : value.split(','))
                lengths.append(item.trimmed());
            continue;
        }
        if (name.compare("Location", Qt::CaseInsensitive) == 0)
            location = value;
        else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0)
            codings += (codings.isEmpty() ? "" : ", ") + value;
        else if (name.compare("Content-Encoding", Qt::CaseInsensitive) == 0)
            contentCodings += (contentCodings.isEmpty() ? "" : ", ") + value;
        headers.append({name, value});
    }

    if ((code == 301 || code == 302 || code == 303 || code == 307 || code == 308) && !location.isEmpty()) {
        const QUrl target = url().resolved(QUrl::fromEncoded(location));
        if (++m_redirects > kMaxRedirects) {
            fail(TooManyRedirectsError, tr("重定向次数过多。"));
        } else if (url().scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")) {
            setUrl(target); // the address refused is the one to name
            fail(InsecureRedirectError, tr("从加密地址重定向到了未加密的地址。"));
        } else {
            setUrl(target);
            m_in.clear();
            m_closed = false;
            connectTo(target);
        }
        return false;
    }
    for (const auto& [name, value] : headers)
        setRawHeader(name, value);

    m_total = -1;
    // The codings applied to the body, in order. Only chunked is undone
    // here: a body still compressed must not pass for the file itself.
    auto codingsOf = [](const QByteArray& list) {
        QList<QByteArray> applied;
        for (const QByteArray& coding : list.split(',')) {
            const QByteArray c = coding.trimmed().toLower();
            if (!c.isEmpty() && c != "identity")
                applied.append(c);
        }
        return applied;
    };
    const QList<QByteArray> applied = codingsOf(codings);
    const bool chunked = applied == QList<QByteArray> { "chunked" };
    // Two lengths that differ leave no way to tell where the body ends.
    const QByteArray length = lengths.value(0);
    for (const QByteArray& other : std::as_const(lengths)) {
        if (other != length && !chunked) {
            fail(ProtocolFailure,
                tr("更新服务器给出了两个不同的长度“%1”和“%2”。")
                    .arg(QString::fromLatin1(length.left(40)), QString::fromLatin1(other.left(40))));
            return false;
        }
    }
    if (code == 204 || code == 304) {
        m_part = Part::Done;
    } else if (!applied.isEmpty() && !chunked) {
        fail(ProtocolFailure,
            tr("更新服务器使用了无法读取的传输编码“%1”。").arg(QString::fromLatin1(codings.left(60))));
        return false;
    } else if (code < 400 && !codingsOf(contentCodings).isEmpty()) {
        // Asked for as it is; compressed, it would be saved as the package.
        fail(ProtocolFailure,
            tr("更新服务器使用了无法读取的内容编码“%1”。").arg(QString::fromLatin1(contentCodings.left(60))));
        return false;
    } else if (chunked) {
        m_part = Part::ChunkSize; // a length beside it means nothing
    } else if (!lengths.isEmpty()) {
        // An empty one too: the body's end is not left to the close.
        ok = false;
        const qint64 n = isDigits(length, false) ? length.toLongLong(&ok) : -1;
        if (!ok) {
            fail(ProtocolFailure,
                tr("更新服务器给出的长度“%1”不是有效的字节数。").arg(QString::fromLatin1(length.left(40))));
            return false;
        }
        setHeader(QNetworkRequest::ContentLengthHeader, n);
        m_total = n;
        m_left = n;
        m_part = n == 0 ? Part::Done : Part::Length;
    } else {
        m_part = Part::UntilClose;
    }
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, code);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, status.mid(2).join(' '));
    if (code >= 400)
        setError(statusError(code), QString::fromLatin1(lines.first().trimmed()));
    Q_EMIT metaDataChanged();
    return !isFinished();
}

void HttpGet::abort()
{
    m_body.clear();
    fail(OperationCanceledError, tr("下载已取消。"));
}

void HttpGet::fail(NetworkError error, const QString& text)
{
    if (isFinished())
        return;
    m_part = Part::Done;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    stopWatching();
    setError(error, text);
    setFinished(true);
    Q_EMIT errorOccurred(error);
    Q_EMIT finished();
}

void HttpGet::finish()
{
    if (isFinished())
        return;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    stopWatching();
    setFinished(true);
    if (error() != NoError)
        Q_EMIT errorOccurred(error());
    Q_EMIT finished();
}

QNetworkReply* UpdateNetwork::createRequest(Operation op, const QNetworkRequest& request, QIODevice* outgoingData)
{
    const QString scheme = request.url().scheme();
    if (op == GetOperation && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        return new HttpGet(request.url(), this);
    return QNetworkAccessManager::createRequest(op, request, outgoingData);
}

} // namespace update
