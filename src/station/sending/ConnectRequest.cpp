#include "ConnectRequest.h"

#include "CallSign.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// Digits only: a call always holds a letter, even one that starts with a digit ("2E0ABC").
bool isNumber(QStringView word) {
    return std::all_of(word.begin(), word.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// WIDEn-N, TRACEn-N and RELAY: any station answers to them, so no link can be held through one.
bool isGenericAlias(const QString& call) {
    static const QRegularExpression alias(
        QStringLiteral("^(WIDE|TRACE)\\d?(-\\d+)?$|^RELAY(-\\d+)?$"));
    return alias.match(call).hasMatch();
}

} // namespace

std::optional<ConnectRequest> ConnectRequest::parse(QStringView text, QString* why) {
    const QList<QStringView> words = text.split(u' ', Qt::SkipEmptyParts);
    ConnectRequest request;
    qsizetype at = 0;
    if (!words.isEmpty() && isNumber(words[0])) {
        const int port = words[0].size() <= 3 ? words[0].toInt() : 256;
        if (port > 255) {
            *why = QStringLiteral("a port is a number from 0 to 255");
            return std::nullopt;
        }
        request.port = quint8(port);
        ++at;
    }
    if (request.port && at == words.size()) {
        *why = QStringLiteral("no call sign after the port");
        return std::nullopt;
    }
    request.call = CallSign::normalized(at < words.size() ? words[at] : QStringView(), why);
    if (request.call.isNull())
        return std::nullopt;
    ++at;
    if (at == words.size())
        return request;
    if (words[at].compare(u"VIA", Qt::CaseInsensitive) != 0 &&
        words[at].compare(u"V", Qt::CaseInsensitive) != 0) {
        *why = QStringLiteral("after the call only VIA and digipeaters may follow");
        return std::nullopt;
    }
    for (++at; at < words.size(); ++at) {
        for (const QStringView digi : words[at].split(u',', Qt::SkipEmptyParts)) {
            QString whyNot;
            const QString call = CallSign::normalized(digi, &whyNot);
            if (call.isNull()) {
                *why = QStringLiteral("digipeater ") + whyNot;
                return std::nullopt;
            }
            request.via.append(call);
        }
    }
    if (request.via.isEmpty())
        *why = QStringLiteral("VIA names no digipeater");
    else if (request.via.size() > kMaxDigipeaters)
        *why = QStringLiteral("at most %1 digipeaters, not %2")
                   .arg(kMaxDigipeaters)
                   .arg(request.via.size());
    else
        return request;
    return std::nullopt;
}

QStringList ConnectRequest::wayBack(QStringView path) {
    const QList<QStringView> digis = path.split(u',', Qt::SkipEmptyParts);
    qsizetype repeated = digis.size();
    while (repeated > 0 && !digis[repeated - 1].endsWith(u'*'))
        --repeated;
    // An engine that marks none (Direwolf's monitor does not) leaves the whole path to try.
    if (repeated == 0)
        repeated = digis.size();
    QStringList way;
    for (qsizetype i = repeated - 1; i >= 0; --i) {
        QStringView digi = digis[i];
        if (digi.endsWith(u'*'))
            digi.chop(1);
        const QString call = CallSign::normalized(digi);
        if (!call.isNull() && !isGenericAlias(call) && way.size() < kMaxDigipeaters)
            way.append(call);
    }
    return way;
}

QString ConnectRequest::text() const {
    QString line = port ? QString::number(*port) + u' ' + call : call;
    if (!via.isEmpty())
        line += QStringLiteral(" VIA ") + via.join(u',');
    return line;
}
