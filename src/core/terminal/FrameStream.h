#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

namespace monitor {

// Cuts the byte stream of one gateway connection into frames. A gateway
// writes each frame by itself, but TCP keeps no frame to one read: a frame
// may arrive in pieces and two frames may arrive in one read.
// - Bytes that end the way a frame ends (CR LF, a key code after 00,
//   FF FF FF FF or bytes whose escape text ends so), with the ending after
//   the terminal number and the type
//   byte, are a frame at once, whatever their byte 0 announced: a gateway
//   need not put a true length into a key, start-up or data frame, and an
//   operator must not wait for bytes that will never come. What byte 0 still
//   announced is dropped if it follows.
// - Byte 0 cuts a read that carries several frames, where it is a plausible
//   length and the bytes end like a frame there.
// - Bytes that do not end like a frame are held for their rest. Fresh bytes
//   that end like a frame exactly where the held piece's byte 0 said are its
//   rest, whatever follows them in the same read. A read that is a frame by
//   itself and not that rest means the gateway has moved on: the held piece
//   is handed on first, alone (it cannot be decoded, so nothing is answered
//   for it).
// - A true frame cut by TCP inside a burst gets its rest at once, at the head
//   of the next read. A held piece without its terminal byte, then after a
//   pause a read that is a frame by itself, is a piece that never finished
//   and a frame of its own: joined, the frame's bytes would name the
//   terminal of the join. A piece that carries its terminal byte is joined
//   as before; its join can only be that terminal's.
// - A piece that gets no bytes for longer than the timeout is handed on, so
//   that nothing is silently lost; its rest, when it comes within another
//   wait, is dropped, so that it never passes for another terminal's frame.
//   The wait is the gateway's: it counts between the bytes' arrivals at the
//   link, not between the times the reader got to them.
// - A piece that grows to 255 bytes without ending like a frame can be no
//   frame: it is handed on as it is and what follows is its rest, dropped up
//   to and including the next frame ending (or until the bytes pause for the
//   timeout), so that the middle of an overlong frame never passes for a
//   frame of the terminal its byte 7 happens to name.
// - Where a frame's byte 0 announced more than the bytes that ended like a
//   frame, what follows and begins with a plausible length is dropped only
//   once it ends where that byte said; until then it may as well be the
//   head of a frame with a true byte 0, and the first of the two to end
//   where its byte 0 says wins.
// At most one unfinished piece (under 255 bytes) is held.
class FrameStream
{
public:
    using Clock = std::function<qint64()>; // milliseconds, monotonic

    static constexpr qint64 kDefaultTimeoutMs = 2000;
    // Longest frame a length byte can announce.
    static constexpr qsizetype kMaxFrame = 255;
    // Shortest frame: the eight header bytes and a two-byte ending.
    static constexpr qsizetype kShortestFrame = 10;
    // The rest of a frame that TCP cut comes within this of its head; a
    // later read that is a frame by itself is not taken for the rest of a
    // head too short to name its terminal.
    static constexpr qint64 kAtOnceMs = 200;

    explicit FrameStream(Clock clock = {}, qint64 timeoutMs = kDefaultTimeoutMs);

    // The whole frames completed by these bytes, in order; a piece that
    // waited past the timeout comes first, on its own. The first and the
    // last of the bytes reached the link at the times given, on the stream's
    // clock: a reader kept from them meanwhile may get many writes at once.
    QList<QByteArray> feed(const QByteArray& bytes, qint64 firstArrival, qint64 lastArrival);
    QList<QByteArray> feed(const QByteArray& bytes) { return feed(bytes, m_clock(), m_clock()); }
    // The waiting piece, when no bytes came for longer than the timeout up
    // to the time given; for a caller that looks in without new bytes (a
    // timer).
    QList<QByteArray> takeStale(qint64 upTo);
    QList<QByteArray> takeStale() { return takeStale(m_clock()); }
    qint64 now() const { return m_clock(); }
    // For a connection about to be closed: the waiting piece goes, unless it
    // ends like a frame. A piece that does not was never delivered whole (a
    // link cut between a data frame's CR and its LF among them).
    QList<QByteArray> flush();

    // Bytes waiting for the rest of their frame.
    qsizetype pending() const { return m_buffer.size(); }
    void clear();

    // True when the bytes end the way a frame of any kind ends, with the
    // ending after byte 7.
    static bool endsLikeFrame(QByteArrayView bytes);
    // The length of the whole frame the bytes begin with (byte 0 a plausible
    // length, the bytes up to it ending like a frame); 0 when they do not.
    static qsizetype leadingFrame(QByteArrayView bytes);
    // How many bytes the frame the bytes begin with still lacks by its byte
    // 0; 0 when byte 0 is no plausible length or announces no more.
    static qsizetype announcedRest(QByteArrayView bytes);

private:
    // How many of the fresh bytes continue a piece (its last bytes at
    // least), held or handed on, that lacks `rest` bytes (0: its length is
    // unknown); 0 when they are no part of it.
    static qsizetype continuation(QByteArrayView fresh, QByteArrayView piece, qsizetype rest, bool handedOn,
                                  bool pieceEndsLikeFrame);
    // The piece goes on short of its length: its rest is dropped if it comes.
    void owe(QByteArrayView piece, bool pieceEndsLikeFrame, qint64 now);
    QList<QByteArray> handOnHeld(qint64 now);
    // Drops from fresh what is left of an overlong piece, up to its end.
    void dropOverlongRest(QByteArrayView& fresh, qint64 firstArrival, qint64 now);

    Clock m_clock;
    qint64 m_timeoutMs;
    QByteArray m_buffer;
    bool m_heldMayBeOwed = false; // the held bytes may be what m_owed counts
    qint64 m_since = 0; // when the held piece last grew
    qsizetype m_owed = 0;
    qint64 m_owedSince = 0;
    bool m_owedEndsLikeFrame = false;
    QByteArray m_owedTail; // the last bytes of the piece, for an ending cut there
    bool m_overlong = false; // the rest of an overlong piece is being dropped
    qint64 m_overlongSince = 0;
    QByteArray m_overlongTail; // its last bytes, for an ending cut by a read
};

} // namespace monitor
