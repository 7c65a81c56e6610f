#include "frmOpenZIP.h"

#include "Style.h"
#include "WizardParts.h"
#include "app/AppControl.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "update/EntryRoom.h"
#include "update/Installer.h"
#include "update/modZip.h"
#include "update/UpdateServer.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmOpenZIP::frmOpenZIP(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmOpenZIP"));
    auto* frame = new QGroupBox(QStringLiteral("软件自动升级 - 最后一步骤"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_label4 = new QLabel(QStringLiteral("当前文件名："), frame);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setWordWrap(true);
    m_label2 = new QLabel(QStringLiteral("解压后输出地址："), frame);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setWordWrap(true);
    m_version = new QLineEdit(frame);
    m_version->setObjectName(QStringLiteral("txtLoadXMLVersion"));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_label4);
    frameLayout->addWidget(m_label2);
    frameLayout->addWidget(m_version);

    m_info = new wizard::InfoFrame(this);
    m_ok = new QPushButton(QStringLiteral("解压文件"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wizard::titleLabel(this));
    layout->addWidget(frame);
    layout->addWidget(m_info, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &frmOpenZIP::cmdOK_Click);
    resize(560, 440);
    Form_Load();
}

void frmOpenZIP::Form_Load()
{
    Module1::CenterForm(this);
    m_version->hide();
    setWindowTitle(wizard::caption("第三步骤"));
    LoadXMLVersion();
    m_info->navigate();
}

void frmOpenZIP::LoadXMLVersion()
{
    const QString base = Module1::settings().updateBaseUrl.trimmed();
    m_version->setText(base.isEmpty() ? QString() : update::fetchPublishedVersion(base));
}

void frmOpenZIP::cmdOK_Click()
{
    const QString folder = update::programFolder();
    const QString package = update::packagePath();
    if (!QFileInfo(package).isFile())
        return;
    m_label4->setText(QStringLiteral("当前解压文件名：") + package);
    // A name that fits alone may not fit in the install's folders, where
    // creating it would fail with no word on which name.
    update::InstallResult r;
    const modZip::PackageListing list = modZip::ListPackage(package);
    const QString tooLong = list.error.isEmpty() ? update::entryRoomError(folder, list) : QString();
    if (!tooLong.isEmpty())
        r.error = QStringLiteral("无法安装更新文件：%1。").arg(tooLong);
    else
        r = update::installPackage(folder);
    if (!r.ok) {
        // The old program is still in place and this one keeps running.
        m_label4->setText(QStringLiteral("文件升级失败！"));
        msg::box(r.error, msg::Buttons::Ok, msg::Icon::Critical, QStringLiteral("软件升级信息"));
        return;
    }
    m_label4->setText(QStringLiteral("解压文件成功！"));
    m_label2->setText(QStringLiteral("解压后输出地址：") + folder + QStringLiteral(" / "));
    m_label4->setText(QStringLiteral("文件升级成功！请重新打开【TROVA】！"));
    CloseForm();
}

void frmOpenZIP::CloseForm()
{
    close();
}

void frmOpenZIP::closeEvent(QCloseEvent* e)
{
    e->accept();
    app::endProgram(0);
}
