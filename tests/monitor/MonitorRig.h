#pragma once

#include "SimGateway.h"

#include <QDateTime>
#include <memory>
#include <vector>

class OPT_Run;

// Simulated gateways on 127.0.0.2, 127.0.0.3, ... at one free port that the
// program's settings then name, and a set-up in the database for them: on
// gateway g, terminals 1 and 2 build part P1 on line L<g>, machine M<g>, with
// slot barcodes B<g>1 (component C1) and B<g>2 (component C2); labels LK1
// (C1) and LK2 (C2); user U1.
struct MonitorRig {
    std::vector<std::unique_ptr<gwsim::SimGateway>> gateways;
    QDateTime clock = QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0));
    // Times a gateway's held piece, apart from the clock the lines show.
    qint64 streamMs = 0;

    // Listens and writes the set-up; false when no port could be had.
    bool setUp(int count);
    gwsim::SimGateway& gw(int g) { return *gateways.at(size_t(g)); }
    static QString address(int g);

    // The screen's clocks read the rig's, also the one that times a held piece.
    void attach(OPT_Run* screen);
};

// Sends the frame and waits for the terminal's next display text; empty when
// none came.
QString ask(gwsim::SimGateway& gw, int terminal, const QByteArray& frame);
