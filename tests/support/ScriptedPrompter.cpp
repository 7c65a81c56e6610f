#include "ScriptedPrompter.h"

namespace testing {

namespace {
ScriptedPrompter* g_current = nullptr;
}

ScriptedPrompter* ScriptedPrompter::current()
{
    return g_current;
}

void ScriptedPrompter::setCurrent(ScriptedPrompter* p)
{
    g_current = p;
}

msg::Answer ScriptedPrompter::message(const msg::Message& m)
{
    messages.append(m);
    if (onMessage)
        onMessage(m);
    if (!answers.isEmpty())
        return answers.dequeue();
    const bool yesNo = m.buttons == msg::Buttons::YesNo || m.buttons == msg::Buttons::YesNoCancel;
    return yesNo ? msg::Answer::Yes : msg::Answer::Ok;
}

QString ScriptedPrompter::openFileName(const QString&, const QString& folder, const QString& filter)
{
    fileDialogFolders << folder;
    fileDialogFilters << filter;
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedPrompter::saveFileName(const QString& title, const QString& suggested, const QString& filter)
{
    return openFileName(title, suggested, filter);
}

std::optional<QString> ScriptedPrompter::inputText(const QString&, const QString&, const QString&)
{
    return inputs.isEmpty() ? std::nullopt : inputs.dequeue();
}

void ScriptedPrompter::clear()
{
    messages.clear();
    answers.clear();
    files.clear();
    inputs.clear();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const msg::Message& m : messages)
        out << m.text;
    return out;
}

} // namespace testing
