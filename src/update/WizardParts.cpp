#include "WizardParts.h"

#include "app/Module1.h"
#include "update/HttpGet.h"
#include "update/InfoPage.h"
#include "update/UpdateServer.h"

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QNetworkReply>
#include <QTextBrowser>
#include <QTextFrame>
#include <QTextTable>
#include <QVBoxLayout>

namespace wizard {

namespace {

// The information page reads nothing but itself: no picture, style sheet or
// page it names is fetched, from the disk or from anywhere else (a device or
// a pipe named there would hold the screen for ever). The answer is never
// none: on none, or on data that is no picture, the document would read a
// local file by itself. A picture is shown as the browser's own sign of one
// missing.
QVariant nothingFor(int type)
{
    static const QImage missing(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
    if (type != QTextDocument::ImageResource)
        return QByteArray();
    if (!missing.isNull())
        return missing;
    QImage blank(1, 1, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    return blank;
}

// The page as it is read, and then shown.
class PageDocument : public QTextDocument
{
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl&) override { return nothingFor(type); }
};

// The browser, for a link followed within it.
class PageBrowser : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl&) override { return nothingFor(type); }
};

int tableDepth(const QTextFrame* frame)
{
    int deepest = 0;
    for (const QTextFrame* inner : frame->childFrames())
        deepest = qMax(deepest, tableDepth(inner));
    return deepest + (qobject_cast<const QTextTable*>(frame) ? 1 : 0);
}

} // namespace

QString caption(const char* step)
{
    return kAddress + QStringLiteral(" 【TROVA】 - ") + QString::fromUtf8(step);
}

QLabel* titleLabel(QWidget* parent)
{
    auto* l = new QLabel(QStringLiteral("软件自动更新"), parent);
    l->setObjectName(QStringLiteral("Label1"));
    QFont f = l->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    l->setFont(f);
    return l;
}

InfoFrame::InfoFrame(QWidget* parent)
    : QGroupBox(QStringLiteral("如果下载出现问题，请点击这里下载"), parent)
{
    setObjectName(QStringLiteral("Frame12"));
    m_browser = new PageBrowser(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser2"));
    m_browser->setOpenExternalLinks(true);
    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("lnkInfo"));
    m_link->setOpenExternalLinks(true);
    m_link->setTextFormat(Qt::RichText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(m_link);
}

InfoFrame::~InfoFrame() = default;

void InfoFrame::navigate()
{
    const QUrl url = update::infoPageUrl(Module1::settings().updateBaseUrl);
    if (url.isEmpty())
        return;
    const QString shown = url.toString().toHtmlEscaped();
    m_link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(shown));
    if (!m_net)
        m_net = new update::UpdateNetwork(this);
    QNetworkReply* reply = m_net->get(QNetworkRequest(url));
    // A server that sends on and on gets no further than the bound.
    auto* page = new update::BoundedBody(reply, update::kMaxInfoPageBytes);
    connect(reply, &QNetworkReply::finished, this, [this, reply, page] {
        reply->deleteLater();
        // A page the browser could not lay out at once is not shown, as one
        // that could not be loaded. It is read apart from the browser, which
        // would lay it out as it goes.
        const std::optional<QByteArray> body = page->body();
        if (!body)
            return;
        const QString text = update::decodePage(*body, reply->rawHeader("Content-Type"));
        if (!update::isShowablePage(text))
            return;
        auto* document = new PageDocument(m_browser);
        document->setHtml(text);
        if (tableDepth(document->rootFrame()) > update::kMaxPageTableDepth) {
            delete document;
            return;
        }
        m_browser->setDocument(document);
    });
}

} // namespace wizard
