#include "frmSplash.h"

#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "Product.h"
#include "Style.h"
#include "update/UpdateServer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("Picture1"));
    const QIcon icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    QSize largest(64, 64);
    for (const QSize& s : icon.availableSizes())
        largest = s.width() > largest.width() ? s : largest;
    picture->setPixmap(icon.pixmap(largest).scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* title = new QLabel(product::kTitle, frame);
    title->setObjectName(QStringLiteral("Label1"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    title->setFont(big);
    auto* name = new QLabel(product::kName, frame);
    name->setObjectName(QStringLiteral("Label25"));
    m_version = new QLabel(frame);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_version->setAlignment(Qt::AlignRight);
    m_published = new QLineEdit(this);
    m_published->setObjectName(QStringLiteral("txtLoadXMLVersion"));

    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(picture, 0, Qt::AlignHCenter);
    inner->addWidget(title, 0, Qt::AlignHCenter);
    inner->addWidget(name, 0, Qt::AlignHCenter);
    inner->addWidget(m_version);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QWidget::close);

    // Form_Load: the version is read before the window is ever shown.
    LoadVersionXml();
    m_version->setText(product::kVersionText);
    m_published->setVisible(false);
    m_timer->setInterval(1000);

    resize(480, 300);
    Module1::CenterForm(this);
}

void frmSplash::LoadVersionXml()
{
    const QString base = Module1::settings().updateBaseUrl.trimmed();
    // A fresh installation has no update server: nothing to compare with.
    m_checked = !base.isEmpty();
    m_published->setText(m_checked ? update::fetchPublishedVersion(base) : QString());
}

void frmSplash::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    // The second starts once the window is up; waiting for activation could
    // wait forever on a desktop that never activates a splash window.
    if (!m_timer->isActive() && !m_handedOver)
        m_timer->start();
}

void frmSplash::mousePressEvent(QMouseEvent* e)
{
    // The labels, the picture and the frame pass their clicks up to here.
    e->accept();
    close();
}

void frmSplash::keyPressEvent(QKeyEvent* e)
{
    // A key that types a character; Shift, Ctrl, arrows and function keys
    // alone leave the splash up.
    if (e->text().isEmpty()) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    close();
}

void frmSplash::closeEvent(QCloseEvent* e)
{
    e->accept();
    m_timer->stop();
    if (m_handedOver)
        return;
    m_handedOver = true;
    hide();
    StartNextForm();
}

void frmSplash::StartNextForm()
{
    if (!m_checked || m_published->text().trimmed() == m_version->text()) {
        Q_EMIT loginWanted();
        return;
    }
    // Who supplies the update and where from, then the program it is for.
    const QString body = product::kSupplier + QLatin1Char('\n') + Module1::settings().updateBaseUrl.trimmed()
                         + QLatin1Char('\n') + product::kTitle + QStringLiteral(",因版本升级,请确认升级");
    msg::box(body, msg::Buttons::Ok, msg::Icon::Information, QStringLiteral("软件升级信息"));
    Q_EMIT updateWanted();
}
