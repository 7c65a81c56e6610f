#pragma once

#include "SimGateway.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

namespace gwsim {

enum class Scenario {
    Good,     // every label is the one the slot expects
    Mismatch, // every slot first gets a wrong label, then the right one
    Mixed,    // every third slot first gets a wrong label
};

// What one terminal's operator scans: who, which part number, and per slot
// the barcode, the right label and a wrong one.
struct TerminalPlan
{
    int terminal = 0;
    QString user;
    QString partNo;
    bool panels = false;
    struct Slot
    {
        QString barcode;
        QString label;
        QString wrongLabel;
    };
    QList<Slot> slots;
};

// An operator at one terminal: switches it on, answers each prompt the
// monitor shows with the plan's next scan, presses F4 after a rejection, and
// stops after a number of component checks. A terminal whose plan has no
// slot (nothing set up for it) stops at its first rejection and stays quiet.
class SimOperator : public QObject
{
    Q_OBJECT

public:
    SimOperator(SimGateway& gateway, TerminalPlan plan, Scenario scenario, int checks, QObject* parent = nullptr);

    // The start-up frame, and the dialogue runs from the prompts.
    void start();
    // Milliseconds between an answer and the next scan, as a person takes
    // them; 0 (the default) answers at once.
    void setPace(int ms) { m_paceMs = ms; }
    bool finished() const { return m_quiet || m_done >= m_checks; }
    int checks() const { return m_done; }
    int rejections() const { return m_rejections; }
    // Microseconds from each scan to the monitor's answer.
    const QList<qint64>& answerTimes() const { return m_answerUs; }
    void clearAnswerTimes() { m_answerUs.clear(); }

Q_SIGNALS:
    void done();
    // One line per step, for a person watching.
    void log(const QString& line);

private:
    void onDisplayed(int terminal, const QString& text);
    void answer(const QString& text);
    void scan(const QString& text);
    void press(int key);
    bool wrongFirst() const;

    SimGateway& m_gw;
    TerminalPlan m_plan;
    Scenario m_scenario;
    int m_checks;
    int m_done = 0;
    int m_rejections = 0;
    int m_slot = 0;
    int m_panel = 1;
    bool m_wrongSent = false;
    bool m_labelSent = false;
    bool m_quiet = false;
    int m_paceMs = 0;
    int m_run = 0; // a restart drops the answers still waiting for their pace
    QElapsedTimer m_sentAt;
    QList<qint64> m_answerUs;
};

Scenario scenarioFromName(const QString& name, bool* ok);

} // namespace gwsim
