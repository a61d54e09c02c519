#pragma once

#include "AgwFrame.h"

#include <QTcpSocket>
#include <QtTest>
#include <algorithm>

// Air time: a connect or a line takes seconds at 1200 baud, through a digipeater twice that; the
// bound leaves room for the engines' retries (3 s apart) on a loaded machine.
constexpr int kAirMs = 30000;
#define AIR_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, kAirMs)
#define AIR_VERIFY(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, kAirMs)

// A remote station: a plain AGW client of its own on one of run.sh's engines, monitoring too.
// The station under test is N0AAA.
struct Remote {
    explicit Remote(const QByteArray& call) : m_call(call) {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
            for (m_decoder.feed(m_socket.readAll()); auto f = m_decoder.next();)
                frames.append(*f);
        });
    }
    bool registerAt(quint16 port) {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return m_socket.waitForConnected(5000) && (send('X'), send('m'), true) &&
               QTest::qWaitFor([this] { return count('X') > 0; }, 5000) &&
               frames[0].data == QByteArray(1, '\1');
    }
    // To the station, or to the engine for 'X' and 'm'.
    void send(char kind, const QByteArray& data = {}, const QByteArray& to = "N0AAA") {
        const QByteArray dest = (kind == 'X' || kind == 'm') ? QByteArray() : to;
        m_socket.write(
            encodeAgwFrame({0, kind, quint8(kind == 'D' ? 0xF0 : 0), m_call, dest, data}));
    }
    qsizetype count(char kind) const { return std::ranges::count(frames, kind, &AgwFrame::kind); }
    // What the station sent: connected data to this remote, or frames of `kind` to `to`.
    QByteArray data(char kind = 'D', const QByteArray& to = {}) const {
        QByteArray out;
        for (const AgwFrame& f : frames)
            if (f.kind == kind && f.callFrom == "N0AAA" && f.callTo == (to.isEmpty() ? m_call : to))
                out += f.data;
        return out;
    }

    QList<AgwFrame> frames;
    QByteArray m_call;
    QTcpSocket m_socket;
    AgwFrameDecoder m_decoder;
};

// The port run.sh gave in `variable`, 0 outside it.
inline quint16 e2ePort(const char* variable) {
    return quint16(qEnvironmentVariableIntValue(variable));
}
