#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product title and version, and a button that starts the
// desktop's system information tool when one is installed. It opens as its
// own window, without blocking.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle() const { return m_title; }
    QLabel* lblVersion() const { return m_version; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdSysInfo() const { return m_sysInfo; }

    // The first of the known system information programs found on PATH;
    // empty when there is none.
    static QString findSysInfoTool();

public Q_SLOTS:
    void StartSysInfo();

private:
    QLabel* m_title;
    QLabel* m_version;
    QPushButton* m_ok;
    QPushButton* m_sysInfo;
};
