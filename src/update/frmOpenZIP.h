#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
namespace wizard {
class InfoFrame;
}

// Page 3 of the update wizard: Unpack installs the downloaded package over
// the program folder, starts the new program and ends this one. A package
// that cannot be installed leaves the folder as it was and says why.
class frmOpenZIP : public QWidget
{
    Q_OBJECT

public:
    explicit frmOpenZIP(QWidget* parent = nullptr);

    QLabel* Label4() const { return m_label4; }
    QLabel* Label2() const { return m_label2; }
    QLineEdit* txtLoadXMLVersion() const { return m_version; }
    QPushButton* cmdOK() const { return m_ok; }
    wizard::InfoFrame* Frame12() const { return m_info; }

public Q_SLOTS:
    void cmdOK_Click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Form_Load();
    void LoadXMLVersion();
    void CloseForm();

    QLabel* m_label4;
    QLabel* m_label2;
    QLineEdit* m_version;
    QPushButton* m_ok;
    wizard::InfoFrame* m_info;
};
