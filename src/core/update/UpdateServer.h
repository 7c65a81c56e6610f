#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

class QNetworkReply;

// The update server: the version it publishes, the package and the
// information page, each under the base URL of the settings. Any failure on
// the way to the version (no answer, an HTTP error, a document without the
// element) gives the empty text.
namespace update {

inline constexpr int kDefaultTimeoutMs = 5000;
// The most a version document may hold: it names one version, so a few
// hundred bytes are usual. A longer one counts as unreadable.
inline constexpr qsizetype kMaxVersionDocumentBytes = 8 * 1024;
// The most the information page may hold: a page of text, not a stream,
// and no more than the wizard's text browser lays out at once.
inline constexpr qsizetype kMaxInfoPageBytes = 64 * 1024;

// Collects a reply's body up to a bound, however fast or long the server
// sends: the reply's own buffer is held to the bound, and a body that passes
// it (or a length announced past it) aborts the reply. Goes with the reply.
class BoundedBody : public QObject
{
public:
    BoundedBody(QNetworkReply* reply, qsizetype most);
    // Once the reply has finished: the whole body, or nothing when the reply
    // failed or the body passed the bound.
    std::optional<QByteArray> body();

private:
    void take();
    void refuse();

    QNetworkReply* m_reply;
    qsizetype m_most;
    QByteArray m_data;
    bool m_tooLarge = false;
};

// Addresses under the server's base URL; a base given as a bare host
// ("updates.plant:8080") means plain HTTP.
QUrl documentUrl(const QString& baseUrl);
QUrl packageUrl(const QString& baseUrl);
QUrl infoPageUrl(const QString& baseUrl);

// The trimmed text of the first "/root/SoftVersion" element; empty when the
// document cannot be parsed or has no such element.
QString parseVersionDocument(const QByteArray& xml);

// Fetches and parses the document, blocking the caller (its events still run)
// for at most timeoutMs. A document longer than kMaxVersionDocumentBytes is
// abandoned as soon as it passes the bound and gives the empty text.
QString fetchPublishedVersion(const QString& baseUrl, int timeoutMs = kDefaultTimeoutMs);

} // namespace update
