#pragma once

#include <QObject>
#include <QNetworkReply>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class QSaveFile;

namespace update {

// Fetches the update package into a file. The bytes go to a temporary file
// beside the target, which takes the target's name only when the whole body
// has arrived: a refused connection, an HTTP error, a cut-off body or a
// server that falls silent leaves any earlier file untouched and no partial
// one behind. A body larger than an installable package, or than the free
// space of the target's folder, is refused as soon as it passes that bound.
// The reason of a failure is in Chinese, as the wizard shows it.
class PackageDownload : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultStallMs = 30000;
    // The most the reply holds unread; the server waits beyond it.
    static constexpr qint64 kReadBufferBytes = 1 << 20;

    explicit PackageDownload(QObject* parent = nullptr);
    ~PackageDownload() override;

    void start(const QUrl& url, const QString& targetPath);
    bool isRunning() const { return m_reply != nullptr; }
    // Abandons a running download; finished(false) follows.
    void cancel();

    // How long the server may send nothing before the download fails.
    void setStallTimeout(int ms) { m_stall.setInterval(ms); }

    bool succeeded() const { return m_ok; }
    QString errorText() const { return m_error; }
    qint64 bytesWritten() const { return m_received; }

Q_SIGNALS:
    void progress(qint64 received, qint64 total);
    void finished(bool ok);

private:
    void take(QNetworkReply* reply);
    void refuseTooLarge(QNetworkReply* reply);
    void onFinished();
    void fail(const QString& error);
    QString networkReason(const QNetworkReply* reply) const;

    QNetworkAccessManager* m_manager;
    QUrl m_url;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QSaveFile> m_file;
    QTimer m_stall;
    qint64 m_received = 0;
    qint64 m_limit = 0;
    bool m_limitedBySpace = false;
    bool m_ok = false;
    bool m_cancelled = false;
    QString m_error;
};

} // namespace update
