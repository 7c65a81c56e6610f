#include "AppShell.h"
#include "Application.h"
#include "ExcelExport.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "WidgetPrompter.h"

#include <QApplication>

int main(int argc, char** argv)
{
    Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TROVA"));
    QCoreApplication::setApplicationName(QStringLiteral("TROVA"));
    // Hidden windows (the main window at Relogin) must not end the program;
    // only Exit, Cancel at login and the update wizard do.
    QApplication::setQuitOnLastWindowClosed(false);

    WidgetPrompter prompter;
    msg::setPrompter(&prompter);

    // Exported workbooks are left for the user to look at; a day later they go.
    Module1::RemoveOldExports(QDateTime::currentDateTime());

    int rc = 0;
    {
        AppShell shell;
        shell.start();
        rc = app.exec();
    }
    msg::setPrompter(nullptr);
    Module1::gConn().close();
    return rc;
}
