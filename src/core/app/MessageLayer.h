#pragma once

#include <QString>
#include <functional>
#include <optional>

class QObject;
class QWidget;

// Everything that blocks for an answer from the user goes through here:
// message boxes, file dialogs and input prompts. The program installs the
// widget implementation; tests install one that answers from a script and
// keeps what was shown.
namespace msg {

enum class Icon {
    None,
    Information,
    Exclamation,
    Critical,
    Question,
};

enum class Buttons {
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};

enum class Answer {
    Ok,
    Cancel,
    Yes,
    No,
};

struct Message
{
    Icon icon = Icon::None;
    QString title; // empty: the application's own title
    QString text;
    Buttons buttons = Buttons::Ok;
};

class Prompter
{
public:
    virtual ~Prompter() = default;
    virtual Answer message(const Message& m) = 0;
    // Empty result: the user cancelled.
    virtual QString openFileName(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& suggested, const QString& filter) = 0;
    // Nothing: the user cancelled.
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt,
                                             const QString& initial) = 0;
};

// The prompter in use. Before one is installed, messages go to stderr and
// every question is answered with its negative button.
Prompter& prompter();
void setPrompter(Prompter* p);

// The application's title, shown where a message passes none.
QString applicationTitle();

Answer box(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
           const QString& title = QString());
inline void information(const QString& text, const QString& title = QStringLiteral("Information"))
{
    box(text, Buttons::Ok, Icon::Information, title);
}
inline void exclamation(const QString& text, const QString& title = QStringLiteral("Information"))
{
    box(text, Buttons::Ok, Icon::Exclamation, title);
}
inline void critical(const QString& text, const QString& title = QStringLiteral("ERROR"))
{
    box(text, Buttons::Ok, Icon::Critical, title);
}
// A database or file error, shown rather than swallowed. Within one event
// (see EventScope) an error already shown is not shown again; an empty text
// (work stopped because its screen went) is not shown.
void error(const QString& text);

// Held over the dispatch of every event: one failure met by several
// reactions to one action of the user, such as a lost connection under each
// box a picked row fills, shows one box. Nests; the outermost ends the
// action, and so does a click or key that starts another while no box waits
// (as in a loop that keeps events running during a long read).
class EventScope
{
public:
    explicit EventScope(bool startsAction);
    ~EventScope();
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;
};
// Yes/No question without a title; true for Yes.
bool confirm(const QString& text, const QString& title = QString());

// The file and input prompts of the prompter in use, counted as open boxes.
QString openFileName(const QString& title, const QString& folder, const QString& filter);
std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial);

// Whether a box or prompt of this layer waits for the user's answer. The code
// that showed it is still on the stack: nothing it uses may be destroyed.
bool answerPending();
// Runs `then` from the event loop once no box waits any more; dropped when
// context is destroyed first. Another box may have opened by then: whatever
// must not happen under a box checks answerPending() again.
void afterAnswers(QObject* context, std::function<void()> then);

} // namespace msg
