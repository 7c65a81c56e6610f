#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

class QTcpSocket;

namespace update {

// One GET to the update server over HTTP/1.1, as a network reply. It takes
// from the connection only what its reader has room for, whatever the
// transfer encoding: the socket's buffer and the decoded body it holds are
// both bounded, so a server that sends on and on waits on its own side of
// the connection. Redirects are followed, never from HTTPS to HTTP. A body
// framed in a way that cannot be read (a length that is empty, no number or
// given twice differently, a coding other than chunked, a content coding, a
// malformed chunk, a line past its bound however the segments cut it, a
// close by reset where the close ends the body) ends the reply with
// ProtocolFailure and a Chinese reason in errorString(). Goes with its parent.
class HttpGet : public QNetworkReply
{
    Q_OBJECT

public:
    static constexpr int kMaxRedirects = 10;
    // The most of the status line and headers, and of one chunk-size line.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    static constexpr qsizetype kMaxLineBytes = 1024;
    // Interim (1xx) answers before the real one; a server needs one or two.
    static constexpr int kMaxInterimAnswers = 16;
    // The most of the trailer fields after the last chunk, all lines together.
    static constexpr qsizetype kMaxTrailerBytes = 16 * 1024;
    // What the body buffer holds when the reader sets no size of its own.
    static constexpr qint64 kDefaultBufferBytes = 1 << 20;

    HttpGet(const QUrl& url, QObject* parent);
    ~HttpGet() override;

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }
    void setReadBufferSize(qint64 size) override;
    // Whether a failed TLS handshake failed on the server's certificate,
    // not on the encryption both sides could agree on.
    bool certificateRefused() const { return m_certificateRefused; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;

private:
    enum class Part { Head, Length, UntilClose, ChunkSize, ChunkData, ChunkEnd, Trailer, Done };

    void connectTo(const QUrl& url);
    void sendRequest();
    void schedulePump();
    void pump();
    bool step();
    bool takeHead();
    bool takeBody(qint64 most);
    bool takeLine(QByteArray* line, qsizetype most, const QString& tooLong);
    void watchConnection();
    void stopWatching();
    bool peerReset() const;
    qint64 room() const;
    void onSocketError();
    void fail(NetworkError error, const QString& text);
    void finish();

    QTcpSocket* m_socket = nullptr;
    QByteArray m_in; // read from the socket, not yet decoded
    QByteArray m_body; // decoded, not yet read
    Part m_part = Part::Head;
    qint64 m_left = 0; // of the body or the current chunk
    qint64 m_received = 0;
    qint64 m_total = -1;
    int m_redirects = 0;
    int m_interim = 0;
    qsizetype m_trailerBytes = 0;
    // A second descriptor of the connection, which keeps it open once the
    // socket has closed its own: how the connection ended can still be read.
    int m_watch = -1;
    bool m_closed = false;
    bool m_reset = false;
    bool m_certificateRefused = false;
    bool m_pumpQueued = false;
};

// The update's network access. Its GETs over HTTP and HTTPS are HttpGet
// replies: the manager's own HTTP reader copies a chunked body for as long as
// the server sends, past any read buffer bound.
class UpdateNetwork : public QNetworkAccessManager
{
    Q_OBJECT

public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* outgoingData) override;
};

} // namespace update
