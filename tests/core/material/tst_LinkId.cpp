#include "app/Module1.h"
#include "material/ComponentLots.h"
#include "material/LinkId.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QTest>
#include <QThread>
#include <memory>

using Module1::gConn;
using material::LotType;

namespace {

QString todayPrefix(LotType type)
{
    return material::LinkPrefix(type, gConn().serverNow().date());
}

void store(const QString& id)
{
    gConn().exec("insert into component_link (link_id, comp_code, vender_name, update_user, update_time) "
                 "values (?, 'C1', 'V1', 'SYSADMIN', sysdate)",
                 {id});
}

material::Lot lot(const QString& id, const QString& lotNo)
{
    material::Lot l;
    l.linkId = id;
    l.compCode = "C1";
    l.venderName = "V1";
    l.lotNo = lotNo;
    return l;
}

QString lotOf(const QString& id)
{
    return gConn().scalar("select lot_no from component_link where link_id = ?", {id}).toString();
}

struct Saved
{
    QString stored;
    QString lotNo;
};

// One workstation: its own connection, opened and closed in its own thread,
// pressing New and Save as fast as it can.
struct Workstation
{
    explicit Workstation(int n) : number(n) {}
    int number;
    QList<Saved> saved;
    QString failure;

    void run(const db::ConnectionSettings& settings, int lots)
    {
        db::Database conn;
        if (!conn.open(settings, &failure))
            return;
        try {
            for (int i = 0; i < lots; ++i) {
                Saved s;
                const QString proposed = material::NextLinkId(conn, LotType::PCBA);
                s.lotNo = QStringLiteral("W%1-%2").arg(number).arg(i);
                s.stored = material::InsertLot(conn, lot(proposed, s.lotNo), QStringLiteral("WS%1").arg(number));
                saved << s;
            }
        } catch (const std::exception& e) { // db::DbError and LinkIdsUsedUp alike
            failure = QString::fromUtf8(e.what());
        }
    }
};

} // namespace

// Link identifiers: their form, the sequence per type and day, the limit of
// a prefix, and the save that confirms an identifier against other
// workstations, raced from two connections at once.
class LinkIdTest : public testdb::Case
{
    Q_OBJECT

private Q_SLOTS:
    void sequencePerTypeAndServerDay()
    {
        QCOMPARE(material::LinkPrefix(LotType::PCBA, QDate(2026, 12, 5)), QStringLiteral("161205"));
        QCOMPARE(material::LinkPrefix(LotType::FPCA, QDate(2030, 1, 31)), QStringLiteral("000131"));

        // From the server's date (the first of a day: the link screen's New);
        // the types count apart.
        const QString p = todayPrefix(LotType::PCBA);
        for (int i = 1; i <= 9; ++i)
            store(p + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')));
        QCOMPARE(material::NextLinkId(gConn(), LotType::FPCA), todayPrefix(LotType::FPCA) + "0001");
        // Other prefixes play no part, however high.
        store(p.left(5) + QString::number((p.right(1).toInt() + 1) % 10) + "9999");
        store("2" + p.mid(1) + "9999");
        QCOMPARE(material::NextLinkId(gConn(), LotType::PCBA), p + "0010");

        // A gap stays; the highest deleted is given again.
        material::DeleteLot(gConn(), p + "0004");
        QCOMPARE(material::NextLinkId(gConn(), LotType::PCBA), p + "0010");
        material::DeleteLot(gConn(), " " + p + "0009 ");
        QCOMPARE(material::NextLinkId(gConn(), LotType::PCBA), p + "0009");

        // A prefix stored ten years ago on the same day goes on from there.
        QCOMPARE(material::NextAfter("061205", "0612050417"), QStringLiteral("0612050418"));
    }

    void lastSequenceNumberIsRefused()
    {
        const QString p = todayPrefix(LotType::FPCA);
        store(p + "9998");
        QCOMPARE(material::NextLinkId(gConn(), LotType::FPCA), p + "9999");
        QCOMPARE(material::InsertLot(gConn(), lot(p + "9999", "L1"), "U1"), p + "9999");

        // No New after it (the link screen's refusal); a save whose
        // identifier was taken at the limit stores nothing.
        QVERIFY_THROWS_EXCEPTION(material::LinkIdsUsedUp, material::InsertLot(gConn(), lot(p + "9999", "L2"), "U1"));
        QCOMPARE(gConn().count("select count(*) from component_link"), 2);
        // The table is still usable after the refused save's rollback.
        QCOMPARE(material::InsertLot(gConn(), lot(todayPrefix(LotType::PCBA) + "0001", "L3"), "U1"),
                 todayPrefix(LotType::PCBA) + "0001");
    }

    void saveConfirmsTheShownIdentifier()
    {
        const QString p = todayPrefix(LotType::PCBA);
        // Free: stored as shown, trimmed.
        QCOMPARE(material::InsertLot(gConn(), lot(" " + p + "0001", "LOT-A"), "U1"), p + "0001");
        QCOMPARE(lotOf(p + "0001"), QStringLiteral("LOT-A"));

        // Taken meanwhile by another workstation: the next free one is stored.
        store(p + "0002");
        store(p + "0003");
        QCOMPARE(material::InsertLot(gConn(), lot(p + "0002", "LOT-B"), "U2"), p + "0004");
        QCOMPARE(lotOf(p + "0004"), QStringLiteral("LOT-B"));

        // Shown on one day, saved on another: the shown day is kept.
        const QString earlier = "1" + p.mid(1, 3) + "00"; // day 00: never today
        QCOMPARE(material::InsertLot(gConn(), lot(earlier + "0007", "LOT-C"), "U1"), earlier + "0007");
        QCOMPARE(material::InsertLot(gConn(), lot(earlier + "0007", "LOT-D"), "U1"), earlier + "0008");
    }

    // Two workstations registering lots of one type on one day at full speed.
    void twoWorkstationsNeverShareAnIdentifier()
    {
        constexpr int kLots = 200;
        const db::ConnectionSettings s = testdb::lastSettings();
        Workstation a(1);
        Workstation b(2);
        std::unique_ptr<QThread> first(QThread::create([&] { a.run(s, kLots); }));
        std::unique_ptr<QThread> second(QThread::create([&] { b.run(s, kLots); }));
        first->start();
        second->start();
        QVERIFY(first->wait(QDeadlineTimer(240000)));
        QVERIFY(second->wait(QDeadlineTimer(240000)));
        QVERIFY2(a.failure.isEmpty(), qPrintable(a.failure));
        QVERIFY2(b.failure.isEmpty(), qPrintable(b.failure));
        QCOMPARE(a.saved.size(), kLots);
        QCOMPARE(b.saved.size(), kLots);

        // Every lot stored (the key refuses a shared identifier), and each
        // workstation told the identifier its lot is stored under: lots
        // differ, so no two were told the same one.
        QCOMPARE(gConn().count("select count(*) from component_link"), 2 * kLots);
        for (const Saved& x : a.saved + b.saved)
            QCOMPARE(lotOf(x.stored), x.lotNo);
    }
};

TROVA_TEST(LinkIdTest)
#include "tst_LinkId.moc"
