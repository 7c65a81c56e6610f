#include "DbRows.h"
#include "SimGateway.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "terminal/ScanDialogue.h"

#include <QTest>

using namespace monitor;
using gwsim::dataFrame;
using gwsim::keyFrame;
using gwsim::startupFrame;
using Module1::gConn;

namespace {

const QString kGw = "10.0.0.5";
const QString kGw2 = "10.0.0.6";

struct Recorder : TerminalLink {
    QList<QByteArray> sent;
    bool sendFrame(const QByteArray& f, QString*) override
    {
        sent << f;
        return true;
    }
};

using Frames = QList<QByteArray>;

Frames show(const QString& text, int terminal = 5) { return { DisplayFrame(text, terminal) }; }
Frames reject(const QString& text, int terminal = 5)
{
    return { DisplayFrame(text, terminal), SignalFrame(true, terminal) };
}

void insertSetUp()
{
    using Rows = QList<QVariantList>;
    const QList<std::pair<const char*, Rows>> tables = {
        { "insert into user_list (user_id, user_name) values (?, 'x')", { { "U1" }, { "O'NEIL" } } },
        { "insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) values (?, 'PRJ', ?, ?, ?, ?)",
            { { "L1", "P1", "M1", kGw, "005" }, { "L1", "P1", "M1", kGw, "012" }, { "L1", "P3", "M1", kGw, "012" },
                { "L2", "P2", "M9", kGw2, "005" } } },
        { "insert into slot_link (link_no, mc_id, md_id, slot_code) values (?, ?, ?, ?)",
            { { "B1", "M1", "MD1", "S1" }, { "B2", "M1", "MD1", "S2" }, { "B9", "M9", "MD9", "S9" } } },
        { "insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) values (?, ?, ?, ?, ?, ?)",
            { { "L1", "P1", "M1", "MD1", "S1", "C100" }, { "L1", "P1", "M1", "MD1", "S2", "C200" },
                { "L2", "P2", "M9", "MD9", "S9", "C100" } } },
        { "insert into component_link (link_id, comp_code, vender_comp, vender_name, vender_desc, lot_no, ship_date, "
          "rt_no) values (?, ?, 'VC', ?, 'VD', ?, ?, ?)",
            { { "LK1", "C100", "V1", "LOT1", "2401", "RT1" }, { "LK2", "C200", "V2", "LOT2", "2402", "RT2" },
                { "LK3", "c100", "V3", "LOT3", "2403", "RT3" }, { "LK'4", "C100", "V4", "LOT4", "2404", "RT4" },
                { "A\\5CB", "C200", "V5", "", "", "" } } },
        { "insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check) "
          "values ('PRJ', 'P1', 'G1', 'C100', 'R1,R2', 'Y')",
            { {} } },
    };
    for (const auto& [sql, rows] : tables)
        for (const QVariantList& values : rows)
            gConn().exec(QString::fromLatin1(sql), values);
}

// A table in place of the derived view, for the cases the view cannot give.
void linkTable(const QList<QStringList>& rows)
{
    gConn().exec("drop view dt200_link_info");
    gConn().exec("create table dt200_link_info (link_no varchar(8), gw21_ip varchar(15), dt200_id varchar(8), "
                 "part_no varchar(20))");
    for (const QStringList& r : rows)
        gConn().exec("insert into dt200_link_info (link_no, gw21_ip, dt200_id, part_no) values (?, ?, ?, ?)",
            { r[0], r[1], r[2], r[3] });
}

} // namespace

// The scan dialogue of the terminals against the set-up, with the frames each
// scan is answered with and the records it leaves.
class ScanDialogueTest : public testdb::Case {
    Q_OBJECT

    TerminalTable table;
    std::unique_ptr<ScanDialogue> dialogue;
    Recorder link;
    FrameResult last;

