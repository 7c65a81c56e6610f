#include "app/MessageLayer.h"

#include <QCoreApplication>
#include <cstdio>

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
    return prompter().message(m);
}

void error(const QString& text)
{
    box(text, Buttons::Ok, Icon::Critical, QStringLiteral("ERROR"));
}

bool confirm(const QString& text, const QString& title)
{
    return box(text, Buttons::YesNo, Icon::Question, title) == Answer::Yes;
}

} // namespace msg
