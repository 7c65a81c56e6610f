#pragma once

#include <QFile>
#include <QStorageInfo>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace testing {

// A folder on a disk of its own that holds `bytes` (a memory file system
// mounted for the test and gone with it), for what a full disk does to the
// program's writes. SmallDisk only changes what the update code reads as free
// space; this disk really fills. Mounting takes the right to mount: without
// it ready() is false and why() says so.
class SmallFolder
{
public:
    explicit SmallFolder(qint64 bytes)
    {
        if (!m_dir.isValid()) {
            m_why = QStringLiteral("no temporary folder");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData())
            != 0) {
            m_why = QStringLiteral("a small disk is mounted for this test, which takes the right to mount: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
    }
    ~SmallFolder()
    {
        if (m_temporary)
            qputenv("TMPDIR", m_tmpdir);
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallFolder(const SmallFolder&) = delete;
    SmallFolder& operator=(const SmallFolder&) = delete;

    bool ready() const { return m_mounted; }
    // Makes the folder the temporary folder (TMPDIR) while it lives.
    void beTemporaryFolder()
    {
        if (!m_temporary)
            m_tmpdir = qgetenv("TMPDIR");
        m_temporary = true;
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    }
    QString why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    // Free bytes now: what the disk holds, less what files (open deleted ones
    // among them) take.
    qint64 free() const { return QStorageInfo(m_dir.path()).bytesFree(); }
    qint64 size() const { return QStorageInfo(m_dir.path()).bytesTotal(); }

private:
    QTemporaryDir m_dir;
    QString m_why;
    bool m_mounted = false;
    bool m_temporary = false;
    QByteArray m_tmpdir;
};

} // namespace testing

// Declares a SmallFolder; the test is skipped where no disk can be mounted.
#define TROVA_SMALL_FOLDER(name, bytes)                                                                          \
    testing::SmallFolder name(bytes);                                                                      \
    if (!name.ready())                                                                                           \
        QSKIP(qPrintable(name.why()));
