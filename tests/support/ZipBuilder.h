#pragma once

#include <QByteArray>
#include <QString>

namespace testing {

// Writes zip packages for the update tests, with the entries a real
// package has and the damaged or hostile ones it must not have.
class ZipBuilder
{
public:
    explicit ZipBuilder(const QString& path);
    ~ZipBuilder();

    // A file with Unix permissions.
    ZipBuilder& file(const QString& name, const QByteArray& data, unsigned mode = 0100644)
    {
        return add(name, data, (unsigned long)mode << 16, false);
    }
    // A directory entry (the name ends in "/").
    ZipBuilder& dir(const QString& name) { return add(name, QByteArray(), ((unsigned long)040755 << 16) | 0x10, false); }
    // A directory entry with the given mode, its type bits included.
    ZipBuilder& dir(const QString& name, unsigned mode)
    {
        return add(name, QByteArray(), ((unsigned long)mode << 16) | 0x10, false);
    }
    // An entry marked as a folder by the DOS folder bit alone, with data.
    ZipBuilder& dosFolder(const QString& name, const QByteArray& data) { return add(name, data, 0x10, false); }
    // A file whose stored checksum does not match its bytes.
    ZipBuilder& damagedFile(const QString& name, const QByteArray& data)
    {
        return add(name, data, (unsigned long)0100644 << 16, true);
    }
    // A symbolic link to target.
    ZipBuilder& link(const QString& name, const QByteArray& target)
    {
        return add(name, target, (unsigned long)0120777 << 16, false);
    }
    // Finishes the package; false when it could not be written.
    bool close();

private:
    ZipBuilder& add(const QString& name, const QByteArray& data, unsigned long externalAttributes, bool damaged);

    void* m_zip = nullptr;
    bool m_ok = true;
};

} // namespace testing
