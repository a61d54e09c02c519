#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class QSocketNotifier;

// What is left of a deadline for one bounded wait, in milliseconds: never negative, at most a
// minute.
int remainingMs(const QDeadlineTimer& deadline);

// One outgoing TCP connection on the operating system's sockets, for the engine link. Qt's own
// socket would bring its network library, and with it proxy and Kerberos libraries, into every
// start of a station that only ever talks to one engine.
//
// Works with or without an event loop: with one, the notifiers connect, read and write in the
// background and the signals tell; without, the waits poll the socket, each bounded.
// What arrives is buffered up to a limit; past it the engine waits on TCP flow control.
// Use it from one thread only.
class TcpStream : public QObject {
    Q_OBJECT
public:
    enum class State { Unconnected, Connecting, Connected };

    explicit TcpStream(qsizetype readLimit);
    ~TcpStream() override; // closes at once: what the system took still goes out

    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    // Looks the host up (a name on a thread of its own) and tries each address in turn.
    void connectToHost(const QString& host, quint16 port);
    bool waitForConnected(int ms);
    State state() const { return m_state; }
    void setLowDelay();

    qsizetype bytesAvailable() const { return m_in.size() - m_inStart; }
    QByteArray read(qsizetype most);
    bool waitForReadyRead(int ms);

    // Queues the bytes and sends what the system takes now; false unless connected.
    bool write(const QByteArray& bytes);
    void flush();
    qsizetype bytesToWrite() const { return m_out.size() - m_outStart; }
    bool waitForBytesWritten(int ms);

    // Sends what the system takes without waiting, then closes.
    void disconnectFromHost();
    void abort();

    // Why the connection failed or ended, in the system's words.
    QString errorString() const { return m_error; }
    bool closedByPeer() const { return m_closedByPeer; }

signals:
    void connected();
    void readyRead();
    void disconnected();

private:
    struct Lookup;
    void lookedUp();
    void tryNextAddress();
    void connectFinished();
    void fillReadBuffer();
    void sendQueued();
    void fail(int systemError);
    void closeSocket();
    void armNotifiers();

    const qsizetype m_readLimit;
    qintptr m_socket = -1;
    State m_state = State::Unconnected;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    std::shared_ptr<Lookup> m_lookup;
    QTimer m_lookupPoll;
    std::vector<QByteArray> m_addresses; // socket addresses, still to try
    QByteArray m_in;
    qsizetype m_inStart = 0;
    QByteArray m_out;
    qsizetype m_outStart = 0;
    QString m_error;
    bool m_closedByPeer = false;
};
