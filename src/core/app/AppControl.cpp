#include "app/AppControl.h"

#include "app/Module1.h"

#include <QCoreApplication>

namespace app {

namespace {
std::function<void(int)> g_handler;
}

void endProgram(int code)
{
    if (g_handler) {
        g_handler(code);
        return;
    }
    Module1::gConn().close();
    QCoreApplication::exit(code);
}

void setEndProgramHandler(std::function<void(int)> handler)
{
    g_handler = std::move(handler);
}

} // namespace app
