#pragma once

#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class frmOpenZIP;
namespace update {
class PackageDownload;
}
namespace wizard {
class InfoFrame;
}

// Page 2 of the update wizard: Update downloads the package into the program
// folder, with a running light and an animated bar while it runs; Finish
// goes on to the install page once the whole package has arrived.
class frmUpdate1 : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLightMs = 100;
    // Nominally 1 ms; a desktop timer ticks at about 16 ms.
    static constexpr int kBarTickMs = 16;
    static constexpr int kCells = 13;

    explicit frmUpdate1(QWidget* parent = nullptr);
    ~frmUpdate1() override;

    QLabel* Label1(int index) const { return m_label1[size_t(index)]; }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label3() const { return m_label3; }
    QLabel* Label6() const { return m_label6; }
    QLabel* Welcometext() const { return m_welcome; }
    QProgressBar* UpdateStatus() const { return m_status; }
    QPushButton* cmdupdate() const { return m_update; }
    QPushButton* cmdCancel() const { return m_cancel; }
    QPushButton* cmdFin() const { return m_fin; }
    QTimer* Timer1() const { return m_timer1; }
    QTimer* Timer2() const { return m_timer2; }
    update::PackageDownload* Inet1() const { return m_inet.get(); }
    wizard::InfoFrame* Frame12() const { return m_info; }
    // Which picture Image2 shows: 3 (Image3) or 4 (Image4).
    int image2Picture() const { return m_picture; }
    int lightPosition() const { return m_position; }
    // The back colour of a light cell: 0 black, 255 red.
    int cellColour(int index) const;
    frmOpenZIP* page3() const { return m_page3.get(); }

public Q_SLOTS:
    void cmdupdate_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void cmdCancel_Click();
    void cmdFin_Click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Form_Load();
    void onDownloadFinished(bool ok);
    void setCellColour(int index, int colour);
    void showPicture(int picture);

    std::array<QLabel*, kCells + 1> m_label1{};
    std::array<int, kCells + 1> m_colours{};
    QLabel* m_label2;
    QLabel* m_label3;
    QLabel* m_label6;
    QLabel* m_welcome;
    QLabel* m_image2;
    QPixmap m_image3;
    QPixmap m_image4;
    int m_picture = 4;
    int m_position = 0;
    QProgressBar* m_status;
    QPushButton* m_update;
    QPushButton* m_cancel;
    QPushButton* m_fin;
    QTimer* m_timer1;
    QTimer* m_timer2;
    wizard::InfoFrame* m_info;
    std::unique_ptr<update::PackageDownload> m_inet;
    std::unique_ptr<frmOpenZIP> m_page3;
};
