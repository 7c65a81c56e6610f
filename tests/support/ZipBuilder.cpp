#include "ZipBuilder.h"

#include <QFile>

#include <minizip/zip.h>
#include <zlib.h>

namespace testing {

namespace {
constexpr unsigned long kMadeOnUnix = (3u << 8) | 20u;
}

ZipBuilder::ZipBuilder(const QString& path)
    : m_zip(zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE))
{
    m_ok = m_zip != nullptr;
}

ZipBuilder::~ZipBuilder()
{
    close();
}

ZipBuilder& ZipBuilder::add(const QString& name, const QByteArray& data, unsigned long externalAttributes,
                            bool damaged)
{
    if (!m_zip)
        return *this;
    zip_fileinfo info{};
    info.tmz_date = {0, 0, 12, 1, 0, 2026};
    info.external_fa = externalAttributes;
    const QByteArray n = name.toUtf8();
    // A damaged entry is stored raw, so its checksum can be given wrong.
    const int method = damaged ? 0 : Z_DEFLATED;
    if (zipOpenNewFileInZip4_64(m_zip, n.constData(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                damaged ? 0 : Z_DEFAULT_COMPRESSION, damaged ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, kMadeOnUnix, 1u << 11, 0)
        != ZIP_OK) {
        m_ok = false;
        return *this;
    }
    if (!data.isEmpty() && zipWriteInFileInZip(m_zip, data.constData(), unsigned(data.size())) != ZIP_OK)
        m_ok = false;
    if (damaged) {
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
        if (zipCloseFileInZipRaw(m_zip, uLong(data.size()), crc ^ 0x5a5a5a5aUL) != ZIP_OK)
            m_ok = false;
    } else if (zipCloseFileInZip(m_zip) != ZIP_OK) {
        m_ok = false;
    }
    return *this;
}

bool ZipBuilder::close()
{
    if (m_zip) {
        if (zipClose(m_zip, nullptr) != ZIP_OK)
            m_ok = false;
        m_zip = nullptr;
    }
    return m_ok;
}

} // namespace testing
