#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

// tests/e2e/yapp_peer.py as N0BBB on engine B, calling the station and moving one file; `options`
// say which way and how. Its progress is kept.
struct YappPeer {
    explicit YappPeer(const QStringList& options) {
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { log += process.readAllStandardError(); });
        process.start(QStringLiteral("python3"),
                      QStringList{QStringLiteral(PM_YAPP_PEER)} + options);
    }
    ~YappPeer() {
        if (process.state() != QProcess::NotRunning)
            process.kill(), process.waitForFinished(3000);
    }
    bool finished(int ms) {
        return QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, ms);
    }
    // Its JSON line: result, bytes, sha256, checksums, reason.
    QJsonObject result() {
        return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    }

    QProcess process;
    QByteArray log;
};