    Frames scan(const QByteArray& frame, const QString& gw = kGw)
    {
        link.sent.clear();
        last = dialogue->ProcessTerminalData(frame, gw, link);
        return link.sent;
    }
    Frames scan(const char* text, int terminal = 5, const QString& gw = kGw)
    {
        return scan(dataFrame(terminal, text), gw);
    }
    // F7, user, part number, initialisation: at the panel or slot step.
    void start(const char* init, int terminal = 5)
    {
        scan(keyFrame(terminal, 7));
        scan("U1", terminal);
        scan("P1", terminal);
        scan(init, terminal);
    }
    TerminalInfo& t5() { return table.row(table.FindDevice(5, kGw)); }
    qlonglong rows(const char* table) { return gConn().count(QString("select count(*) from %1").arg(table)); }

    void prepare() override
    {
        insertSetUp();
        table.clear();
        QCOMPARE(table.LoadDevices(gConn()).loaded, 3);
        dialogue = std::make_unique<ScanDialogue>(gConn(), table);
    }

private Q_SLOTS:
    // Every step's answers; quotes and backslashes in scans are data.
    void everyStepAcceptsAndRejects()
    {
        const Frames f4Prompt = Frames { SignalFrame(false, 5) };
        struct Step {
            QByteArray frame;
            Frames answer;
            int code;
        };
        const QList<Step> walk = {
            { keyFrame(5, 7), show("User:"), 0 }, { dataFrame(5, "U2"), reject("Invalid User ID"), 1 },
            { keyFrame(5, 4), show("User:") + f4Prompt, 0 }, { dataFrame(5, "O'NEIL"), show("Part No:"), 0 },
            { dataFrame(5, "P2"), reject("Invalid Part No"), 2 }, // built on another gateway's terminal
            { dataFrame(5, "P3"), reject("Invalid Part No"), 2 }, // on another terminal of this gateway
            { dataFrame(5, "P1' --"), reject("Invalid Part No"), 2 },
            { dataFrame(5, "P1"), show("Initialization:"), 0 },
            { dataFrame(5, "2"), reject("Invalid Initialization"), 3 },
            { dataFrame(5, "Y"), reject("Invalid Initialization"), 3 },
            { dataFrame(5, ""), reject("Invalid Initialization"), 3 }, { dataFrame(5, "1.0"), show("Panel No:"), 0 },
            { dataFrame(5, "A12"), reject("Invalid Panel"), 4 },
            { dataFrame(5, "12"), show("Machine/Module/Slot:"), 0 },
            { dataFrame(5, "B9"), reject("Invalid Machine/Module/Slot"), 5 },
            { dataFrame(5, "B1' or '1'='1"), reject("Invalid Machine/Module/Slot"), 5 },
            { dataFrame(5, "B1"), show("Component:"), 0 }, { keyFrame(5, 4), show("Component:") + f4Prompt, 0 },
            { dataFrame(5, "LK2"), reject("Invalid Component"), 6 }, { dataFrame(5, "LK'4"), show("Panel No:"), 0 },
            { dataFrame(5, "12"), show("Machine/Module/Slot:"), 0 }, { dataFrame(5, "B2"), show("Component:"), 0 },
            { dataFrame(5, "A\\B"), show("Panel No:"), 0 }, // stored in its escape form
            { keyFrame(5, 2), Frames(), 0 }, // a key without a meaning here only names itself
        };
        for (const Step& step : walk) {
            QCOMPARE(scan(step.frame), step.answer);
            QCOMPARE(last.termError, step.code);
            QCOMPARE(last.lastNode, QString("005"));
        }
        QCOMPARE(last.lastData, std::optional<QString>("F2"));
        QCOMPARE(testing::queryRows("select check_value, update_user, panel_no, link_id from check_history "
                                    "order by check_value, link_id"),
            QStringList({ "0|O'NEIL|12|A\\5CB", "0|O'NEIL|12|LK'4", "1|O'NEIL||LK2" }));
    }

