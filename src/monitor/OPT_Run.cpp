#include "OPT_Run.h"

#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "terminal/GatewayState.h"
#include "terminal/ScanDialogue.h"
#include "terminal/TerminalTable.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <QVBoxLayout>

using namespace monitor;

namespace {

const QString kStart = QStringLiteral("Start");
const QString kStop = QStringLiteral("Stop");

// The gateway address of a frame: plain IPv4 text, as the set-up stores it.
// Once the link is gone the socket knows no peer; a piece handed on then
// still names the gateway it came from.
QString remoteIp(const QTcpSocket* s, const QString& gateway = QString())
{
    if (s->peerAddress().isNull())
        return gateway;
    bool v4 = false;
    const quint32 a = s->peerAddress().toIPv4Address(&v4);
    return v4 ? QHostAddress(a).toString() : s->peerAddress().toString();
}

} // namespace

// Frames to the terminals of one gateway go out on its socket. A failure is
// reported to the caller, never as a box: a modal box would let the next
// socket event into the decoder while it waits.
class OPT_Run::SocketLink : public TerminalLink
{
public:
    explicit SocketLink(QTcpSocket* s)
        : m_socket(s)
    {
    }
    bool sendFrame(const QByteArray& frame, QString* error) override
    {
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            *error = QStringLiteral("The connection to the gateway is not open");
            return false;
        }
        if (m_socket->write(frame) != frame.size()) {
            *error = m_socket->errorString();
            return false;
        }
        return true;
    }

private:
    QTcpSocket* m_socket;
};

