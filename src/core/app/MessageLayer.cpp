#include "app/MessageLayer.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace msg {

namespace {

class StderrPrompter : public Prompter
{
public:
    Answer message(const Message& m) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(m.title), qPrintable(m.text));
        switch (m.buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            return Answer::No;
        }
        return Answer::Ok;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

StderrPrompter g_fallback;
Prompter* g_prompter = nullptr;

int g_events = 0;
QSet<QString> g_errorsShown; // in the event being dispatched

int g_pending = 0;
QList<std::pair<QPointer<QObject>, std::function<void()>>> g_afterAnswers;

// One box or prompt waiting for its answer, for as long as it lives.
class Pending
{
public:
    Pending() { ++g_pending; }
    ~Pending()
    {
        if (--g_pending > 0)
            return;
        const auto waiting = std::exchange(g_afterAnswers, {});
        for (const auto& [context, then] : waiting) {
            if (context)
                QTimer::singleShot(0, context.data(), then);
        }
    }
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;
};

} // namespace

Prompter& prompter()
{
    return g_prompter ? *g_prompter : g_fallback;
}

void setPrompter(Prompter* p)
{
    g_prompter = p;
}

QString applicationTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("TROVA") : name;
}

Answer box(const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    Message m;
    m.icon = icon;
    m.title = title.isEmpty() ? applicationTitle() : title;
    m.text = text;
    m.buttons = buttons;
    const Pending pending;
    return prompter().message(m);
}

void error(const QString& text)
{
    // Work stopped because its screen went has nothing to tell.
    if (text.isEmpty())
        return;
    if (g_events > 0) {
        if (g_errorsShown.contains(text))
            return;
        g_errorsShown.insert(text);
    }
    box(text, Buttons::Ok, Icon::Critical, QStringLiteral("ERROR"));
}

EventScope::EventScope(bool startsAction)
{
    if (startsAction && g_pending == 0)
        g_errorsShown.clear();
    ++g_events;
}

EventScope::~EventScope()
{
    if (--g_events == 0)
        g_errorsShown.clear();
}

bool confirm(const QString& text, const QString& title)
{
    return box(text, Buttons::YesNo, Icon::Question, title) == Answer::Yes;
}

QString openFileName(const QString& title, const QString& folder, const QString& filter)
{
    const Pending pending;
    return prompter().openFileName(title, folder, filter);
}

std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial)
{
    const Pending pending;
    return prompter().inputText(title, prompt, initial);
}

bool answerPending()
{
    return g_pending > 0;
}

void afterAnswers(QObject* context, std::function<void()> then)
{
    if (g_pending == 0) {
        QTimer::singleShot(0, context, std::move(then));
        return;
    }
    g_afterAnswers.append({QPointer<QObject>(context), std::move(then)});
}

} // namespace msg
