#include "frmUpdate1.h"

#include "Style.h"
#include "WizardParts.h"
#include "app/AppControl.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "frmOpenZIP.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"
#include "update/UpdateServer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Label2 before a download, and again after a failed one.
const QString kPressUpdate = QStringLiteral("请点击“更新”按钮，在更新的时候，如果在您要取消此更新的任何时间请点击取消按钮。");

// The two pictures of the download animation: an arrow into a tray, resting
// and moving.
QPixmap downloadPicture(bool moving)
{
    QPixmap p(48, 48);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0, 90, 170), 4));
    const int drop = moving ? 10 : 0;
    g.drawLine(24, 4 + drop, 24, 26 + drop);
    g.drawLine(14, 16 + drop, 24, 26 + drop);
    g.drawLine(34, 16 + drop, 24, 26 + drop);
    g.drawLine(6, 34, 6, 44);
    g.drawLine(6, 44, 42, 44);
    g.drawLine(42, 44, 42, 34);
    return p;
}

} // namespace

frmUpdate1::frmUpdate1(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_image3(downloadPicture(true))
    , m_image4(downloadPicture(false))
    , m_inet(std::make_unique<update::PackageDownload>())
{
    setObjectName(QStringLiteral("frmUpdate1"));
    m_label1[0] = wizard::titleLabel(this);

    auto* frame = new QGroupBox(QStringLiteral("软件自动升级 - 第二步骤"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_label2 = new QLabel(kPressUpdate, frame);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setWordWrap(true);
    m_welcome = new QLabel(QStringLiteral("请继续..."), frame);
    m_welcome->setObjectName(QStringLiteral("Welcometext"));
    m_label3 = new QLabel(QStringLiteral("已经建立起连接！"), frame);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label6 = new QLabel(frame);
    m_label6->setObjectName(QStringLiteral("Label6"));
    m_label6->setWordWrap(true);
    m_image2 = new QLabel(frame);
    m_image2->setObjectName(QStringLiteral("Image2"));
    showPicture(4);
    m_status = new QProgressBar(frame);
    m_status->setObjectName(QStringLiteral("UpdateStatus"));
    m_status->setRange(0, 100);
    m_status->setValue(0);

    auto* light = new QHBoxLayout;
    light->setSpacing(2);
    for (int i = 1; i <= kCells; ++i) {
        auto* cell = new QLabel(frame);
        cell->setObjectName(QStringLiteral("Label1_%1").arg(i));
        cell->setFixedSize(14, 10);
        cell->setAutoFillBackground(true);
        m_label1[size_t(i)] = cell;
        setCellColour(i, 0);
        light->addWidget(cell);
    }
    light->addStretch();

    auto* grid = new QGridLayout(frame);
    grid->addWidget(m_label2, 0, 0, 1, 2);
    grid->addWidget(m_welcome, 1, 0, 1, 2);
    grid->addWidget(m_image2, 2, 0, 3, 1);
    grid->addWidget(m_label3, 2, 1);
    grid->addLayout(light, 3, 1);
    grid->addWidget(m_label6, 4, 1);
    grid->addWidget(m_status, 5, 0, 1, 2);

    m_info = new wizard::InfoFrame(this);
    m_update = new QPushButton(QStringLiteral("更新"), this);
    m_update->setObjectName(QStringLiteral("cmdupdate"));
    m_update->setEnabled(false);
    m_cancel = new QPushButton(QStringLiteral("退出"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_fin = new QPushButton(QStringLiteral("完成"), this);
    m_fin->setObjectName(QStringLiteral("cmdFin"));
    m_fin->setEnabled(false);
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kLightMs);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(kBarTickMs);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_update);
    buttons->addWidget(m_fin);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label1[0]);
    layout->addWidget(frame);
    layout->addWidget(m_info, 1);
    layout->addLayout(buttons);

    connect(m_update, &QPushButton::clicked, this, &frmUpdate1::cmdupdate_Click);
    connect(m_cancel, &QPushButton::clicked, this, &frmUpdate1::cmdCancel_Click);
    connect(m_fin, &QPushButton::clicked, this, &frmUpdate1::cmdFin_Click);
    connect(m_timer1, &QTimer::timeout, this, &frmUpdate1::Timer1_Timer);
    connect(m_timer2, &QTimer::timeout, this, &frmUpdate1::Timer2_Timer);
    connect(m_inet.get(), &update::PackageDownload::finished, this, &frmUpdate1::onDownloadFinished);
    resize(560, 520);
    Form_Load();
}

frmUpdate1::~frmUpdate1() = default;

void frmUpdate1::Form_Load()
{
    Module1::CenterForm(this);
    setWindowTitle(wizard::caption("第二步骤"));
    m_info->navigate();
}

int frmUpdate1::cellColour(int index) const
{
    return m_colours[size_t(index)];
}

void frmUpdate1::setCellColour(int index, int colour)
{
    m_colours[size_t(index)] = colour;
    if (index == 0)
        return; // member 0 is the title: it keeps its look
    QLabel* cell = m_label1[size_t(index)];
    QPalette p = cell->palette();
    p.setColor(QPalette::Window, colour == 255 ? QColor(255, 0, 0) : QColor(0, 0, 0));
    cell->setPalette(p);
}

void frmUpdate1::showPicture(int picture)
{
    m_picture = picture;
    m_image2->setPixmap(picture == 3 ? m_image3 : m_image4);
}

void frmUpdate1::cmdupdate_Click()
{
    if (m_inet->isRunning())
        return;
    m_timer2->start();
    m_label2->setText(QStringLiteral("请稍候...当我们下载并更新您的相应软件......这个过程应该不会超过几分钟..."));
    m_label3->setText(QStringLiteral("请等待,正在下载更新..."));
    m_label6->clear();
    m_timer1->start();
    // One download at a time; Exit asks before abandoning it.
    m_update->setEnabled(false);
    m_inet->start(update::packageUrl(Module1::settings().updateBaseUrl), update::packagePath());
}

void frmUpdate1::onDownloadFinished(bool ok)
{
    m_timer1->stop();
    setCellColour(m_position + 1, 0);
    showPicture(4);
    m_timer2->stop();
    if (ok) {
        m_welcome->setText(QStringLiteral("完成..."));
        m_status->setValue(100);
        m_label3->setText(QStringLiteral("下载完成"));
        m_label6->setText(QStringLiteral("您已成功下载了此更新的文件") + update::programFolder()
                          + QStringLiteral("/Kalvimar.zip 请稍候，我们会自动安装这个软件 "));
        m_fin->setEnabled(true);
        m_cancel->setEnabled(false);
        m_update->setEnabled(false);
        return;
    }
    // Nothing was installed and nothing can be: Update may be tried again.
    m_status->setValue(0);
    m_label2->setText(kPressUpdate);
    m_label3->setText(QStringLiteral("下载失败"));
    m_label6->setText(QStringLiteral("下载更新文件失败：") + m_inet->errorText());
    m_fin->setEnabled(false);
    m_cancel->setEnabled(true);
    m_update->setEnabled(true);
}

void frmUpdate1::Timer1_Timer()
{
    ++m_position;
    if (m_position == kCells) {
        showPicture(3);
        m_position = 0;
        setCellColour(kCells, 0);
    }
    setCellColour(m_position, 0);
    setCellColour(m_position + 1, 255);
    if (m_position == 1)
        showPicture(4);
}

void frmUpdate1::Timer2_Timer()
{
    if (m_status->value() > 94)
        m_status->setValue(0);
    m_status->setValue(m_status->value() + 2);
}

void frmUpdate1::cmdCancel_Click()
{
    if (m_inet->isRunning()) {
        if (msg::box(QStringLiteral("您确定要取消更新..."), msg::Buttons::YesNo) != msg::Answer::Yes)
            return;
        hide();
        m_inet->cancel();
        app::endProgram(0);
        return;
    }
    app::endProgram(0);
}

void frmUpdate1::cmdFin_Click()
{
    m_inet->cancel();
    m_status->setValue(0);
    if (!m_page3)
        m_page3 = std::make_unique<frmOpenZIP>();
    m_page3->show();
    m_page3->raise();
    m_page3->activateWindow();
    hide();
    m_page3->cmdOK()->setEnabled(true);
}

void frmUpdate1::closeEvent(QCloseEvent* e)
{
    // Closing this page ends the program, abandoning a running download.
    e->accept();
    m_inet->cancel();
    app::endProgram(0);
}