    // A match and then a mismatch on one slot, without panel numbers: every
    // column of both records; nothing of the first label's designator or lot
    // is carried over to the second.
    void matchAndMismatchRows()
    {
        start("0");
        QCOMPARE(scan("B1"), show("Component:"));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        QCOMPARE(scan("LK1"), show("Machine/Module/Slot:"));
        scan("B1");
        // The same component but for the letter case, with no designator.
        QCOMPARE(scan("LK3"), reject("Invalid Component"));
        QCOMPARE(testing::queryRows("select line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
                                    "check_value, update_user, vender_comp, ref_designator, polarity_check, lot_no, "
                                    "ship_date, rt_no, link_id, panel_no, qty, approve_user, approve_time, throw_qty, "
                                    "throw_user, throw_time from check_history order by check_value"),
            QStringList({ "L1|P1|M1|MD1|S1|C100|" + kGw + "|005|0|U1|V1|R1,R2|Y|LOT1|2401|RT1|LK1|1||||||",
                "L1|P1|M1|MD1|S1|C100|" + kGw + "|005|1|U1|V3||||||LK3|||||||" }));
        db::ResultSet r = gConn().query("select check_time, update_time from check_history");
        const QDateTime at = r.dateTime("check_time");
        QVERIFY(at >= before && at <= QDateTime::currentDateTime().addSecs(2));
        QCOMPARE(r.dateTime("update_time"), at);
        QCOMPARE(rows("error_history"), 0);
    }

    // Labels and slots the set-up does not know, the longest label a frame
    // can carry among them (every byte in escape form).
    void errorRows()
    {
        // B2's slot is allowed but has no component set up for L1/P1 here;
        // GHOST may be scanned but is no slot.
        linkTable({ { "B1", kGw, "005", "P1" }, { "B2", kGw, "005", "P1" }, { "GHOST", kGw, "005", "P1" } });
        gConn().exec("delete from component_set where slot_code = 'S2'");
        start("0");
        QCOMPARE(scan("GHOST"), reject("Invalid Machine/Module/Slot"));
        scan("B1");
        QCOMPARE(scan(dataFrame(5, QByteArray(240, char(0xFF)))), reject("Invalid Component"));
        // Still at the component step: a second slot is scanned after F7.
        start("0");
        QCOMPARE(scan("B2"), show("Component:"));
        QCOMPARE(scan("LK1"), reject("Invalid Component"));
        QCOMPARE(testing::queryRows("select line_id, part_no, mc_id, md_id, err_slot, err_comp, gw21_ip, dt200_id, "
                                    "update_user, vender_comp, ref_designator, polarity_check, link_id "
                                    "from error_history order by err_slot"),
            QStringList({ "L1|P1|M1|MD1|S1|C100|" + kGw + "|005|U1||||" + QString("\\FF").repeated(240),
                "L1|P1|M1|MD1|S2||" + kGw + "|005|U1||R1,R2|Y|LK1" }));
        QCOMPARE(gConn().count("select count(*) from error_history where update_time is not null"), 2);
        QCOMPARE(rows("check_history"), 0);
    }

    void notStartedAndKeys()
    {
        // Not started, the terminal is told so; a piece of a frame without
        // its CR is no scan and gets nothing. F4 only turns its signal off.
        QCOMPARE(scan("U1"), reject("Connet error!   Please restart!"));
        QCOMPARE(last.termError, 7);
        QCOMPARE(scan(dataFrame(5, "U1").chopped(2)), Frames());
        QVERIFY(last.abandoned);
        QCOMPARE(scan(keyFrame(5, 4)), Frames { SignalFrame(false, 5) });

        // F7 keeps the last label, the start-up frame drops it too.
        start("0");
        scan("B1");
        scan("LK1");
        QCOMPARE(scan(keyFrame(5, 7)), show("User:"));
        QCOMPARE(t5().step, qint16(StepUser));
        QVERIFY(t5().user_id.isEmpty());
        QCOMPARE(t5().link_id, QString("LK1"));
        start("0");
        QCOMPARE(scan(startupFrame(5)), show("User:"));
        QCOMPARE(last.lastData, std::optional<QString>("Initialize..."));
        QVERIFY(t5().link_id.isEmpty());

        // A started terminal's frame without its whole payload changes
        // nothing and sends nothing.
        QCOMPARE(scan(dataFrame(5, "U1").chopped(2)), Frames());
        QVERIFY(last.abandoned);
        QCOMPARE(t5().step, qint16(StepUser));
    }

