#include "app/AppControl.h"

#include "app/Module1.h"

#include <QCoreApplication>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace app {

namespace {
std::function<void(int)> g_handler;
bool g_ending = false;
}

void endProgram(int code)
{
    g_ending = true;
    if (g_handler) {
        g_handler(code);
        return;
    }
    Module1::gConn().close();
    QCoreApplication::exit(code);
}

bool ending()
{
    return g_ending;
}

void setEndProgramHandler(std::function<void(int)> handler)
{
    g_ending = false;
    g_handler = std::move(handler);
}

void mergeFreedMemoryAtOnce()
{
#if defined(__GLIBC__) && defined(M_MXFAST)
    mallopt(M_MXFAST, 0);
#endif
}

} // namespace app
