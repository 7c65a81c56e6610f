#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTimer;

// The start-up window. It reads the published version before it is shown,
// closes after a second or at a click or key, and then hands over: to the
// login when the versions agree (or no update server is configured), else to
// the update wizard after the upgrade message.
class frmSplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* lblVersion() const { return m_version; }
    QLineEdit* txtLoadXMLVersion() const { return m_published; }
    QTimer* Timer1() const { return m_timer; }
    // False when no update server is configured and nothing was asked.
    bool versionChecked() const { return m_checked; }

    void LoadVersionXml();

Q_SIGNALS:
    void loginWanted();
    void updateWanted();

protected:
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void StartNextForm();

    QLabel* m_version;
    QLineEdit* m_published;
    QTimer* m_timer;
    bool m_checked = false;
    bool m_handedOver = false;
};
