#pragma once

#include <QByteArray>
#include <QString>

// Reads the version the update server publishes. Any failure on the way (no
// answer, an HTTP error, a document without the element) gives the empty text.
namespace versioncheck {

inline constexpr int kDefaultTimeoutMs = 5000;

// The version document's address under the server's base URL.
QString documentUrl(const QString& baseUrl);

// The trimmed text of the first "/root/SoftVersion" element; empty when the
// document cannot be parsed or has no such element.
QString parseVersionDocument(const QByteArray& xml);

// Fetches and parses the document, blocking the caller (its events still run)
// for at most timeoutMs.
QString fetchPublishedVersion(const QString& baseUrl, int timeoutMs = kDefaultTimeoutMs);

} // namespace versioncheck
