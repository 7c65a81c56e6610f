#include "SimOperator.h"

#include <QTimer>

namespace gwsim {

SimOperator::SimOperator(SimGateway& gateway, TerminalPlan plan, Scenario scenario, int checks, QObject* parent)
    : QObject(parent)
    , m_gw(gateway)
    , m_plan(std::move(plan))
    , m_scenario(scenario)
    , m_checks(checks)
{
    connect(&m_gw, &SimGateway::displayed, this, &SimOperator::onDisplayed);
}

void SimOperator::start()
{
    ++m_run;
    m_sentAt.start();
    m_gw.sendStartup(m_plan.terminal);
}

bool SimOperator::wrongFirst() const
{
    switch (m_scenario) {
    case Scenario::Good:
        return false;
    case Scenario::Mismatch:
        return true;
    case Scenario::Mixed:
        return m_slot % 3 == 2;
    }
    return false;
}

void SimOperator::scan(const QString& text)
{
    Q_EMIT log(QStringLiteral("%1 T%2 -> %3").arg(m_gw.address().toString()).arg(m_plan.terminal, 3, 10,
                                                                                  QLatin1Char('0')).arg(text));
    m_sentAt.start();
    m_gw.sendData(m_plan.terminal, text.toLatin1());
}

void SimOperator::press(int key)
{
    m_sentAt.start();
    m_gw.sendKey(m_plan.terminal, key);
}

void SimOperator::onDisplayed(int terminal, const QString& text)
{
    if (terminal != m_plan.terminal || finished())
        return;
    if (m_sentAt.isValid())
        m_answerUs << m_sentAt.nsecsElapsed() / 1000;
    Q_EMIT log(QStringLiteral("%1 T%2 <- %3").arg(m_gw.address().toString()).arg(m_plan.terminal, 3, 10,
                                                                                 QLatin1Char('0')).arg(text));
    // The answer to a label is one component check, whatever it says.
    const bool checked = m_labelSent
                         && (text == QLatin1String("Invalid Component") || text == QLatin1String("Panel No:")
                             || text == QLatin1String("Machine/Module/Slot:"));
    m_labelSent = false;
    if (checked) {
        ++m_done;
        if (text != QLatin1String("Invalid Component"))
            ++m_slot;
    }
    const bool rejected = text.startsWith(QLatin1String("Connet error")) || text.startsWith(QLatin1String("Invalid"));
    if (rejected)
        ++m_rejections;
    // With nothing set up there is nothing right to scan: one rejection
    // says so, and the terminal stays quiet rather than repeat it.
    if (rejected && m_plan.slots.isEmpty())
        m_quiet = true;
    if (finished()) {
        Q_EMIT done();
        return;
    }
    if (m_paceMs <= 0) {
        answer(text);
        return;
    }
    QTimer::singleShot(m_paceMs, this, [this, text, run = m_run] {
        if (run == m_run && !finished())
            answer(text);
    });
}

void SimOperator::answer(const QString& text)
{
    const TerminalPlan::Slot slot = m_plan.slots.isEmpty()
                                        ? TerminalPlan::Slot{QStringLiteral("NO-SLOT"), QString(), QString()}
                                        : m_plan.slots.at(m_slot % m_plan.slots.size());
    if (text.startsWith(QLatin1String("Connet error"))) {
        press(7);
    } else if (text.startsWith(QLatin1String("Invalid"))) {
        press(4); // signal off; the prompt comes again
    } else if (text == QLatin1String("User:")) {
        scan(m_plan.user);
    } else if (text == QLatin1String("Part No:")) {
        scan(m_plan.partNo);
    } else if (text == QLatin1String("Initialization:")) {
        scan(m_plan.panels ? QStringLiteral("1") : QStringLiteral("0"));
    } else if (text == QLatin1String("Panel No:")) {
        scan(QString::number(m_panel++));
    } else if (text == QLatin1String("Machine/Module/Slot:")) {
        m_wrongSent = false;
        scan(slot.barcode);
    } else if (text == QLatin1String("Component:")) {
        m_labelSent = true;
        if (wrongFirst() && !m_wrongSent) {
            m_wrongSent = true;
            scan(slot.wrongLabel);
        } else {
            scan(slot.label);
        }
    }
}

Scenario scenarioFromName(const QString& name, bool* ok)
{
    *ok = true;
    if (name == QLatin1String("good"))
        return Scenario::Good;
    if (name == QLatin1String("mismatch"))
        return Scenario::Mismatch;
    if (name == QLatin1String("mixed"))
        return Scenario::Mixed;
    *ok = false;
    return Scenario::Good;
}

} // namespace gwsim
