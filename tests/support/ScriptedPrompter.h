#pragma once

#include "app/MessageLayer.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

namespace testing {

// Answers message boxes, file dialogs and input prompts from queues and keeps
// everything that was shown. With an empty queue, a box is answered with its
// first button (OK or Yes), a file dialog and an input prompt are cancelled.
class ScriptedPrompter : public msg::Prompter {
public:
    msg::Answer message(const msg::Message& m) override;
    QString openFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& suggested, const QString& filter) override
    {
        return openFileName(title, suggested, filter);
    }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override
    {
        return inputs.isEmpty() ? std::nullopt : inputs.dequeue();
    }

    void clear();
    QStringList texts() const;
    const msg::Message& last() const { return messages.last(); }

    QList<msg::Message> messages;
    QQueue<msg::Answer> answers;
    QQueue<QString> files;
    QQueue<std::optional<QString>> inputs;
    QStringList fileDialogFolders;
    QStringList fileDialogFilters;
    // Runs while a box is "open", for tests of what happens meanwhile.
    std::function<void(const msg::Message&)> onMessage;

    static ScriptedPrompter* current() { return s_current; }
    static void setCurrent(ScriptedPrompter* p) { s_current = p; }

private:
    static inline ScriptedPrompter* s_current = nullptr;
};

// The prompter the test main installs.
inline ScriptedPrompter& prompter() { return *ScriptedPrompter::current(); }

} // namespace testing
