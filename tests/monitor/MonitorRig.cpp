#include "MonitorRig.h"

#include "OPT_Run.h"
#include "app/Module1.h"

#include <QTest>

using Module1::gConn;

QString MonitorRig::address(int g) { return gwsim::loopbackAddress(g).toString(); }

bool MonitorRig::setUp(int count)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        gateways.clear();
        quint16 port = 0;
        bool ok = true;
        for (int g = 0; g < count && ok; ++g) {
            auto gw = std::make_unique<gwsim::SimGateway>();
            ok = gw->listen(gwsim::loopbackAddress(g), port);
            port = gw->port();
            gateways.push_back(std::move(gw));
        }
        if (ok) {
            Module1::settings().gatewayPort = port;
            break;
        }
    }
    if (gateways.size() != size_t(count) || !gateways.back()->port())
        return false;

    db::Database& c = gConn();
    c.exec("insert into user_list (user_id, user_name) values ('U1', 'Operator')");
    c.exec("insert into component_link (link_id, comp_code, vender_name, lot_no, ship_date, rt_no) values "
           "('LK1', 'C1', 'V1', 'LOT1', '2401', 'RT1'), ('LK2', 'C2', 'V2', 'LOT2', '2402', 'RT2')");
    c.exec("insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check) "
           "values ('PRJ', 'P1', 'G1', 'C1', 'R1', 'Y')");
    for (int g = 0; g < count; ++g) {
        const QString line = QStringLiteral("L%1").arg(g);
        const QString mc = QStringLiteral("M%1").arg(g);
        for (const char* t : { "001", "002" })
            c.exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                   "values (?, 'PRJ', 'P1', ?, ?, ?)",
                { line, mc, address(g), t });
        for (int s = 1; s <= 2; ++s) {
            const QString slot = QStringLiteral("S%1").arg(s);
            c.exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values (?, ?, 'MD1', ?)",
                { QStringLiteral("B%1%2").arg(g).arg(s), mc, slot });
            c.exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
                   "values (?, 'P1', ?, 'MD1', ?, ?)",
                { line, mc, slot, QStringLiteral("C%1").arg(s) });
        }
    }
    return true;
}

void MonitorRig::attach(OPT_Run* screen)
{
    screen->setClock([this] { return clock; });
    screen->setStreamClock([this] { return streamMs; });
}

QString ask(gwsim::SimGateway& gw, int terminal, const QByteArray& frame)
{
    const qsizetype before = gw.terminal(terminal).displays.size();
    if (!gw.send(frame))
        return QString();
    for (int waited = 0; waited < 5000 && gw.terminal(terminal).displays.size() == before; waited += 5)
        QTest::qWait(5);
    return gw.terminal(terminal).displays.size() > before ? gw.terminal(terminal).shown() : QString();
}
