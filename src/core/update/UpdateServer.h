#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// The update server: the version it publishes, the package and the
// information page, each under the base URL of the settings. Any failure on
// the way to the version (no answer, an HTTP error, a document without the
// element) gives the empty text.
namespace update {

inline constexpr int kDefaultTimeoutMs = 5000;
// The most a version document may hold: it names one version, so a few
// hundred bytes are usual. A longer one counts as unreadable.
inline constexpr qsizetype kMaxVersionDocumentBytes = 8 * 1024;

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
