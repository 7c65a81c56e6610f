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

// Addresses under the server's base URL; a base given as a bare host
// ("updates.plant:8080") means plain HTTP.
QUrl documentUrl(const QString& baseUrl);
QUrl packageUrl(const QString& baseUrl);
QUrl infoPageUrl(const QString& baseUrl);

// The trimmed text of the first "/root/SoftVersion" element; empty when the
// document cannot be parsed or has no such element.
QString parseVersionDocument(const QByteArray& xml);

// Fetches and parses the document, blocking the caller (its events still run)
// for at most timeoutMs.
QString fetchPublishedVersion(const QString& baseUrl, int timeoutMs = kDefaultTimeoutMs);

} // namespace update