OPT_Run::OPT_Run(QWidget* parent)
    : QWidget(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("OPT_Run"));
    setWindowTitle(QStringLiteral("DT200 monitor server"));

    auto* label1 = new QLabel(QStringLiteral("GW21 IP"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* grid = new QGridLayout;
    grid->addWidget(label1, 0, 0, 1, 3);
    for (int i = 1; i <= kGateways; ++i) {
        Row& r = m_rows[size_t(i)];
        r.LB = new QLabel(this);
        r.LB->setObjectName(QStringLiteral("LB%1").arg(i));
        r.LB->setMinimumWidth(1500 / Module1::kTwipsPerPixel);
        r.LB->setFrameShape(QFrame::Panel);
        r.LB->setFrameShadow(QFrame::Sunken);
        r.LB->setAutoFillBackground(true);
        r.LB->setEnabled(false);
        r.cmdStart = new QPushButton(kStart, this);
        r.cmdStart->setObjectName(QStringLiteral("cmdStart%1").arg(i));
        r.cmdStart->setEnabled(false);
        r.lblState = new QLabel(this);
        r.lblState->setObjectName(QStringLiteral("lblState%1").arg(i));
        r.lblState->setMinimumWidth(2500 / Module1::kTwipsPerPixel);
        r.lblState->hide();
        r.WSClient = new QTcpSocket(this);
        r.WSClient->setReadBufferSize(kReadBytes);
        r.stream = std::make_unique<FrameStream>();
        r.link = std::make_unique<SocketLink>(r.WSClient);
        setColour(i, stoppedColour());
        grid->addWidget(r.LB, i, 0);
        grid->addWidget(r.cmdStart, i, 1);
        grid->addWidget(r.lblState, i, 2);

        connect(r.cmdStart, &QPushButton::clicked, this, [this, i] { cmdStart_Click(i); });
        connect(r.WSClient, &QTcpSocket::connected, this, [this, i] { WSClient_Connect(i); });
        connect(r.WSClient, &QTcpSocket::errorOccurred, this, [this, i] { WSClient_Error(i); });
        connect(r.WSClient, &QTcpSocket::readyRead, this, [this, i] { WSClient_DataArrival(i); });
        // Also a link the gateway closes: its descriptor may soon name
        // another socket.
        connect(r.WSClient, &QTcpSocket::stateChanged, this, [this, i](QAbstractSocket::SocketState s) {
            if (s == QAbstractSocket::ClosingState || s == QAbstractSocket::UnconnectedState) {
                m_arrivals.forget(m_rows[size_t(i)].watchedFd);
                m_rows[size_t(i)].watchedFd = -1;
            }
        });
    }
    grid->setRowStretch(kGateways + 1, 1);

    m_cboGW = new QComboBox(this);
    m_cboGW->setObjectName(QStringLiteral("cboGW"));
    auto* label2 = new QLabel(QStringLiteral("History"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_listHistory = new QListWidget(this);
    m_listHistory->setObjectName(QStringLiteral("listHistory"));
    m_listHistory->setUniformItemSizes(true);
    m_cmdexit = new QPushButton(QStringLiteral("Exit"), this);
    m_cmdexit->setObjectName(QStringLiteral("cmdexit"));
    connect(m_cmdexit, &QPushButton::clicked, this, &OPT_Run::cmdexit_Click);

    auto* right = new QVBoxLayout;
    right->addWidget(m_cboGW);
    right->addWidget(label2);
    right->addWidget(m_listHistory, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_cmdexit);
    right->addLayout(bottom);
    auto* top = new QHBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(right, 1);
    resize(12000 / Module1::kTwipsPerPixel, 7000 / Module1::kTwipsPerPixel);

    // The newest line is selected and scrolled into view once per burst of
    // frames: laying the list out again for every frame would cost more
    // than the frame's checks.
    m_showLast = new QTimer(this);
    m_showLast->setSingleShot(true);
    m_showLast->setInterval(50);
    connect(m_showLast, &QTimer::timeout, this, [this] {
        m_listHistory->setCurrentRow(m_listHistory->count() - 1);
        m_listHistory->scrollToBottom();
    });

    // Waiting frames are handled a few per gateway per turn of the event
    // loop, so that one busy gateway cannot hold up the others' answers.
    m_turn = new QTimer(this);
    m_turn->setSingleShot(true);
    m_turn->setInterval(0);
    connect(m_turn, &QTimer::timeout, this, &OPT_Run::serveTurn);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &OPT_Run::Timer1_Timer);

    m_dialogue = std::make_unique<ScanDialogue>(Module1::gConn(), gTerminals());
    Form_Load();
}

OPT_Run::~OPT_Run()
{
    for (int i = 1; i <= kGateways; ++i) {
        m_rows[size_t(i)].WSClient->disconnect(this);
        closeLink(i);
    }
}

void OPT_Run::setClock(WallClock clock)
{
    m_clock = std::move(clock);
}

void OPT_Run::setStreamClock(FrameStream::Clock clock)
{
    for (int i = 1; i <= kGateways; ++i)
        m_rows[size_t(i)].stream = std::make_unique<FrameStream>(clock);
}

QDateTime OPT_Run::now() const
{
    return m_clock();
}

QColor OPT_Run::connectedColour()
{
    return QColor(0x00, 0xFF, 0x00);
}

QColor OPT_Run::failedColour()
{
    return QColor(0xFF, 0x00, 0x00);
}

QColor OPT_Run::stoppedColour()
{
    return QPalette().color(QPalette::Button);
}

void OPT_Run::Form_Load()
{
    Module1::CenterOnFirstShow(this);
    m_timer->stop();
    LoadGateways();
}

void OPT_Run::LoadGateways()
{
    try {
        db::ResultSet rs = Module1::gConn().query(QStringLiteral("SELECT DISTINCT gw21_ip FROM line_set order by gw21_ip "));
        m_cboGW->clear();
        int i = 0;
        QStringList notShown;
        for (; !rs.eof(); rs.moveNext()) {
            const QString address = rs.text(0).trimmed();
            if (i == kGateways) {
                notShown << address;
                continue;
            }
            ++i;
            m_cboGW->addItem(address);
            Row& r = m_rows[size_t(i)];
            r.LB->setText(address);
            r.LB->setEnabled(true);
            r.cmdStart->setEnabled(true);
            r.lblState->show();
        }
        if (i == 0) {
            msg::information(QStringLiteral("No gateway is set up yet: the line set-up holds no GW21 IP."));
            return;
        }
        m_cboGW->setCurrentIndex(0);
        if (!notShown.isEmpty())
            msg::box(QStringLiteral("Only %1 gateways can be monitored. Not listed: %2.")
                         .arg(kGateways)
                         .arg(notShown.join(QStringLiteral(", "))),
                     msg::Buttons::Ok, msg::Icon::Critical, QStringLiteral("Warning"));
        const TerminalTable::LoadResult loaded = gTerminals().LoadDevices(Module1::gConn());
        if (loaded.leftOut > 0)
            msg::box(QStringLiteral("Only %1 terminals can be monitored: %2 rows of the line set-up are left out.")
                         .arg(TerminalTable::kRows)
                         .arg(loaded.leftOut),
                     msg::Buttons::Ok, msg::Icon::Critical, QStringLiteral("Warning"));
    } catch (const db::DbError& e) {
        msg::box(e.nativeCode() + e.text() + QStringLiteral("."), msg::Buttons::Ok, msg::Icon::Critical,
                 QStringLiteral("Warning"));
    }
}

void OPT_Run::connectRow(int i)
{
    Row& r = m_rows[size_t(i)];
    // What the gateway sent before the link went is still handled.
    queueFrames(i, r.stream->flush());
    serveRow(i, r.waiting.size());
    closeLink(i);
    r.failed = false;
    r.WSClient->connectToHost(r.LB->text(), quint16(Module1::settings().gatewayPort));
}

void OPT_Run::closeLink(int i)
{
    Row& r = m_rows[size_t(i)];
    m_arrivals.forget(r.watchedFd);
    r.watchedFd = -1;
    r.WSClient->abort();
}

void OPT_Run::cmdStart_Click(int i)
{
    Row& r = m_rows[size_t(i)];
    if (r.cmdStart->text() == kStart) {
        r.cmdStart->setText(kStop);
        r.watch.started(now());
        r.started = true;
        connectRow(i);
        m_timer->start();
    } else {
        r.cmdStart->setText(kStart);
        setColour(i, stoppedColour());
        r.lblState->clear();
        queueFrames(i, r.stream->flush());
        serveRow(i, r.waiting.size());
        closeLink(i);
        r.started = false;
    }
}

void OPT_Run::WSClient_Connect(int i)
{
    Row& r = m_rows[size_t(i)];
    // Answers are small frames an operator waits for: send each at once.
    r.WSClient->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    r.watchedFd = int(r.WSClient->socketDescriptor());
    m_arrivals.watch(r.watchedFd);
    r.watch.connected(now());
    addLine(history::Connected(now(), remoteIp(r.WSClient)));
}

void OPT_Run::WSClient_Error(int i)
{
    Row& r = m_rows[size_t(i)];
    r.failed = true;
    const QString host = r.LB->text();
    addLine(history::SocketError(host, r.WSClient->errorString()));
    for (int j = 1; j <= kGateways; ++j) {
        if (m_rows[size_t(j)].LB->text() == host)
            setColour(j, failedColour());
    }
}

void OPT_Run::WSClient_DataArrival(int i)
{
    Row& r = m_rows[size_t(i)];
    const QByteArray bytes = r.WSClient->readAll();
    // The wait for a frame's rest counts from when the bytes came, not from
    // when a scan that held this thread let them be read.
    const int fd = int(r.WSClient->socketDescriptor());
    const qint64 at = r.stream->now();
    const ArrivalWatch::Ages ages = m_arrivals.take(fd);
    const qint64 first = at - ages.first;
    const qint64 last = at - ages.last;
    if (bytes.isEmpty())
        return;
    // Any bytes show the gateway alive, also a piece still waiting for its rest.
    r.watch.received(now());
    queueFrames(i, r.stream->feed(bytes, first, last));
}

qint64 OPT_Run::quietUntil(int i)
{
    Row& r = m_rows[size_t(i)];
    const qint64 age = m_arrivals.waitingAge(int(r.WSClient->socketDescriptor()));
    return r.stream->now() - qMax<qint64>(0, age);
}

void OPT_Run::queueFrames(int i, const QList<QByteArray>& frames)
{
    Row& r = m_rows[size_t(i)];
    for (const QByteArray& frame : frames) {
        if (qsizetype(r.waiting.size()) >= kMaxWaitingFrames) {
            dropWaiting(i);
            break;
        }
        r.waiting.push_back(frame);
    }
    if (!r.waiting.empty() && !m_turn->isActive())
        m_turn->start();
}

// One history line for a run of dropped frames, not one per frame.
void OPT_Run::dropWaiting(int i)
{
    Row& r = m_rows[size_t(i)];
    if (!r.dropping)
        addLine(history::FramesDropped(now(), remoteIp(r.WSClient, r.LB->text())));
    r.dropping = true;
}

void OPT_Run::serveRow(int i, qsizetype most)
{
    Row& r = m_rows[size_t(i)];
    if (r.waiting.empty())
        return;
    // A gateway that does not read its answers gets no more of them; the
    // history says so once, until it reads them again.
    if (r.WSClient->bytesToWrite() > kMaxUnsentBytes) {
        dropWaiting(i);
        r.waiting.clear();
        return;
    }
    for (; most > 0 && !r.waiting.empty(); --most) {
        const QByteArray frame = std::move(r.waiting.front());
        r.waiting.pop_front();
        handleFrame(i, frame);
    }
    if (r.waiting.empty())
        r.dropping = false;
}

void OPT_Run::serveTurn()
{
    bool more = false;
    for (int i = 1; i <= kGateways; ++i) {
        serveRow(i, kFramesPerTurn);
        more = more || !m_rows[size_t(i)].waiting.empty();
    }
    if (more)
        m_turn->start();
}

void OPT_Run::handleFrame(int i, const QByteArray& frame)
{
    Row& r = m_rows[size_t(i)];
    const QString ip = remoteIp(r.WSClient, r.LB->text());
    const FrameResult result = m_dialogue->ProcessTerminalData(frame, ip, *r.link);
    const LastFrame& last = gLastFrame();
    if (!result.sendError.isEmpty())
        addLine(history::SocketError(r.LB->text(), result.sendError));
    if (!result.dbError.isEmpty())
        databaseFailed(result.dbError, result.checkedStep);
    else if (result.checkedStep != 0)
        databaseAnswered(result.checkedStep);
    if (result.termError >= 1 && result.termError <= 7)
        addLine(history::Rejection(now(), result.termError, last.node));
    addLine(history::Data(now(), last.data, ip, last.node));
    if (!result.abandoned && !m_showLast->isActive())
        m_showLast->start();
}

int OPT_Run::stateCode(int i) const
{
    const Row& r = m_rows[size_t(i)];
    switch (r.WSClient->state()) {
    case QAbstractSocket::UnconnectedState:
        return r.failed ? StateError : StateClosed;
    case QAbstractSocket::HostLookupState:
        return StateResolvingHost;
    case QAbstractSocket::ConnectingState:
        return StateConnecting;
    case QAbstractSocket::ConnectedState:
        return StateConnected;
    case QAbstractSocket::BoundState:
        return StateOpen;
    case QAbstractSocket::ListeningState:
        return StateListening;
    case QAbstractSocket::ClosingState:
        return StateClosing;
    }
    return 10;
}

void OPT_Run::Timer1_Timer()
{
    for (int i = 1; i <= kGateways; ++i) {
        Row& r = m_rows[size_t(i)];
        if (!r.LB->isEnabled() || r.cmdStart->text() != kStop)
            continue;
        const int state = stateCode(i);
        r.lblState->setText(GetStateText(state));
        setColour(i, state == StateConnected ? connectedColour() : failedColour());
        // A piece that never got its rest is handed on rather than kept; bytes
        // that came in time but are not read yet are its rest, maybe.
        queueFrames(i, r.stream->takeStale(quietUntil(i)));
    }
    if (!anyStarted())
        return;
    // Once per tick, however many gateways run.
    if (!CheckDbConnection()) {
        QString failure;
        if (Module1::OpenConnection(&failure))
            databaseAnswered();
        else
            databaseFailed(failure);
    } else if (m_dbDown && Module1::gConn().handle().connectionName() != m_failedConnection) {
        // Reopened since the failure, by another screen: that connection's
        // outage is over. On the connection that failed, the probe also gets
        // through while another workstation holds a lock a scan waits for:
        // that outage ends when the scan's step gets through.
        databaseAnswered();
    }
    CheckConnections();
}

void OPT_Run::databaseFailed(const QString& description, int step)
{
    m_failedConnection = Module1::gConn().handle().connectionName();
    m_failedStep = step;
    if (m_dbDown)
        return;
    m_dbDown = true;
    addLine(history::DatabaseDown(now(), description));
}

void OPT_Run::databaseAnswered(int step)
{
    if (!m_dbDown || (step != 0 && m_failedStep != 0 && step != m_failedStep))
        return;
    m_dbDown = false;
    addLine(history::DatabaseBack(now()));
}

bool OPT_Run::CheckDbConnection()
{
    try {
        Module1::gConn().probe();
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

void OPT_Run::CheckConnections()
{
    const QDateTime at = now();
    for (int i = 1; i <= kGateways; ++i) {
        Row& r = m_rows[size_t(i)];
        if (r.cmdStart->text() != kStop)
            continue;
        const QAbstractSocket::SocketState s = r.WSClient->state();
        const bool connecting = s == QAbstractSocket::HostLookupState || s == QAbstractSocket::ConnectingState;
        if (r.watch.tick(s == QAbstractSocket::ConnectedState, connecting, at) != GatewayWatch::Action::None)
            connectRow(i);
    }
}

bool OPT_Run::anyStarted() const
{
    for (int i = 1; i <= kGateways; ++i) {
        if (m_rows[size_t(i)].started)
            return true;
    }
    return false;
}

void OPT_Run::addLine(const QString& line)
{
    m_listHistory->addItem(line);
    // A long shift must not grow the list without bound. The oldest lines go
    // a tenth at a time: one removal per line would cost a pass over the
    // whole list for every frame.
    const int count = m_listHistory->count();
    if (count > history::kMaxLines)
        m_listHistory->model()->removeRows(0, count - history::kMaxLines + history::kMaxLines / 10);
}

void OPT_Run::setColour(int i, const QColor& c)
{
    QLabel* lb = m_rows[size_t(i)].LB;
    QPalette p = lb->palette();
    p.setColor(QPalette::Window, c);
    lb->setPalette(p);
}

void OPT_Run::setOperatorEnabled(bool on)
{
    for (int i = 1; i <= kGateways; ++i) {
        Row& r = m_rows[size_t(i)];
        r.cmdStart->setEnabled(on && r.LB->isEnabled());
    }
    m_cmdexit->setEnabled(on);
}

void OPT_Run::cmdexit_Click()
{
    close();
}

void OPT_Run::closeEvent(QCloseEvent* e)
{
    if (anyStarted()) {
        msg::box(QStringLiteral("Disconnect the link between GW21 and computer first..."), msg::Buttons::Ok,
                 msg::Icon::Exclamation, QStringLiteral("Warning"));
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}
