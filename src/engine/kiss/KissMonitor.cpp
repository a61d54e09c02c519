#include "KissMonitor.h"

namespace {

using Type = MonitoredFrame::Type;
using Detail = MonitoredFrame::Detail;

std::optional<Type> typeOf(Ax25Kind kind) {
    return kind == Ax25Kind::Unknown ? std::nullopt : std::optional(kind);
}

MonitoredFrame::Call callOf(const Ax25Address& address) {
    return MonitoredFrame::Call(QString::fromLatin1(address.text()));
}

// P for a command, F for a response; both C bits alike is version 1, which tells neither.
Detail pollFinalDetail(const Ax25Frame& frame) {
    if (frame.destination.bit7 == frame.source.bit7)
        return Detail::PollFinal;
    return frame.destination.bit7 ? Detail::Poll : Detail::Final;
}

} // namespace

MonitoredFrame monitoredFrame(const Ax25Frame& frame, int port, bool sent, const QTime& at) {
    MonitoredFrame m;
    m.port = port;
    m.sent = sent;
    m.source = callOf(frame.source);
    m.destination = callOf(frame.destination);
    // The convention of monitors: a star after the last digipeater that repeated the frame.
    qsizetype lastRepeated = -1;
    for (qsizetype i = 0; i < frame.via.size(); ++i)
        if (frame.via[i].bit7)
            lastRepeated = i;
    for (qsizetype i = 0; i < frame.via.size(); ++i)
        m.path.append({callOf(frame.via[i]), i == lastRepeated});
    m.layout.blankBeforePort = true;
    m.time = ShortText<MonitoredFrame::kMaxTimeLength>(at.toString(QStringLiteral("HH:mm:ss")));
    m.type = typeOf(frame.kind);
    if (!m.type) {
        m.asReceived = QStringLiteral(" %1:Fm %2 To %3 <U other ctl=%4 >")
                           .arg(port + 1)
                           .arg(m.source.view(), m.destination.view(),
                                QString::number(frame.control, 16)
                                    .toUpper()
                                    .rightJustified(2, QLatin1Char('0')));
        m.info = QString();
        return m;
    }
    m.layout.blankBeforeClose = true;
    const Type type = *m.type;
    const bool withInfo = type == Type::I || type == Type::UI || type == Type::XID ||
                          type == Type::TEST || type == Type::SREJ;
    if (frame.ns)
        m.sendSequence = *frame.ns, m.layout.details.append(Detail::SendSequence);
    if (frame.nr)
        m.receiveSequence = *frame.nr, m.layout.details.append(Detail::ReceiveSequence);
    if (frame.pid)
        m.pid = *frame.pid, m.layout.details.append(Detail::Pid);
    if (type == Type::I || type == Type::UI)
        m.length = int(frame.info.size()), m.layout.details.append(Detail::Length);
    m.pollFinal = frame.pollFinal;
    m.layout.details.append(pollFinalDetail(frame));
    if (type == Type::SREJ || type == Type::XID || type == Type::TEST)
        m.length = int(frame.info.size()), m.layout.details.append(Detail::Length);
    m.info = withInfo ? QString::fromLatin1(frame.info) : QString();
    m.layout.crAfterInfo = withInfo;
    return m;
}

EngineEvent monitoredEvent(const Ax25Frame& frame, int port, bool sent, const QTime& at) {
    using Class = EngineEvent::FrameClass;
    const Class frameClass = sent                         ? Class::Transmitted
                             : frame.kind == Ax25Kind::UI ? Class::Unproto
                             : frame.kind == Ax25Kind::I  ? Class::Information
                                                          : Class::LinkControl;
    return EngineEvent::monitored(frameClass, QString::fromLatin1(frame.source.text()),
                                  monitoredFrame(frame, port, sent, at));
}
