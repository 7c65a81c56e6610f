#include "TestMain.h"

#include "Application.h"
#include "ScriptedPrompter.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <array>
#include <csignal>
#include <map>
#include <memory>

namespace testmain {

namespace {
    // By class name, the order the classes run in.
    std::map<QByteArray, Factory>& registry()
    {
        static std::map<QByteArray, Factory> r;
        return r;
    }

#ifndef _WIN32
    // The signals Qt Test's crash handler takes over for a run. It leaves its
    // handler in place when the run ends, so the next run would save that
    // handler as the one to hand an abort on to: an abort (a test function
    // past its time-out) would then call the handler again and again, writing
    // "Received signal 6" for ever. Each run starts from the process's own.
    class SignalDispositions
    {
    public:
        SignalDispositions()
        {
            for (std::size_t i = 0; i < kSignals.size(); ++i)
                sigaction(kSignals[i], nullptr, &m_saved[i]);
        }
        void restore() const
        {
            for (std::size_t i = 0; i < kSignals.size(); ++i)
                sigaction(kSignals[i], &m_saved[i], nullptr);
        }

    private:
        static constexpr std::array kSignals {SIGHUP, SIGINT, SIGQUIT, SIGABRT, SIGILL,
                                              SIGBUS, SIGFPE, SIGSEGV, SIGPIPE, SIGTERM};
        std::array<struct sigaction, kSignals.size()> m_saved {};
    };
#else
    struct SignalDispositions
    {
        void restore() const {}
    };
#endif
} // namespace

int registerTest(const char* name, Factory f)
{
    registry().emplace(name, std::move(f));
    return int(registry().size());
}

} // namespace testmain

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A test that crashes or aborts ends at once: Qt Test's crash handler
    // would otherwise start a debugger for the stack, which can wait for ever
    // where debugging is restricted. QTEST_DISABLE_STACK_DUMP=0 brings it back.
    if (qEnvironmentVariableIsEmpty("QTEST_DISABLE_STACK_DUMP"))
        qputenv("QTEST_DISABLE_STACK_DUMP", "1");
    // The program's own application object, so that screens driven by the
    // tests meet the same event dispatch as in the program.
    Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TROVA-test"));
    QCoreApplication::setApplicationName(QStringLiteral("TROVA"));
    // The default settings file and database are the user's own: tests keep
    // out of them.
    QStandardPaths::setTestModeEnabled(true);

    // "-class Name" runs one class; the other arguments go to each class.
    QStringList args = app.arguments();
    QString only;
    const int at = int(args.indexOf(QStringLiteral("-class")));
    if (at >= 0 && at + 1 < args.size()) {
        only = args.at(at + 1);
        args.remove(at, 2);
    }
    const testmain::SignalDispositions dispositions;
    int failed = 0;
    int ran = 0;
    for (auto& [name, make] : testmain::registry()) {
        if (!only.isEmpty() && only != QLatin1String(name))
            continue;
        std::unique_ptr<QObject> t(make());
        testing::ScriptedPrompter prompter;
        msg::setPrompter(&prompter);
        testing::ScriptedPrompter::setCurrent(&prompter);
        dispositions.restore();
        const int rc = QTest::qExec(t.get(), args);
        msg::setPrompter(nullptr);
        testing::ScriptedPrompter::setCurrent(nullptr);
        ++ran;
        if (rc != 0)
            ++failed;
    }
    Module1::gConn().close();
    std::printf("%d test classes ran, %d failed\n", ran, failed);
    return failed == 0 ? 0 : 1;
}
