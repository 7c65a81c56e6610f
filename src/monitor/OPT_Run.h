#pragma once

#include "ArrivalWatch.h"
#include "terminal/FrameStream.h"
#include "terminal/GatewayWatch.h"
#include "terminal/HistoryLines.h"

#include <QAbstractSocket>
#include <QWidget>
#include <array>
#include <deque>
#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTcpSocket;
class QTimer;

namespace monitor {
class ScanDialogue;
}

// The terminal monitor server: a client connection to each gateway of the
// line set-up that the operator starts, every received frame handed to the
// scan dialogue, a running history, and a one-second watchdog that keeps the
// gateways and the database connection alive.
class OPT_Run : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kGateways = 9;

    explicit OPT_Run(QWidget* parent = nullptr);
    ~OPT_Run() override;

    // Rows counted from 1.
    QLabel* LB(int i) const { return m_rows.at(size_t(i)).LB; }
    QPushButton* cmdStart(int i) const { return m_rows.at(size_t(i)).cmdStart; }
    QLabel* lblState(int i) const { return m_rows.at(size_t(i)).lblState; }
    QTcpSocket* WSClient(int i) const { return m_rows.at(size_t(i)).WSClient; }
    QComboBox* cboGW() const { return m_cboGW; }
    QListWidget* listHistory() const { return m_listHistory; }
    QPushButton* cmdexit() const { return m_cmdexit; }
    QTimer* Timer1() const { return m_timer; }

    // The workstation clock of the watchdog and the history lines.
    void setClock(monitor::WallClock clock);
    // The clock that times a gateway's unfinished frame (milliseconds,
    // monotonic); set before any gateway is started.
    void setStreamClock(monitor::FrameStream::Clock clock);

    // Frames of one gateway handled in one turn of the event loop, before
    // the other gateways' frames get theirs.
    static constexpr int kFramesPerTurn = 8;
    // Frames one gateway may have waiting; past it they are dropped.
    static constexpr qsizetype kMaxWaitingFrames = 512;
    // Bytes taken from one gateway's link at a time: what a flood brings in
    // one read is cut and queued in one go.
    static constexpr qint64 kReadBytes = 16 * 1024;
    // Answers a gateway may leave unread before its frames are dropped.
    static constexpr qint64 kMaxUnsentBytes = 64 * 1024;

    // True while a gateway is started: the screen then serves its terminals.
    bool serving() const { return anyStarted(); }
    // Start/Stop and Exit for a user with or without the monitor's grant;
    // started gateways go on serving either way.
    void setOperatorEnabled(bool on);

    // The colours of a gateway label.
    static QColor connectedColour();
    static QColor failedColour();
    static QColor stoppedColour();

public Q_SLOTS:
    void cmdStart_Click(int i);
    void cmdexit_Click();
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    struct Row;
    class SocketLink;

    void Form_Load();
    void LoadGateways();
    void WSClient_Connect(int i);
    void WSClient_Error(int i);
    void WSClient_DataArrival(int i);
    // When bytes waiting on row i's link arrived, on its stream's clock; now
    // when none are waiting.
    qint64 quietUntil(int i);
    void queueFrames(int i, const QList<QByteArray>& frames);
    void serveRow(int i, qsizetype most);
    void serveTurn();
    void dropWaiting(int i);
    void handleFrame(int i, const QByteArray& frame);
    bool CheckDbConnection();
    // One history line when an outage begins and one when it ends. A step
    // that failed on a connection still open (a lock another workstation
    // holds) ends the outage when it runs through again; other steps may
    // get through meanwhile.
    void databaseFailed(const QString& description, int step = 0);
    void databaseAnswered(int step = 0);
    void CheckConnections();
    void connectRow(int i);
    // Closes row i's link at once, whatever is waiting on it.
    void closeLink(int i);
    void addLine(const QString& line);
    void setColour(int i, const QColor& c);
    int stateCode(int i) const;
    bool anyStarted() const;
    QDateTime now() const;

    struct Row
    {
        QLabel* LB = nullptr;
        QPushButton* cmdStart = nullptr;
        QLabel* lblState = nullptr;
        QTcpSocket* WSClient = nullptr;
        int watchedFd = -1; // the link's descriptor, while the arrival watch has it
        bool started = false;
        bool failed = false;
        monitor::GatewayWatch watch;
        std::unique_ptr<monitor::FrameStream> stream;
        std::unique_ptr<SocketLink> link;
        std::deque<QByteArray> waiting;
        bool dropping = false; // the history has said so since frames were last served
    };
    std::array<Row, kGateways + 1> m_rows;
    QComboBox* m_cboGW = nullptr;
    QListWidget* m_listHistory = nullptr;
    QPushButton* m_cmdexit = nullptr;
    QTimer* m_timer = nullptr;
    QTimer* m_showLast = nullptr;
    QTimer* m_turn = nullptr;
    monitor::WallClock m_clock;
    std::unique_ptr<monitor::ScanDialogue> m_dialogue;
    ArrivalWatch m_arrivals;
    bool m_dbDown = false;
    QString m_failedConnection; // the connection of the latest failure
    int m_failedStep = 0; // its dialogue step; 0 for the watchdog's
};
