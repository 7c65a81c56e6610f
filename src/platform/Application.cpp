#include "Application.h"

#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "db/DbError.h"

#include <cstdio>
#include <stdexcept>

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    const QEvent::Type type = event->type();
    const msg::EventScope scope(type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
                                || type == QEvent::KeyPress);
    try {
        return QApplication::notify(receiver, event);
    } catch (const db::DbError& e) {
        try {
            Module1::WriteErrorLog(e.text());
        } catch (const std::runtime_error& logFailed) {
            // The message below still tells the user.
            std::fprintf(stderr, "%s\n", logFailed.what());
        }
        msg::error(e.text());
        return true;
    }
}
