#include "frmMain.h"

#include <QMdiArea>

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TROVA - SMT Component Loading Guard"));
    m_mdi = new QMdiArea(this);
    setCentralWidget(m_mdi);
    resize(15480 / 15, 11190 / 15);
}

void frmMain::applyGrants(const grants::GrantSet& g)
{
    m_grants = g;
}