    // The terminal table: duplicate and unknown terminals, the row limit.
    void duplicateAndUnknownTerminals()
    {
        // The same terminal set up on a second machine: the first row wins.
        gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                     "values ('L1', 'PRJ', 'P1', 'M2', '10.0.0.5', '005')");
        table.LoadDevices(gConn());
        const int first = table.FindDevice(5, kGw);
        QCOMPARE(table.row(first).mc_id, QString("M1"));
        QCOMPARE(table.row(first + 1).mc_id, QString("M2"));
        scan(keyFrame(5, 7));
        QCOMPARE(table.row(first).step, qint16(StepUser));
        QCOMPARE(table.row(first + 1).step, qint16(StepNotStarted));

        // Terminal 12 of the same gateway is its own row; 200 is unknown.
        QCOMPARE(scan("U1", 12), reject("Connet error!   Please restart!", 12));
        QCOMPARE(table.FindDevice(5, "10.0.0.50"), 0);
        QCOMPARE(scan(keyFrame(200, 7)), show("User:", 200));
        QCOMPARE(last.lastNode, QString("200"));
        // Every unknown terminal shares row 0; none can pass the part number.
        QCOMPARE(scan("U1", 7, "192.168.1.1"), show("Part No:", 7));
        QCOMPARE(scan("P1", 200), reject("Invalid Part No", 200));

