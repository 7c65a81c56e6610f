// Arbitrary gateway bytes through the stream cutter and the frame decoder.
// The first byte of the input chooses how the rest is cut into reads, so
// split and joined frames are reached as well as whole ones.
#include "terminal/FrameCodec.h"
#include "terminal/FrameStream.h"

#include <cstdint>
#include <cstdlib>

using namespace monitor;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void decodeOne(const QByteArray& frame)
{
    const DecodedFrame d = Decode(frame);
    if (frame.size() < kMinFrame) {
        check(d.kind == DecodedFrame::Kind::Abandoned);
        return;
    }
    check(d.terminal >= 0 && d.terminal <= 255);
    // The escape text is plain printable text, never shorter than the frame.
    check(d.escapeText.size() >= frame.size());
    for (QChar c : d.escapeText)
        check(c.unicode() >= 32 && c.unicode() < 128);
    switch (d.kind) {
    case DecodedFrame::Kind::Key:
        check(d.keyName.size() == 2 && d.keyName.at(0) == QLatin1Char('F'));
        break;
    case DecodedFrame::Kind::Data:
        // The payload ends at the first CR, and "\0D" stands for nothing else.
        check(!d.payload.contains(QLatin1String("\\0D")));
        check(d.hasPayload == (frame.indexOf('\r', kPayloadStart) >= kPayloadStart));
        check(d.hasPayload || d.payload.isEmpty());
        check(d.escapeText.contains(d.payload));
        break;
    default:
        break;
    }
    // Every answer stays a well-formed frame, whatever was scanned.
    const QByteArray out = DisplayFrame(d.payload, d.terminal);
    check(out.size() <= 255 && static_cast<unsigned char>(out.at(0)) == out.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray all(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    decodeOne(all);

    const int step = 1 + data[0] % 32;
    const bool stale = data[0] & 0x80;
    qint64 now = 0;
    FrameStream stream([&] { return now; }, 100);
    for (qsizetype at = 0; at < all.size(); at += step) {
        const QList<QByteArray> frames = stream.feed(all.mid(at, step));
        for (const QByteArray& f : frames) {
            check(!f.isEmpty());
            decodeOne(f);
        }
        check(stream.pending() < 255);
        now += stale ? 150 : 1;
    }
    // Whatever is left is handed on once it has waited, never kept.
    now += 1000;
    for (const QByteArray& f : stream.takeStale())
        decodeOne(f);
    check(stream.pending() == 0);
    return 0;
}
