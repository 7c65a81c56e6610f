#include "ScriptedPrompter.h"

namespace testing {

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
