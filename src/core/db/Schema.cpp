#include "db/Schema.h"

#include "security/Digest.h"
#include "security/Grants.h"

#include <QDateTime>
#include <functional>

namespace schema {

namespace {

constexpr Type T = Type::Text;
constexpr Type D = Type::Time;
constexpr Type N = Type::Number;

// Widths follow the input boxes of the screens that write each column; columns
// that take scanned text from a terminal get room for a whole frame.
constexpr int kUser = 8;
constexpr int kGroup = 8;
constexpr int kLine = 8;
constexpr int kMachine = 20;
constexpr int kModule = 8;
constexpr int kSlot = 8;
constexpr int kGateway = 15;
constexpr int kTerminal = 8;
constexpr int kProject = 20;
constexpr int kPart = 20;
constexpr int kComp = 30;
constexpr int kVendor = 20;
constexpr int kDesc = 30;
constexpr int kScan = 800; // a whole display frame of escaped text

#define AUDIT {"update_user", T, kUser}, {"update_time", D}

const std::vector<Table> kTables = {
    {"user_list",
     {{"user_id", T, kUser},
      {"user_name", T, 30},
      {"user_desc", T, 100},
      {"group_id", T, kGroup},
      {"effective_date", D},
      {"expiry_date", D},
      {"password", T, 8},
      {"active", T, 1},
      AUDIT},
     {"user_id"}},
    {"user_group", {{"group_id", T, kGroup}, {"group_desc", T, kDesc}, {"status", T, 1}, AUDIT}, {"group_id"}},
    {"function_list", {{"func_id", T, 30}, {"func_desc", T, 50}, AUDIT}, {"func_id"}},
    {"function_grant", {{"func_id", T, 30}, {"group_id", T, kGroup}, AUDIT}, {"group_id", "func_id"}},
    {"line_info", {{"line_id", T, kLine}, {"line_desc", T, kDesc}, AUDIT}, {"line_id"}},
    {"mc_info", {{"mc_id", T, kMachine}, {"mc_desc", T, kDesc}, {"line_id", T, kLine}, AUDIT}, {"mc_id"}},
    {"slot_info",
     {{"slot_id", T, kSlot}, {"md_id", T, kModule}, {"mc_id", T, kMachine}, AUDIT},
     {"mc_id", "md_id", "slot_id"}},
    {"dt200_info",
     {{"gw21_ip", T, kGateway}, {"dt200_id", T, kTerminal}, {"dt200_desc", T, kDesc}, AUDIT},
     {"gw21_ip", "dt200_id"}},
    {"proj_info", {{"proj_id", T, kProject}, {"proj_desc", T, kDesc}, AUDIT}, {"proj_id"}},
    {"component_group", {{"group_id", T, kGroup}, {"group_desc", T, kDesc}, AUDIT}, {"group_id"}},
    {"component_list",
     {{"comp_code", T, kComp},
      {"comp_desc", T, 100},
      {"group_id", T, kGroup},
      {"method_type", T, 2},
      {"vender_name", T, kVendor},
      {"vender_desc", T, kDesc},
      AUDIT},
     {"comp_code", "group_id", "vender_name", "method_type"}},
    {"part_info",
     {{"part_no", T, kPart}, {"part_desc", T, kDesc}, {"proj_id", T, kProject}, {"approve", T, 1}, AUDIT},
     {"part_no", "proj_id"}},
    {"component_proj",
     {{"proj_id", T, kProject},
      {"part_no", T, kPart},
      {"group_id", T, kGroup},
      {"comp_code", T, kComp},
      {"ref_designator", T, 50},
      {"polarity_check", T, 10},
      AUDIT},
     {"proj_id", "part_no", "group_id", "comp_code"}},
    {"component_link",
     {{"link_id", T, 20},
      {"comp_code", T, kComp},
      {"vender_comp", T, kComp},
      {"vender_name", T, kVendor},
      {"vender_desc", T, kDesc},
      {"lot_no", T, 20},
      {"ship_date", T, 10},
      {"rt_no", T, 20},
      {"proj_id", T, kProject},
      {"part_no", T, kPart},
      {"ref_designator", T, 50},
      {"polarity_check", T, 10},
      AUDIT},
     {"link_id"}},
    {"slot_link",
     {{"link_no", T, 8}, {"mc_id", T, kMachine}, {"md_id", T, kModule}, {"slot_code", T, kSlot}, AUDIT},
     {"link_no"}},
    {"line_set",
     {{"line_id", T, kLine},
      {"proj_id", T, kProject},
      {"part_no", T, kPart},
      {"mc_id", T, kMachine},
      {"gw21_ip", T, kGateway},
      {"dt200_id", T, kTerminal},
      AUDIT},
     {"line_id", "proj_id", "part_no", "mc_id", "gw21_ip", "dt200_id"}},
    {"component_set",
     {{"line_id", T, kLine},
      {"part_no", T, kPart},
      {"mc_id", T, kMachine},
      {"md_id", T, kModule},
      {"slot_code", T, kSlot},
      {"comp_code", T, kComp},
      AUDIT},
     {"line_id", "part_no", "mc_id", "md_id", "slot_code"}},
    {"set_hist",
     {{"action", T, 6},
      {"line_id", T, kLine},
      {"part_no", T, kPart},
      {"mc_id", T, kMachine},
      {"md_id", T, kModule},
      {"slot_code", T, kSlot},
      {"from_comp", T, kComp},
      {"to_comp", T, kComp},
      AUDIT},
     {}},
    {"check_history",
     {{"line_id", T, kLine},
      {"part_no", T, kPart},
      {"mc_id", T, kMachine},
      {"md_id", T, kModule},
      {"slot_code", T, kSlot},
      {"comp_code", T, kComp},
      {"gw21_ip", T, kGateway},
      {"dt200_id", T, kTerminal},
      {"check_value", T, 1},
      {"check_time", D},
      {"update_user", T, kScan},
      {"update_time", D},
      {"vender_comp", T, kVendor},
      {"ref_designator", T, 50},
      {"polarity_check", T, 10},
      {"lot_no", T, 20},
      {"ship_date", T, 10},
      {"rt_no", T, 20},
      {"link_id", T, kScan},
      {"panel_no", T, kScan},
      {"qty", N},
      {"approve_value", T, 1, "'1'"},
      {"approve_user", T, kUser},
      {"approve_time", D},
      {"throw_qty", N},
      {"throw_user", T, kUser},
      {"throw_time", D}},
     {}},
    {"error_history",
     {{"line_id", T, kLine},
      {"part_no", T, kPart},
      {"mc_id", T, kMachine},
      {"md_id", T, kModule},
      {"err_slot", T, kSlot},
      {"err_comp", T, kComp},
      {"gw21_ip", T, kGateway},
      {"dt200_id", T, kTerminal},
      {"update_time", D},
      {"update_user", T, kScan},
      {"vender_comp", T, kVendor},
      {"ref_designator", T, 50},
      {"polarity_check", T, 10},
      {"link_id", T, kScan}},
     {}},
    {"trace_info",
     {{"batch_no", T, 50},
      {"panel_no", T, 50},
      {"sn_no", T, 50},
      {"self_no", T, 10},
      AUDIT,
      {"proj_id", T, kProject},
      {"part_no", T, kPart}},
     {"proj_id", "part_no", "sn_no"}},
    {"trace_path",
     {{"self_no", T, 10},
      {"line_id", T, kLine},
      {"mc_id", T, kMachine},
      {"md_id", T, kModule},
      {"slot_code", T, kSlot},
      {"comp_code", T, kComp},
      {"part_no", T, kPart},
      {"vender_comp", T, kVendor},
      {"ref_designator", T, 50},
      {"polarity_check", T, 10},
      {"lot_no", T, 20},
      {"ship_date", T, 10},
      {"rt_no", T, 20},
      {"qty", N},
      {"link_id", T, kScan},
      {"create_user", T, kUser},
      {"create_time", D},
      {"update_user", T, kScan},
      {"update_time", D}},
     {}},
};

#undef AUDIT

// Indexes on what the queries filter and sort by.
const char* const kIndexes[] = {
    "CREATE INDEX ix_check_history_time ON check_history (update_time)",
    "CREATE INDEX ix_check_history_part ON check_history (part_no, update_time)",
    "CREATE INDEX ix_check_history_terminal ON check_history (gw21_ip, dt200_id, update_time)",
    "CREATE INDEX ix_check_history_machine ON check_history (mc_id)",
    "CREATE INDEX ix_check_history_line ON check_history (line_id)",
    "CREATE INDEX ix_check_history_comp ON check_history (comp_code, part_no)",
    "CREATE INDEX ix_error_history_time ON error_history (update_time)",
    "CREATE INDEX ix_set_hist_time ON set_hist (update_time)",
    "CREATE INDEX ix_trace_info_self ON trace_info (self_no)",
    "CREATE INDEX ix_trace_info_panel ON trace_info (proj_id, batch_no, panel_no)",
    "CREATE INDEX ix_trace_path_self ON trace_path (self_no)",
    "CREATE INDEX ix_trace_path_time ON trace_path (create_time)",
    "CREATE INDEX ix_component_link_time ON component_link (update_time)",
    "CREATE INDEX ix_component_list_time ON component_list (update_time)",
    "CREATE INDEX ix_component_proj_time ON component_proj (update_time)",
    "CREATE INDEX ix_component_proj_comp ON component_proj (comp_code, part_no)",
    "CREATE INDEX ix_component_set_slot ON component_set (mc_id, md_id, slot_code)",
    "CREATE INDEX ix_slot_link_slot ON slot_link (mc_id, md_id, slot_code)",
    "CREATE INDEX ix_line_set_terminal ON line_set (gw21_ip, dt200_id, part_no)",
    "CREATE INDEX ix_mc_info_line ON mc_info (line_id)",
    "CREATE INDEX ix_slot_info_module ON slot_info (md_id)",
    "CREATE INDEX ix_user_list_group ON user_list (group_id)",
};

// The slot barcodes a terminal may scan: those whose machine slot has a
// component set up for the line and part number of one of the terminal's
// line set-up rows.
const char* const kLinkView =
    "CREATE VIEW dt200_link_info AS "
    "SELECT DISTINCT c.link_no, a.gw21_ip, a.dt200_id, a.part_no "
    "FROM line_set a "
    "JOIN component_set b ON b.line_id = a.line_id AND b.part_no = a.part_no AND b.mc_id = a.mc_id "
    "JOIN slot_link c ON c.mc_id = b.mc_id AND c.md_id = b.md_id AND c.slot_code = b.slot_code";

QString renderColumn(const db::Dialect& dialect, const Table& t, const Column& c)
{
    QString def = QString::fromLatin1(c.name) + QLatin1Char(' ');
    switch (c.type) {
    case Type::Text:
        def += dialect.textType(c.width);
        break;
    case Type::Time:
        def += dialect.timeType();
        break;
    case Type::Number:
        def += dialect.numberType();
        break;
    }
    for (const char* k : t.key) {
        if (qstrcmp(k, c.name) == 0) {
            def += QStringLiteral(" NOT NULL");
            break;
        }
    }
    if (c.defaultValue)
        def += QStringLiteral(" DEFAULT ") + QString::fromLatin1(c.defaultValue);
    // SQLite keeps any length in a VARCHAR; refuse what does not fit, as the
    // server engine does, under a name the error classifier knows.
    if (c.type == Type::Text && dialect.engine() == db::Engine::SQLite) {
        def += QStringLiteral(" CONSTRAINT len_%1_%2 CHECK (length(%2) <= %3)")
                   .arg(QString::fromLatin1(t.name), QString::fromLatin1(c.name))
                   .arg(c.width);
    }
    return def;
}

QString renderTable(const db::Dialect& dialect, const Table& t)
{
    QStringList parts;
    for (const Column& c : t.columns)
        parts << renderColumn(dialect, t, c);
    if (!t.key.empty()) {
        QStringList key;
        for (const char* k : t.key)
            key << QString::fromLatin1(k);
        parts << QStringLiteral("PRIMARY KEY (%1)").arg(key.join(QStringLiteral(", ")));
    }
    return QStringLiteral("CREATE TABLE %1 (\n  %2\n)")
        .arg(QString::fromLatin1(t.name), parts.join(QStringLiteral(",\n  ")));
}

void seed(db::Database& db)
{
    const QString admin = QStringLiteral("SYSADMIN");
    db.exec(QStringLiteral("insert into user_group (group_id, group_desc, status, update_user, update_time) "
                           "values (?, ?, '1', ?, sysdate)"),
            {admin, QStringLiteral("System administrators"), admin});
    const QString digest = Module1::Encode(admin, admin).value();
    db.exec(QStringLiteral("insert into user_list (user_id, user_name, user_desc, group_id, effective_date, "
                           "expiry_date, password, active, update_user, update_time) "
                           "values (?, ?, ?, ?, ?, ?, ?, '1', ?, sysdate)"),
            {admin, QStringLiteral("System Administrator"), QString(), admin,
             QDateTime(QDate(2000, 1, 1), QTime(0, 0)), QDateTime(QDate(2099, 12, 31), QTime(0, 0)), digest, admin});
    for (const grants::FunctionCode& f : grants::kFunctionCodes) {
        db.exec(QStringLiteral("insert into function_list (func_id, func_desc, update_user, update_time) "
                               "values (?, ?, ?, sysdate)"),
                {QString::fromLatin1(f.code), QString::fromLatin1(f.desc), admin});
        db.exec(QStringLiteral("insert into function_grant (func_id, group_id, update_user, update_time) "
                               "values (?, ?, ?, sysdate)"),
                {QString::fromLatin1(f.code), admin, admin});
    }
}

void createVersion1(db::Database& db)
{
    for (const QString& s : createStatements(db.dialect()))
        db.exec(s);
    seed(db);
}

// Version 2: every check record gets a generated key, so that approving or
// scrapping one record cannot touch another recorded in the same second.
// SQLite cannot add a key column to a table, so there the table is rebuilt
// around one, keeping every row and every index on it.
void addCheckId(db::Database& db)
{
    if (db.engine() == db::Engine::PostgreSQL) {
        db.exec(QStringLiteral("ALTER TABLE check_history "
                               "ADD COLUMN check_id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        return;
    }
    // The table as it stands (a step may have added columns), with the key
    // added last, as the server engine adds it; AUTOINCREMENT never reuses the
    // key of a record that is gone.
    QString create = db.scalar(QStringLiteral("select sql from sqlite_master where type = 'table' and name = ?"),
                               {QStringLiteral("check_history")})
                         .toString();
    const qsizetype open = create.indexOf(QLatin1Char('('));
    const qsizetype close = create.lastIndexOf(QLatin1Char(')'));
    create = QStringLiteral("CREATE TABLE check_history_rebuilt (%1,\n  check_id INTEGER PRIMARY KEY AUTOINCREMENT\n)")
                 .arg(create.mid(open + 1, close - open - 1).trimmed());
    QStringList columns;
    const db::ResultSet info = db.query(QStringLiteral("PRAGMA table_info(check_history)"));
    for (const QVector<QVariant>& row : info.rows())
        columns << row.at(1).toString();
    const db::ResultSet indexes = db.query(
        QStringLiteral("select sql from sqlite_master where type = 'index' and tbl_name = ? and sql is not null"),
        {QStringLiteral("check_history")});
    db.exec(create);
    const QString list = columns.join(QStringLiteral(", "));
    db.exec(QStringLiteral("INSERT INTO check_history_rebuilt (%1) SELECT %1 FROM check_history ORDER BY rowid")
                .arg(list));
    db.exec(QStringLiteral("DROP TABLE check_history"));
    db.exec(QStringLiteral("ALTER TABLE check_history_rebuilt RENAME TO check_history"));
    for (const QVector<QVariant>& row : indexes.rows())
        db.exec(row.at(0).toString());
}

// A component is one row per code and vendor: the component screen looks
// rows up by that pair, so a second row of it must be refused on every
// engine, not only by the screen's own test.
void addComponentVendorKey(db::Database& db)
{
    db.exec(QStringLiteral("CREATE UNIQUE INDEX ux_component_list_vendor ON component_list (comp_code, vender_name)"));
}

// Indexes for the query screens' searches: boards by their time and by each
// of the numbers a board is searched by (any of them may match, so each needs
// its own), snapshot slots by the numbers of their material, the boards that
// used a component of a part number, the terminals watching a machine, the
// components kept under a vendor.
void addQueryIndexes(db::Database& db)
{
    const char* const indexes[] = {
        "CREATE INDEX ix_trace_info_time ON trace_info (update_time)",
        "CREATE INDEX ix_trace_info_sn ON trace_info (sn_no)",
        "CREATE INDEX ix_trace_info_batch ON trace_info (batch_no)",
        "CREATE INDEX ix_trace_info_panel_no ON trace_info (panel_no)",
        "CREATE INDEX ix_trace_path_lot ON trace_path (lot_no)",
        "CREATE INDEX ix_trace_path_ship ON trace_path (ship_date)",
        "CREATE INDEX ix_trace_path_rt ON trace_path (rt_no)",
        "CREATE INDEX ix_trace_path_comp ON trace_path (comp_code, part_no, create_time)",
        "CREATE INDEX ix_line_set_machine ON line_set (mc_id)",
        // Components count by their vendor in any letter case; the index also
        // gives the server statistics on that test, without which it expects
        // almost no component to pass and reads the checks once per component.
        "CREATE INDEX ix_component_list_vendor ON component_list (upper(vender_name))",
    };
    for (const char* ix : indexes)
        db.exec(QString::fromLatin1(ix));
}

// A slot's newest check of its component, for the snapshot of a panel's
// material: read back from the newest, one entry per slot as a rule,
// instead of every check the slot ever had.
void addSlotCheckIndex(db::Database& db)
{
    db.exec(QStringLiteral("CREATE INDEX ix_check_history_slot ON check_history "
                           "(part_no, mc_id, md_id, slot_code, comp_code, update_time, check_id)"));
}

// One entry a schema version; a later version appends a step and never
// changes an earlier one, so every existing database upgrades in order.
const std::vector<std::function<void(db::Database&)>> kSteps = {
    createVersion1,
    addCheckId,
    addComponentVendorKey,
    addQueryIndexes,
    addSlotCheckIndex,
};

} // namespace

const std::vector<Table>& tables()
{
    return kTables;
}

const Table* findTable(const QString& name)
{
    for (const Table& t : kTables) {
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

int textWidth(const QString& table, const QString& column)
{
    const Table* t = findTable(table);
    if (!t)
        return 0;
    for (const Column& c : t->columns) {
        if (column.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c.type == Type::Text ? c.width : 0;
    }
    return 0;
}

QStringList createStatements(const db::Dialect& dialect)
{
    QStringList out;
    for (const Table& t : kTables)
        out << renderTable(dialect, t);
    for (const char* ix : kIndexes)
        out << QString::fromLatin1(ix);
    out << QString::fromLatin1(kLinkView);
    return out;
}

int currentVersion()
{
    return int(kSteps.size());
}

int storedVersion(db::Database& db)
{
    const bool exists =
        db.engine() == db::Engine::SQLite
            ? db.count(QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?"),
                       {QStringLiteral("trova_schema")}) > 0
            : db.count(QStringLiteral("select count(*) from information_schema.tables "
                                      "where table_schema = current_schema() and table_name = ?"),
                       {QStringLiteral("trova_schema")}) > 0;
    if (!exists)
        return 0;
    return db.scalar(QStringLiteral("select max(version) from trova_schema")).toInt();
}

void ensure(db::Database& db)
{
    if (storedVersion(db) >= currentVersion())
        return;
    db::Transaction tx(db);
    db.unboundWaitsInTransaction();
    if (db.engine() == db::Engine::PostgreSQL) {
        // Two workstations starting on a fresh plant database at once: the
        // second waits here and then finds the work done.
        db.query(QStringLiteral("select pg_advisory_xact_lock(7461001)"));
    }
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS trova_schema (version INTEGER NOT NULL)"));
    const int from = db.scalar(QStringLiteral("select max(version) from trova_schema")).toInt();
    for (int v = from; v < currentVersion(); ++v) {
        kSteps[size_t(v)](db);
        db.exec(QStringLiteral("insert into trova_schema (version) values (?)"), {v + 1});
    }
    tx.commit();
}


} // namespace schema
