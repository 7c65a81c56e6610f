#pragma once

#include <QGroupBox>
#include <QString>

class QLabel;
class QNetworkAccessManager;
class QTextBrowser;
class QWidget;

// What the three pages of the update wizard share.
namespace wizard {

// The fixed address that starts every page's caption.
inline const QString kAddress = QStringLiteral("http://update.trova.local");
// kAddress + " 【TROVA】 - " + step.
QString caption(const char* step);
// The banner title "软件自动更新".
QLabel* titleLabel(QWidget* parent);

// The frame "如果下载出现问题，请点击这里下载" with the update server's
// information page (`WebBrowser2`) and a link that opens the page in the
// desktop's browser. Loading the page is fire-and-forget; the page loads
// nothing it names, and one the browser could not lay out at once is not
// shown.
class InfoFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit InfoFrame(QWidget* parent);
    ~InfoFrame() override;

    // Loads the information page of the configured update server, read in
    // the encoding the answer or the page declares.
    void navigate();
    QTextBrowser* browser() const { return m_browser; }
    QLabel* link() const { return m_link; }

private:
    QTextBrowser* m_browser;
    QLabel* m_link;
    QNetworkAccessManager* m_net = nullptr;
};

} // namespace wizard
