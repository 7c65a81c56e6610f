#include "archive/ZipEntry.h"

#include <algorithm>
#include <vector>

namespace archive {

namespace {

constexpr quint64 kWide = 0xFFFFFFFFu;
constexpr quint16 kZip64Field = 0x0001;
constexpr unsigned long kEncryptedFlag = 0x1;

quint64 little(const std::vector<char>& b, size_t at, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[at + size_t(i)]);
    return v;
}

} // namespace

std::optional<EntryInfo> currentEntry(unzFile zip)
{
    EntryInfo e;
    if (unzGetCurrentFileInfo64(zip, &e.info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return std::nullopt;
    std::vector<char> extra(e.info.size_file_extra);
    if (!extra.empty()
        && unzGetCurrentFileInfo64(zip, &e.info, nullptr, 0, extra.data(), uLong(extra.size()), nullptr, 0) != UNZ_OK)
        return std::nullopt;
    e.size = e.info.uncompressed_size;
    e.compressedSize = e.info.compressed_size;
    e.encrypted = e.info.flag & kEncryptedFlag;
    const bool wideSize = e.size == kWide;
    const bool wideCompressed = e.compressedSize == kWide;
    if (!wideSize && !wideCompressed)
        return e;
    // The zip64 field holds the 64-bit values of exactly the fields that
    // say 0xFFFFFFFF, in this order.
    for (size_t at = 0; at + 4 <= extra.size();) {
        const quint16 id = quint16(little(extra, at, 2));
        const size_t length = size_t(little(extra, at + 2, 2));
        at += 4;
        if (at + length > extra.size())
            return std::nullopt;
        if (id == kZip64Field) {
            const size_t end = at + length;
            if (wideSize) {
                if (at + 8 > end)
                    return std::nullopt;
                e.size = little(extra, at, 8);
                at += 8;
            }
            if (wideCompressed) {
                if (at + 8 > end)
                    return std::nullopt;
                e.compressedSize = little(extra, at, 8);
            }
            break;
        }
        at += length;
    }
    return e;
}

EntryReader::EntryReader(unzFile zip, QFile& archive, const EntryInfo& entry) : m_archive(archive), m_entry(entry)
{
    m_crc = crc32(0L, Z_NULL, 0);
    if (entry.encrypted) {
        m_fault = Fault::Encrypted;
        return;
    }
    const unsigned long method = entry.info.compression_method;
    if (method != 0 && method != Z_DEFLATED) {
        m_fault = Fault::Method;
        return;
    }
    // minizip checks the local header and finds where the data begin; the
    // bytes are counted here, by the sizes read above.
    int m = 0;
    int level = 0;
    if (unzOpenCurrentFile2(zip, &m, &level, 1) != UNZ_OK) {
        m_fault = Fault::Damaged;
        return;
    }
    const ZPOS64_T at = unzGetCurrentFileZStreamPos64(zip);
    unzCloseCurrentFile(zip);
    if (at == 0 || !m_archive.seek(qint64(at))) {
        m_fault = Fault::Damaged;
        return;
    }
    m_compressedLeft = entry.compressedSize;
    if (method == Z_DEFLATED) {
        if (inflateInit2(&m_z, -MAX_WBITS) != Z_OK) {
            m_fault = Fault::Damaged;
            return;
        }
        m_inflating = true;
    }
}

EntryReader::~EntryReader()
{
    if (m_inflating)
        inflateEnd(&m_z);
}

qint64 EntryReader::fail(Fault f)
{
    m_fault = f;
    return -1;
}

bool EntryReader::refill()
{
    const qint64 want = qint64(std::min<quint64>(sizeof m_in, m_compressedLeft));
    if (m_archive.read(m_in, want) != want)
        return false;
    m_compressedLeft -= quint64(want);
    m_z.next_in = reinterpret_cast<Bytef*>(m_in);
    m_z.avail_in = uInt(want);
    return true;
}

qint64 EntryReader::read(char* data, qint64 maxSize)
{
    if (m_fault != Fault::None)
        return -1;
    if (m_ended || maxSize <= 0)
        return 0;
    const quint64 room = m_entry.size - m_produced;
    const quint64 chunk = std::min<quint64>({quint64(maxSize), room, quint64(1) << 30});
    if (!m_inflating) {
        // Stored: the compressed bytes are the entry.
        if (m_compressedLeft == 0) {
            if (m_produced != m_entry.size)
                return fail(Fault::Short);
            m_ended = true;
            return m_crc == m_entry.info.crc ? 0 : fail(Fault::Checksum);
        }
        if (room == 0)
            return fail(Fault::Long);
        const qint64 want = qint64(std::min<quint64>(chunk, m_compressedLeft));
        if (m_archive.read(data, want) != want)
            return fail(Fault::Damaged);
        m_compressedLeft -= quint64(want);
        m_produced += quint64(want);
        m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(data), uInt(want));
        return want;
    }
    for (;;) {
        if (m_z.avail_in == 0 && m_compressedLeft > 0 && !refill())
            return fail(Fault::Damaged);
        // With the declared bytes out, one spare byte tells whether the
        // stream goes on.
        char spare = 0;
        const uInt space = room > 0 ? uInt(chunk) : 1;
        m_z.next_out = reinterpret_cast<Bytef*>(room > 0 ? data : &spare);
        m_z.avail_out = space;
        const int rc = inflate(&m_z, Z_NO_FLUSH);
        const uInt got = space - m_z.avail_out;
        if (room == 0 && got > 0)
            return fail(Fault::Long);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            return fail(Fault::Damaged);
        m_produced += got;
        m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(data), got);
        if (rc == Z_STREAM_END) {
            if (m_z.avail_in != 0 || m_compressedLeft != 0)
                return fail(Fault::Long);
            if (m_produced != m_entry.size)
                return fail(Fault::Short);
            if (m_crc != m_entry.info.crc)
                return fail(Fault::Checksum);
            m_ended = true;
            return got;
        }
        if (got > 0)
            return got;
        if (m_z.avail_in == 0 && m_compressedLeft == 0)
            return fail(m_produced < m_entry.size ? Fault::Short : Fault::Long);
    }
}

} // namespace archive
