#pragma once

#include <QFile>
#include <QtGlobal>
#include <minizip/unzip.h>
#include <optional>
#include <zlib.h>

// One entry of a zip archive read as its directory declares it, for the
// update package and the .xlsx workbook alike. The sizes come from the
// zip64 extra field where the 32-bit fields say so (minizip on a 64-bit
// system does not read it), and the entry must inflate to exactly its
// declared size and checksum, its compressed stream ending where the
// directory says.
namespace archive {

struct EntryInfo
{
    unz_file_info64 info{};
    quint64 compressedSize = 0;
    quint64 size = 0; // inflated
    bool encrypted = false;
};

// The current entry's record with its true sizes; nothing when its
// directory record or zip64 extra field is damaged.
std::optional<EntryInfo> currentEntry(unzFile zip);

class EntryReader
{
public:
    enum class Fault { None, Encrypted, Method, Damaged, Short, Long, Checksum };

    // Opens the current entry of zip; archive is the same file, opened for
    // reading, from which the compressed bytes are taken.
    EntryReader(unzFile zip, QFile& archive, const EntryInfo& entry);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // The next inflated bytes; 0 once the entry has ended as declared, -1
    // once fault() is set.
    qint64 read(char* data, qint64 maxSize);
    Fault fault() const { return m_fault; }
    quint64 produced() const { return m_produced; }

private:
    qint64 fail(Fault f);
    bool refill();

    QFile& m_archive;
    EntryInfo m_entry;
    z_stream m_z{};
    bool m_inflating = false;
    bool m_ended = false;
    Fault m_fault = Fault::None;
    quint64 m_compressedLeft = 0;
    quint64 m_produced = 0;
    uLong m_crc = 0;
    char m_in[65536];
};

} // namespace archive
