// Simulated gateways for running the monitor by hand:
//   gateway-sim --gateway 127.0.0.2 --terminals 5 --scenario good|mismatch|mixed
// Each gateway listens on its loopback address at the gateway port of the
// program's settings; once the monitor connects, every terminal walks its
// dialogue with the slots and labels the program's database holds for it, at
// a pace a person can follow. It stops by itself after the given number of
// checks per terminal or the time limit.
#include "SimGateway.h"
#include "SimOperator.h"

#include "app/AppSettings.h"
#include "db/Database.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <memory>

using namespace gwsim;

namespace {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

// The terminal's part number, slots and labels from the set-up tables.
TerminalPlan planFor(db::Database& db, const QString& gateway, int terminal, const QString& user)
{
    TerminalPlan plan;
    plan.terminal = terminal;
    plan.user = user;
    const QString id = QStringLiteral("%1").arg(terminal, 3, 10, QLatin1Char('0'));
    db::ResultSet set = db.query(QStringLiteral("select line_id, part_no from line_set where gw21_ip = ? and "
                                                "dt200_id = ? order by line_id, part_no"),
                                 {gateway, id});
    if (set.eof())
        return plan;
    const QString line = set.text(0);
    plan.partNo = set.text(1);
    db::ResultSet slots = db.query(
        QStringLiteral("select i.link_no, s.comp_code from dt200_link_info i "
                       "join slot_link k on k.link_no = i.link_no "
                       "join component_set s on s.line_id = ? and s.part_no = i.part_no and s.mc_id = k.mc_id "
                       "and s.md_id = k.md_id and s.slot_code = k.slot_code "
                       "where i.gw21_ip = ? and i.dt200_id = ? and i.part_no = ? order by i.link_no limit 50"),
        {line, gateway, id, plan.partNo});
    for (; !slots.eof(); slots.moveNext()) {
        const QString expected = slots.text(1);
        const QString good = db.scalar(QStringLiteral("select min(link_id) from component_link where comp_code = ?"),
                                       {expected})
                                 .toString();
        const QString wrong = db.scalar(QStringLiteral("select min(link_id) from component_link where comp_code <> ?"),
                                        {expected})
                                  .toString();
        if (good.isEmpty())
            continue;
        plan.slots << TerminalPlan::Slot{slots.text(0), good, wrong.isEmpty() ? QStringLiteral("NO-SUCH-LABEL") : wrong};
    }
    return plan;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gateway-sim"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Simulated gateways of handheld terminals on loopback addresses."));
    p.addHelpOption();
    p.addOption({QStringLiteral("gateway"), QStringLiteral("Loopback address of a gateway (repeatable)."),
                 QStringLiteral("address")});
    p.addOption({QStringLiteral("terminals"), QStringLiteral("Terminals 1 to n on each gateway (1-50)."),
                 QStringLiteral("n"), QStringLiteral("5")});
    p.addOption({QStringLiteral("scenario"), QStringLiteral("good, mismatch or mixed."), QStringLiteral("name"),
                 QStringLiteral("good")});
    p.addOption({QStringLiteral("checks"), QStringLiteral("Component checks per terminal (1-10000)."),
                 QStringLiteral("n"), QStringLiteral("20")});
    p.addOption({QStringLiteral("user"), QStringLiteral("User id the operators scan."), QStringLiteral("id"),
                 QStringLiteral("SYSADMIN")});
    p.addOption({QStringLiteral("port"), QStringLiteral("Port (default: the gateway port of the settings)."),
                 QStringLiteral("port")});
    p.addOption({QStringLiteral("seconds"), QStringLiteral("Stop after this many seconds (1-86400)."),
                 QStringLiteral("n"), QStringLiteral("600")});
    p.addOption({QStringLiteral("pace"),
                 QStringLiteral("Milliseconds each operator takes between an answer and the next scan (0-60000)."),
                 QStringLiteral("ms"), QStringLiteral("1000")});
    p.process(app);

    const AppSettings settings = AppSettings::load();
    const int terminals = p.value(QStringLiteral("terminals")).toInt();
    const int checks = p.value(QStringLiteral("checks")).toInt();
    const int seconds = p.value(QStringLiteral("seconds")).toInt();
    bool paceOk = false;
    const int pace = p.value(QStringLiteral("pace")).toInt(&paceOk);
    const int port = p.isSet(QStringLiteral("port")) ? p.value(QStringLiteral("port")).toInt() : settings.gatewayPort;
    bool known = false;
    const Scenario scenario = scenarioFromName(p.value(QStringLiteral("scenario")), &known);
    QStringList gateways = p.values(QStringLiteral("gateway"));
    if (gateways.isEmpty())
        gateways << QStringLiteral("127.0.0.2");
    if (!known || terminals < 1 || terminals > 50 || checks < 1 || checks > 10000 || seconds < 1
        || seconds > 86400 || port < 1 || port > 65535 || !paceOk || pace < 0 || pace > 60000) {
        out() << p.helpText() << Qt::endl;
        return 2;
    }

    db::Database database;
    QString error;
    if (!database.open(settings.connection, &error)) {
        out() << "Cannot open the database: " << error << Qt::endl;
        return 1;
    }

    std::vector<std::unique_ptr<SimGateway>> gws;
    std::vector<std::unique_ptr<SimOperator>> ops;
    int running = 0;
    for (const QString& text : std::as_const(gateways)) {
        const QHostAddress address(text);
        auto gw = std::make_unique<SimGateway>();
        if (address.protocol() != QAbstractSocket::IPv4Protocol || !address.isLoopback()) {
            out() << text << ": only loopback addresses (127.x.x.x) are simulated" << Qt::endl;
            return 2;
        }
        if (!gw->listen(address, quint16(port))) {
            out() << text << ":" << port << ": cannot listen" << Qt::endl;
            return 1;
        }
        QList<SimOperator*> these;
        for (int t = 1; t <= terminals; ++t) {
            TerminalPlan plan;
            try {
                plan = planFor(database, text, t, p.value(QStringLiteral("user")));
            } catch (const db::DbError& e) {
                out() << "Database error in " << settings.connection.database << ": " << e.text() << Qt::endl;
                return 1;
            }
            if (plan.slots.isEmpty())
                out() << text << " terminal " << t
                      << ": no slot with a label is set up for it; it starts, takes one rejection and stays quiet"
                      << Qt::endl;
            auto op = std::make_unique<SimOperator>(*gw, plan, scenario, checks);
            op->setPace(pace);
            QObject::connect(op.get(), &SimOperator::log, [](const QString& line) { out() << line << Qt::endl; });
            QObject::connect(op.get(), &SimOperator::done, [&running, &app] {
                if (--running == 0)
                    app.quit();
            });
            ++running;
            these << op.get();
            ops.push_back(std::move(op));
        }
        SimGateway* g = gw.get();
        QObject::connect(g, &SimGateway::clientConnected, [g, these] {
            out() << g->address().toString() << ": monitor connected" << Qt::endl;
            for (SimOperator* op : these)
                if (!op->finished())
                    op->start();
        });
        out() << text << ":" << port << ": waiting for the monitor" << Qt::endl;
        gws.push_back(std::move(gw));
    }
    QTimer::singleShot(seconds * 1000, &app, [&app] {
        out() << "Time limit reached" << Qt::endl;
        app.quit();
    });
    app.exec();
    int total = 0;
    int rejected = 0;
    for (const auto& op : ops) {
        total += op->checks();
        rejected += op->rejections();
    }
    out() << total << " component checks, " << rejected << " rejections" << Qt::endl;
    return 0;
}
