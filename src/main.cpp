#include "MessageLayer.h"
#include "Module1.h"
#include "WidgetPrompter.h"
#include "frmLogin.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TROVA"));
    QCoreApplication::setApplicationName(QStringLiteral("TROVA"));
    QApplication::setQuitOnLastWindowClosed(false);

    WidgetPrompter prompter;
    msg::setPrompter(&prompter);

    frmMain* main = nullptr;
    frmLogin login;
    QObject::connect(&login, &frmLogin::loginSucceeded, [&](const grants::GrantSet& g) {
        if (!main)
            main = new frmMain;
        main->applyGrants(g);
        main->show();
    });
    login.show();
    const int rc = app.exec();
    delete main;
    Module1::gConn().close();
    return rc;
}
