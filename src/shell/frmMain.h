#pragma once

#include "Grants.h"

#include <QMainWindow>

class QMdiArea;

// The main window. The full menus, toolbar and status bar are still to come;
// for now it holds the work area and the grants of the last login.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);

    void applyGrants(const grants::GrantSet& g);
    const grants::GrantSet& grants() const { return m_grants; }
    QMdiArea* mdiArea() const { return m_mdi; }

private:
    QMdiArea* m_mdi;
    grants::GrantSet m_grants;
};
