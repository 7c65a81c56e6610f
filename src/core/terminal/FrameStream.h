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
//   rest, whatever follows them in the same read. A read that is a whole
//   frame by its own byte 0 and not that rest means the gateway has moved
//   on: the held piece is handed on first, alone (it cannot be decoded, so
//   nothing is answered for it). Any other read can only be the rest, also
//   where it ends like a frame: the rest of a frame cut after its first
//   bytes, or of one without a true byte 0, ends so.
// - A lost segment resent comes 0.2 s and more after the bytes before it,
//   so a pause says little: where the bytes cannot tell a late rest from
//   the next frame, the rest wins, as the true frame of the two. But after
//   a pause, a read that is a whole frame by its own byte 0 and repeats the
//   header bytes the piece began with is the gateway's next frame, also
//   where it is as long as the piece's rest: a gateway writes the same
//   header bytes into its frames, and a rest would repeat them only by
//   chance. So is a read that ends like a frame and repeats all six header
//   bytes of a piece that carries them.
// - A piece that gets no bytes for longer than the timeout is handed on, so
//   that nothing is silently lost; its rest, when it comes within another
//   wait, is dropped, so that it never passes for another terminal's frame
//   (a frame that repeats the piece's header bytes is no such rest).
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
    // The rest of a frame that TCP cut inside a burst comes within this of
    // its head; later, a frame that repeats the head's header bytes is the
    // gateway's next one.
    static constexpr qint64 kAtOnceMs = 200;
    // Bytes 0 to 6: the length and the header bytes before the terminal's.
    static constexpr qsizetype kHeaderEnd = 7;

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
    // The bytes begin with a frame by their byte 0 and end like a frame: a
    // frame, or frames, written by themselves.
    static bool wholeByItsByte0(QByteArrayView bytes);
    // The fresh bytes are a whole frame by their own byte 0 with the header
    // bytes (1 to 6) that the piece's head carries, at least one of them; or
    // end like a frame with all six of them.
    static bool nextFrameOfGateway(QByteArrayView fresh, QByteArrayView head);

private:
    // How many of the fresh bytes continue a piece (its last bytes at
    // least), held or handed on, that lacks `rest` bytes (0: its length is
    // unknown); 0 when they are no part of it.
    // `head` is the piece's first bytes, `afterPause` whether the fresh
    // bytes came more than kAtOnceMs after it.
    static qsizetype continuation(QByteArrayView fresh, QByteArrayView piece, QByteArrayView head, qsizetype rest,
                                  bool handedOn, bool pieceEndsLikeFrame, bool afterPause);
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
    QByteArray m_owedHead; // its first bytes, up to the terminal byte
    bool m_overlong = false; // the rest of an overlong piece is being dropped
    qint64 m_overlongSince = 0;
    QByteArray m_overlongTail; // its last bytes, for an ending cut by a read
};

} // namespace monitor
