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
    ZipBuilder& file(const QString& name, const QByteArray& data, unsigned mode = 0100644);
    // A directory entry (the name ends in "/").
    ZipBuilder& dir(const QString& name);
    // A file whose stored checksum does not match its bytes.
    ZipBuilder& damagedFile(const QString& name, const QByteArray& data);
    // A symbolic link to target.
    ZipBuilder& link(const QString& name, const QByteArray& target);
    // Finishes the package; false when it could not be written.
    bool close();

private:
    ZipBuilder& add(const QString& name, const QByteArray& data, unsigned long externalAttributes, bool damaged);

    void* m_zip = nullptr;
    bool m_ok = true;
};

} // namespace testing
