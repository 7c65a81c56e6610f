#include "MainPlacement.h"

#include <algorithm>
#include <cmath>

namespace mainplacement {

float storedTwips(const QVariant& stored)
{
    if (!stored.isValid())
        return kDefaultTwips;
    bool ok = false;
    const float v = stored.toString().trimmed().toFloat(&ok);
    return ok && std::isfinite(v) ? v : kDefaultTwips;
}

bool maximise(int screenHeightPixels)
{
    return qint64(screenHeightPixels) * kTwipsPerPixel < kHeightTwips;
}

int toPixels(float twips)
{
    // Far off-screen values still give a position, not an overflow.
    return int(std::lround(std::clamp(twips, -1.0e7f, 1.0e7f) / float(kTwipsPerPixel)));
}

} // namespace mainplacement
