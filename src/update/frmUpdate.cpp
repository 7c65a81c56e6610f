#include "frmUpdate.h"

#include "app/AppControl.h"
#include "Style.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmUpdate::frmUpdate(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("软件升级"));

    auto* text = new QLabel(QStringLiteral("服务器上有新版本的程序,请联系系统管理员升级。"), this);
    text->setObjectName(QStringLiteral("lblInfo"));
    text->setWordWrap(true);
    m_exit = new QPushButton(QStringLiteral("退出"), this);
    m_exit->setObjectName(QStringLiteral("cmdExit"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(m_exit, &QPushButton::clicked, this, [] { app::endProgram(0); });
    resize(420, 180);
    Module1::CenterForm(this);
}

void frmUpdate::closeEvent(QCloseEvent* e)
{
    // No login follows this window: closing it is the end of the program.
    e->accept();
    app::endProgram(0);
}
