#pragma once

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace testing {

// A folder on a disk of its own that holds `bytes` and really fills (a
// memory file system mounted for the test; SmallDisk only changes what the
// update code reads as free space). Mounting takes the right to mount:
// without it ready() is false and why() says so.
class SmallFolder
{
public:
    explicit SmallFolder(qint64 bytes)
    {
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        m_mounted = m_dir.isValid()
                    && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                               options.constData())
                           == 0;
        if (!m_mounted)
            m_why = QStringLiteral("no small disk can be mounted: %1").arg(QString::fromLocal8Bit(strerror(errno)));
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
    QString why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    // No file in it, and none (open deleted ones included) takes any of it.
    bool empty() const
    {
        const QStorageInfo disk(path());
        return QDir(path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
               && disk.bytesFree() == disk.bytesTotal();
    }
    // The folder is the temporary folder (TMPDIR) while it lives.
    void beTemporaryFolder()
    {
        m_tmpdir = m_temporary ? m_tmpdir : qgetenv("TMPDIR");
        m_temporary = true;
        qputenv("TMPDIR", QFile::encodeName(path()));
    }

private:
    QTemporaryDir m_dir;
    QString m_why;
    bool m_mounted = false;
    bool m_temporary = false;
    QByteArray m_tmpdir;
};

} // namespace testing

// A SmallFolder, or the test skipped where none can be mounted.
#define TROVA_SMALL_FOLDER(name, bytes)                                                                          \
    testing::SmallFolder name(bytes);                                                                            \
    if (!name.ready())                                                                                           \
        QSKIP(qPrintable(name.why()));