        // At most 50 rows; the rest are counted for the screen's warning.
        for (int i = 100; i < 160; ++i)
            gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                         "values ('L1', 'PRJ', 'P1', 'M1', '10.0.0.7', ?)",
                { QString::number(i) });
        const auto r = table.LoadDevices(gConn());
        QCOMPARE(r.loaded, 50);
        QCOMPARE(r.leftOut, 14);
        QCOMPARE(table.FindDevice(145, "10.0.0.7"), 50);
        QCOMPARE(table.FindDevice(146, "10.0.0.7"), 0);
    }

    void reloadKeepsOnlyUnchangedTerminals()
    {
        start("0", 5);
        start("0", 12);
        scan(keyFrame(5, 7), kGw2);
        scan("U1", 5, kGw2);
        // Terminal 12 moves to another line; a new terminal sorts before 005.
        gConn().exec("update line_set set line_id = 'L3' where dt200_id = '012'");
        gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                     "values ('L1', 'PRJ', 'P1', 'M1', '10.0.0.5', '003')");
        QCOMPARE(table.LoadDevices(gConn()).loaded, 4);
        QCOMPARE(table.row(1).dt200_id, QString("003"));
        QCOMPARE(table.row(1).step, qint16(StepNotStarted));
        const TerminalInfo& moved = table.row(table.FindDevice(12, kGw));
        QCOMPARE(moved.line_id, QString("L3"));
        QCOMPARE(moved.step, qint16(StepNotStarted));
        const TerminalInfo& other = table.row(table.FindDevice(5, kGw2));
        QCOMPARE(other.step, qint16(StepPartNo));
        QCOMPARE(scan("B1"), show("Component:"));
        QCOMPARE(scan("LK1"), show("Machine/Module/Slot:"));

        // A row left over from a longer set-up is emptied.
        gConn().exec("delete from line_set where dt200_id <> '005'");
        QCOMPARE(table.LoadDevices(gConn()).loaded, 2);
        QCOMPARE(table.row(3).gw21_ip, QString());
        QCOMPARE(table.row(3).step, qint16(StepNotStarted));
        QCOMPARE(t5().step, qint16(StepSlot));
    }

    // A scan the database cannot check is abandoned: nothing is sent and no
    // rejection is reported, and the same scan is taken once it answers.
    void databaseFailureAbandonsTheScan()
    {
        start("0");
        scan("B1");
        gConn().close();
        QCOMPARE(scan("LK1"), Frames());
        QVERIFY(last.abandoned && !last.dbError.isEmpty());
        QCOMPARE(last.termError, 0);
        QVERIFY(t5().link_id.isEmpty());
        QVERIFY(gConn().open(testdb::lastSettings()));
        QCOMPARE(scan("LK1"), show("Machine/Module/Slot:"));
        gConn().close();
        QCOMPARE(scan("B1"), Frames());
        QCOMPARE(t5().step, qint16(StepSlot));
        QVERIFY(gConn().open(testdb::lastSettings()));
        QCOMPARE(scan("B1"), show("Component:"));

        // The look-up answers but the record is refused: the row keeps its
        // step and its last label.
        gConn().exec(gConn().engine() == db::Engine::SQLite
                ? "create trigger refuse before insert on check_history begin select raise(abort, 'no'); end"
                : "alter table check_history add constraint refuse check (check_value is null) not valid");
        QCOMPARE(scan("LK'4"), Frames());
        QVERIFY(!last.dbError.isEmpty());
        QCOMPARE(last.termError, 0);
        QCOMPARE(t5().step, qint16(StepComponent));
        QCOMPARE(t5().link_id, QString("LK1"));
        QCOMPARE(t5().lot_no, QString("LOT1"));
        QCOMPARE(rows("check_history") + rows("error_history"), 1);
    }

    void emptyExpectedComponentIsASetUp()
    {
        gConn().exec("update component_set set comp_code = null where slot_code = 'S1'");
        gConn().exec("insert into component_link (link_id, comp_code, vender_name) values ('LKN', null, 'VN')");
        start("0");
        scan("B1");
        QCOMPARE(scan("LK1"), reject("Invalid Component"));
        QCOMPARE(gConn().count("select count(*) from check_history where check_value = '1' and comp_code is null"), 1);
        // A label without a component carries what the slot expects.
        QCOMPARE(scan("LKN"), show("Machine/Module/Slot:"));
        QCOMPARE(gConn().count("select count(*) from check_history where check_value = '0' and link_id = 'LKN'"), 1);
        QCOMPARE(rows("error_history"), 0);
    }

    void reloadKeepsTheScannedSlotsMachine()
    {
        linkTable({ { "B9", kGw, "005", "P1" } });
        start("0");
        QCOMPARE(scan("B9"), show("Component:"));
        table.LoadDevices(gConn());
        QCOMPARE(t5().step, qint16(StepComponent));
        QCOMPARE(t5().mc_id, QString("M9"));
        QCOMPARE(t5().md_id, QString("MD9"));
        scan("LK1");
        QCOMPARE(gConn().scalar("select mc_id from error_history").toString(), QString("M9"));
        // Past the component, the set-up's machine is shown again.
        scan(keyFrame(5, 7));
        table.LoadDevices(gConn());
        QCOMPARE(t5().mc_id, QString("M1"));
    }

    void serverTimeIsNeverAhead()
    {
        // The time of a record is cut to the second: the server's own clock
        // read right after never lies before it.
        const QString precise = gConn().engine() == db::Engine::SQLite
            ? "select strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')"
            : "select clock_timestamp()::timestamp";
        start("0");
        for (int i = 0; i < 20; ++i) {
            scan("B1");
            scan("LK1");
            const QDateTime after = db::ResultSet::toDateTime(gConn().scalar(precise));
            const QDateTime written
                = db::ResultSet::toDateTime(gConn().scalar("select max(check_time) from check_history"));
            QVERIFY2(written <= after,
                qPrintable(written.toString(Qt::ISODateWithMs) + " > " + after.toString(Qt::ISODateWithMs)));
            QTest::qWait(37);
        }
    }
};

TROVA_TEST(ScanDialogueTest)
#include "tst_ScanDialogue.moc"
