#include "AppShell.h"
#include "Application.h"
#include "ExcelExport.h"
#include "app/AppControl.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "WidgetPrompter.h"
#include "update/Installer.h"

#include <QApplication>

int main(int argc, char** argv)
{
    app::mergeFreedMemoryAtOnce();
    Application app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TROVA"));
    QCoreApplication::setApplicationName(QStringLiteral("TROVA"));
    // Hidden windows (the main window at Relogin) must not end the program;
    // only Exit, Cancel at login and the update wizard do.
    QApplication::setQuitOnLastWindowClosed(false);

    WidgetPrompter prompter;
    msg::setPrompter(&prompter);

    // An update killed while it swapped the files leaves its record: the
    // old program folder is put back before anything runs from it.
    const QString unrecovered = update::recoverInterruptedInstall(update::programFolder());
    if (!unrecovered.isEmpty())
        msg::box(unrecovered, msg::Buttons::Ok, msg::Icon::Critical, QStringLiteral("软件升级信息"));

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
