#pragma once

#include "update/modZip.h"

namespace testing {

// While it lives, the update code sees a disk with this much free space and
// this block size; a negative free space keeps the real disk's reading.
class SmallDisk
{
public:
    explicit SmallDisk(qint64 free, qint64 blockSize = 4096)
    {
        if (free >= 0)
            m_real = modZip::SetDiskSpaceProbe([=](const QString&) { return modZip::DiskSpace { free, blockSize }; });
    }
    ~SmallDisk()
    {
        if (m_real)
            modZip::SetDiskSpaceProbe(m_real);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

private:
    modZip::DiskSpaceProbe m_real;
};

} // namespace testing
