#include "frmUpdate.h"

#include "Style.h"
#include "WizardParts.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmUpdate1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmUpdate::frmUpdate(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmUpdate"));

    auto* frame = new QGroupBox(QStringLiteral("软件自动升级 - 第一步骤"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* label2 = new QLabel(QStringLiteral("请稍候，系统正在连接网络，以检查更新..."), frame);
    label2->setObjectName(QStringLiteral("Label2"));
    auto* welcome = new QLabel(QStringLiteral("请等待..."), frame);
    welcome->setObjectName(QStringLiteral("Welcometext"));
    m_connectionStatus = new QLabel(QStringLiteral("已经建立起连接！"), frame);
    m_connectionStatus->setObjectName(QStringLiteral("Connectionstatus"));
    m_updateYes = new QLabel(QStringLiteral("已建立连接，请点击下一步..."), frame);
    m_updateYes->setObjectName(QStringLiteral("UpdateYes"));
    m_updateYes->hide();
    m_status = new QProgressBar(frame);
    m_status->setObjectName(QStringLiteral("UpdateStatus"));
    m_status->setRange(0, 100);
    m_status->setValue(0);
    auto* frameLayout = new QVBoxLayout(frame);
    for (QWidget* w : {static_cast<QWidget*>(label2), static_cast<QWidget*>(welcome),
                       static_cast<QWidget*>(m_connectionStatus), static_cast<QWidget*>(m_updateYes),
                       static_cast<QWidget*>(m_status)})
        frameLayout->addWidget(w);

    m_info = new wizard::InfoFrame(this);
    m_cancel = new QPushButton(QStringLiteral("退出"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_next = new QPushButton(QStringLiteral("下一步"), this);
    m_next->setObjectName(QStringLiteral("cmdNext"));
    m_next->setEnabled(false);
    m_closeUpdate = new QPushButton(QStringLiteral("中断"), this);
    m_closeUpdate->setObjectName(QStringLiteral("cmdCloseUpdate"));
    m_closeUpdate->hide();
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("UpdateTimer"));
    m_timer->setInterval(kTickMs);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_closeUpdate);
    buttons->addWidget(m_next);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wizard::titleLabel(this));
    layout->addWidget(frame);
    layout->addWidget(m_info, 1);
    layout->addLayout(buttons);

    connect(m_timer, &QTimer::timeout, this, &frmUpdate::UpdateTimer_Timer);
    connect(m_next, &QPushButton::clicked, this, &frmUpdate::cmdNext_Click);
    connect(m_closeUpdate, &QPushButton::clicked, this, &frmUpdate::cmdCloseUpdate_Click);
    connect(m_cancel, &QPushButton::clicked, this, &frmUpdate::cmdCancel_Click);
    resize(560, 480);
    Form_Load();
}

frmUpdate::~frmUpdate() = default;

void frmUpdate::Form_Load()
{
    Module1::CenterForm(this);
    setWindowTitle(wizard::caption("第一步骤"));
    m_info->navigate();
    m_next->setEnabled(false);
    m_timer->start();
    m_connectionStatus->setText(QStringLiteral("Connecting..."));
    m_closeUpdate->show();
    m_closeUpdate->setEnabled(true);
}

void frmUpdate::UpdateTimer_Timer()
{
    if (m_status->value() > 97) {
        m_timer->stop();
        m_next->setEnabled(true);
        m_updateYes->show();
        m_connectionStatus->setText(QStringLiteral("连接已建立！"));
    }
    m_status->setValue(qMin(m_status->value() + 2, m_status->maximum()));
}

frmUpdate1* frmUpdate::loadPage2()
{
    if (!m_page2)
        m_page2 = std::make_unique<frmUpdate1>();
    return m_page2.get();
}

void frmUpdate::cmdNext_Click()
{
    m_timer->stop();
    m_status->setValue(0);
    frmUpdate1* page2 = loadPage2();
    page2->show();
    page2->raise();
    page2->activateWindow();
    hide();
    page2->cmdupdate()->setEnabled(true);
}

void frmUpdate::cmdCloseUpdate_Click()
{
    hide();
    loadPage2()->hide();
    m_timer->stop();
    m_status->setValue(0);
    m_connectionStatus->setText(QStringLiteral("网络已中断！"));
    // With both pages hidden nothing would be left to end the program.
    app::endProgram(0);
}

void frmUpdate::cmdCancel_Click()
{
    hide();
    m_status->setValue(0);
    m_timer->stop();
    app::endProgram(0);
}

void frmUpdate::closeEvent(QCloseEvent* e)
{
    // No login follows this window: closing it ends the program.
    e->accept();
    m_timer->stop();
    app::endProgram(0);
}
