#include "frmAbout.h"

#include "app/MessageLayer.h"
#include "Product.h"
#include "Style.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(false);
    setWindowTitle(QStringLiteral("About ") + product::kTitle);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    const QIcon appIcon = QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                                              : QApplication::windowIcon();
    icon->setPixmap(appIcon.pixmap(48, 48));
    m_title = new QLabel(product::kTitle, this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    m_title->setFont(bold);
    m_version = new QLabel(QStringLiteral("Version 1.0.0"), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    auto* description = new QLabel(QStringLiteral("Guards the loading of components on SMT production lines: "
                                                  "every scanned reel is checked against the line set-up "
                                                  "and every check is recorded."),
                                   this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    auto* disclaimer = new QLabel(QStringLiteral("This program is for use inside the plant only."), this);
    disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimer->setWordWrap(true);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_sysInfo->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(m_title, 0, 1);
    grid->addWidget(m_version, 1, 1);
    grid->addWidget(description, 2, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_sysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(disclaimer, 1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);

    connect(m_ok, &QPushButton::clicked, this, &QWidget::close);
    connect(m_sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    resize(460, 220);
    Module1::CenterForm(this);
}

QString frmAbout::findSysInfoTool()
{
    static const char* const kTools[] = {"hardinfo2", "hardinfo", "kinfocenter"};
    for (const char* name : kTools) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

void frmAbout::StartSysInfo()
{
    const QString tool = findSysInfoTool();
    if (!tool.isEmpty() && QProcess::startDetached(tool, {}))
        return;
    msg::box(QStringLiteral("System Information Is Unavailable At This Time"));
}
