#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <thread>

class QTcpSocket;

// A gateway of handheld terminals as the monitor meets it: a TCP server on a
// loopback address that sends the terminals' frames and keeps, per terminal,
// what the monitor shows on its display and whether its signal is on.
namespace gwsim {

// The frames a terminal sends, byte 0 holding the length.
QByteArray dataFrame(int terminal, const QByteArray& payload);
QByteArray keyFrame(int terminal, int key); // F1 to F7
QByteArray startupFrame(int terminal);

// Addresses 127.0.0.2, 127.0.0.3, ... for gateway 0, 1, ...
QHostAddress loopbackAddress(int index);

struct TerminalScreen
{
    QStringList displays; // every text shown, oldest first
    QList<bool> signalFrames;
    bool signal = false;
    QString shown() const { return displays.isEmpty() ? QString() : displays.last(); }
};

class SimGateway : public QObject
{
    Q_OBJECT

public:
    explicit SimGateway(QObject* parent = nullptr);
    ~SimGateway() override;

    // Only loopback addresses are taken.
    bool listen(const QHostAddress& address, quint16 port);
    // The gateway is switched off: its link drops and nobody can connect.
    void switchOff();
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }
    bool hasClient() const;
    int connections() const { return m_connections; }

    // Each call is one write to the monitor; false when nobody is connected.
    bool send(const QByteArray& bytes);
    bool sendData(int terminal, const QByteArray& payload) { return send(dataFrame(terminal, payload)); }
    bool sendKey(int terminal, int key) { return send(keyFrame(terminal, key)); }
    bool sendStartup(int terminal) { return send(startupFrame(terminal)); }
    // The bytes in several writes, gapMs apart, so that they arrive apart.
    void sendInPieces(const QByteArray& bytes, int pieces, int gapMs);
    // One write after ms milliseconds from a thread of its own, so that it
    // arrives in time however long the monitor holds this thread.
    void sendLater(const QByteArray& bytes, int ms);
    // Aborts the monitor's connection; the server keeps listening.
    void dropLink();

    const TerminalScreen& terminal(int number) const;
    void forget() { m_terminals.clear(); }

Q_SIGNALS:
    void clientConnected();
    void clientDisconnected();
    void displayed(int terminal, const QString& text);
    void signalled(int terminal, bool on);

private:
    void onNewConnection();
    void onReadyRead();

    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QHostAddress m_address;
    quint16 m_port = 0;
    QByteArray m_in;
    QMap<int, TerminalScreen> m_terminals;
    int m_connections = 0;
    std::thread m_later;
};

} // namespace gwsim
