#include "DbRows.h"
#include "app/Module1.h"
#include "layout/SlotTree.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QTest>

using Module1::gConn;
using namespace layout;

namespace {

// Stored rows of a machine as "md_id|slot_id", in key order.
QStringList stored(const QString& machine)
{
    return testing::queryRows("select md_id, slot_id from slot_info where mc_id = ? order by md_id, slot_id",
                              {machine});
}

// A tree whose modules hold 3, 1 and 2 slots.
SlotTree unequalTree()
{
    return treeFromRows("MCX", {{"S01", "MOD01", "MCX"},
                                {"S02", "MOD01", "MCX"},
                                {"S03", "MOD01", "MCX"},
                                {"S01", "MOD02", "MCX"},
                                {"S01", "MOD03", "MCX"},
                                {"S02", "MOD03", "MCX"}});
}

} // namespace

// The generator's texts and keys and the count boxes' arithmetic. (The
// prefix of three is the slot screen's.)
class SlotGeneratorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void generatorTexts_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<int>("prefix");
        QTest::addColumn<QString>("first");
        QTest::newRow("1") << "ABCDEF" << 1 << "A001";
        QTest::newRow("5") << "ABCDEF" << 5 << "ABCDE001";
        QTest::newRow("5 on a short id") << "AB" << 5 << "AB001";
    }
    void generatorTexts()
    {
        QFETCH(QString, machine);
        QFETCH(int, prefix);
        QFETCH(QString, first);
        const SlotTree t = generateTree(machine, prefix, 2, 3);
        QCOMPARE(t.modules.size(), 2);
        QCOMPARE(t.modules[0].text, first);
        const QString p = first.chopped(3);
        QCOMPARE(t.modules[1].text, p + "002");
        // Slot numbers restart in every module, so slots look like modules.
        QCOMPARE(t.modules[1].slots.size(), 3);
        QCOMPARE(t.modules[1].slots.first().text, first);
        QCOMPARE(t.modules[1].slots.last().text, p + "003");
    }

    void generatorKeysAndPadding()
    {
        const SlotTree t = generateTree("ABCDEF", 3, 12, 2);
        QCOMPARE(t.modules[11].key + " " + t.modules[11].text, QStringLiteral("M12 ABC012"));
        // Slot keys run on over the whole tree, also in a tree of stored rows.
        QCOMPARE(t.modules[1].slots[0].key, QStringLiteral("S3"));
        QCOMPARE(t.modules[11].slots[1].key, QStringLiteral("S24"));
        QCOMPARE(unequalTree().modules[2].slots[1].key, QStringLiteral("S6"));
        QCOMPARE(numberedId("ABCDEF", 3, 1000), QStringLiteral("ABC1000")); // at least three digits, never cut
    }

    void countBoxes()
    {
        QCOMPARE(readWholeNumber("2.5"), std::optional<int>(2)); // halves to even
        QCOMPARE(readWholeNumber("3.5"), std::optional<int>(4));
        QCOMPARE(readWholeNumber("x"), std::nullopt);
        QCOMPARE(readWholeNumber("40000"), std::nullopt);

        QCOMPARE(stepCount("2.5", 1, kMaxSlots), QStringLiteral("3")); // limits: through the screen

        QCOMPARE(loadedCounts(SlotTree{"M", {}}).has_value(), false);
        QCOMPARE(loadedCounts(generateTree("M", 3, 2, 3))->slots, QStringLiteral("3"));
        SlotTree ten = generateTree("M", 3, 3, 3);
        ten.modules[0].slots.append(SlotNode{"S10", "M010"});
        QCOMPARE(loadedCounts(ten)->slots, QStringLiteral("3.3"));
    }
};

// The tree's way into slot_info and back, on both engines.
class SlotStoreTest : public testdb::Case
{
    Q_OBJECT

private Q_SLOTS:
    void saveAndLoadRoundTrip()
    {
        gConn().exec("insert into slot_info (slot_id, md_id, mc_id, update_user, update_time) "
                     "values ('OLD', 'OLD', 'MCX', 'U', sysdate), ('KEEP', 'KEEP', 'MCY', 'U', sysdate)");
        QCOMPARE(saveTree(gConn(), unequalTree(), "SYSADMIN").has_value(), false);
        QCOMPARE(stored("MCY"), QStringList({"KEEP|KEEP"})); // other machines untouched
        QCOMPARE(loadTree(gConn(), "MCX"), unequalTree());

        // A smaller tree replaces the whole machine.
        QVERIFY(!saveTree(gConn(), generateTree("MCX", 3, 1, 2), "SYSADMIN"));
        QCOMPARE(stored("MCX"), QStringList({"MCX001|MCX001", "MCX001|MCX002"}));
        QCOMPARE(loadTree(gConn(), "NONE"), (SlotTree{"NONE", {}}));
    }

    // A slot text too long is the screen's test.
    void failedSaveKeepsThePreviousSlots()
    {
        QVERIFY(!saveTree(gConn(), generateTree("MCX", 3, 2, 2), "SYSADMIN"));
        const QStringList before = stored("MCX");

        SlotTree bad = generateTree("MCX", 3, 1, 3);
        bad.modules[0].slots[2].text = "MCX002"; // the third slot repeats one: the first two were written
        const auto failure = saveTree(gConn(), bad, "SYSADMIN");
        QVERIFY(failure.has_value());
        QCOMPARE(failureMessage(*failure), QStringLiteral("MCX002 already exist."));
        QCOMPARE(stored("MCX"), before);

        // No transaction is left open: a write now is seen by another connection.
        gConn().exec("insert into line_info (line_id, line_desc, update_user, update_time) "
                     "values ('L9', 'x', 'U', sysdate)");
        {
            db::Database other;
            QVERIFY(other.open(testdb::lastSettings()));
            QCOMPARE(other.count("select count(*) from line_info where line_id = 'L9'"), 1);
            QCOMPARE(other.count("select count(*) from slot_info where mc_id = 'MCX'"), before.size());
        }
        QCOMPARE(failureMessage({db::ErrorKind::ConnectionLost, "S1", "server gone"}), QStringLiteral("server gone"));
    }
};

TROVA_TEST(SlotGeneratorTest)
TROVA_TEST(SlotStoreTest)
#include "tst_SlotTree.moc"
