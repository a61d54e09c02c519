#include "MonitoredFrame.h"

#include <array>

namespace {
using Frame = MonitoredFrame;
using Type = Frame::Type;
using Detail = Frame::Detail;

constexpr std::array kTypeNames = {"I",    "RR", "RNR", "REJ",  "SREJ", "SABM", "SABME",
                                   "DISC", "DM", "UA",  "FRMR", "UI",   "XID",  "TEST"};
static_assert(kTypeNames.size() == size_t(Type::TEST) + 1);

constexpr int kMaxSequence = 127; // modulo 128 for SABME links

// Reads the header line from the front; every take consumes only what it matched.
class Cursor {
public:
    explicit Cursor(QStringView line) : m_rest(line) {}

    bool atEnd() const { return m_rest.isEmpty(); }
    bool take(QLatin1String word) {
        if (!m_rest.startsWith(word))
            return false;
        m_rest = m_rest.mid(word.size());
        return true;
    }
    bool take(char c) { return take(QLatin1String(&c, 1)); }
    QStringView until(QLatin1String stops) {
        qsizetype n = 0;
        while (n < m_rest.size() && !stops.contains(m_rest[n]))
            ++n;
        const QStringView out = m_rest.left(n);
        m_rest = m_rest.mid(n);
        return out;
    }
    // Leading zeros read too; such a line then does not come back as written and is refused.
    std::optional<int> number(int maxDigits) {
        int value = 0, digits = 0;
        while (digits < maxDigits && digits < m_rest.size() && m_rest[digits].isDigit())
            value = value * 10 + m_rest[digits++].digitValue();
        if (digits == 0)
            return std::nullopt;
        m_rest = m_rest.mid(digits);
        return value;
    }
    std::optional<quint8> hexByte() {
        const QLatin1String hex("0123456789ABCDEF");
        if (m_rest.size() < 2 || !hex.contains(m_rest[0]) || !hex.contains(m_rest[1]))
            return std::nullopt;
        const int value = int(hex.indexOf(m_rest[0]) * 16 + hex.indexOf(m_rest[1]));
        m_rest = m_rest.mid(2);
        return quint8(value);
    }

private:
    QStringView m_rest;
};

bool printable(QStringView text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

QString callAt(Cursor& in) {
    const QStringView call = in.until(QLatin1String(" ,*<>[]"));
    if (call.isEmpty() || call.size() > Frame::kMaxCallLength || !printable(call))
        return {};
    return call.toString();
}

// One of "S3", "R2", "P=1", "pid=F0", "Len=5" ..., each kind at most once.
bool takeDetail(Cursor& in, Frame& f) {
    const auto set = [&](auto& field, auto value, Detail spelling) {
        if (field || !value)
            return false;
        field = *value;
        f.layout.details.append(spelling);
        return true;
    };
    const auto bit = [&]() -> std::optional<bool> {
        const std::optional<int> value = in.number(1);
        return value && *value <= 1 ? std::optional<bool>(*value == 1) : std::nullopt;
    };
    const auto sequence = [&]() -> std::optional<int> {
        const std::optional<int> value = in.number(3);
        return value && *value <= kMaxSequence ? value : std::nullopt;
    };
    if (in.take(QLatin1String("pid=0x")))
        return set(f.pid, in.hexByte(), Detail::PidWithPrefix);
    if (in.take(QLatin1String("pid=")))
        return set(f.pid, in.hexByte(), Detail::Pid);
    if (in.take(QLatin1String("Len=")))
        return set(f.length, in.number(5), Detail::Length);
    if (in.take(QLatin1String("PF=")))
        return set(f.pollFinal, bit(), Detail::PollFinal);
    if (in.take(QLatin1String("P=")))
        return set(f.pollFinal, bit(), Detail::Poll);
    if (in.take(QLatin1String("F=")))
        return set(f.pollFinal, bit(), Detail::Final);
    if (in.take('S'))
        return set(f.sendSequence, sequence(), Detail::SendSequence);
    if (in.take('R'))
        return set(f.receiveSequence, sequence(), Detail::ReceiveSequence);
    return false;
}

// "<UI pid=F0 Len=5 >", the '<' taken.
bool takeControl(Cursor& in, Frame& f) {
    const QStringView word = in.until(QLatin1String(" >"));
    for (size_t i = 0; i < kTypeNames.size() && !f.type; ++i)
        if (word == QLatin1String(kTypeNames[i]))
            f.type = Type(i);
    if (!f.type)
        return false;
    while (!in.take('>')) {
        if (!in.take(' '))
            return false;
        if (in.take('>'))
            return f.layout.blankBeforeClose = true;
        if (!takeDetail(in, f))
            return false;
    }
    return true;
}

bool parseHeader(QStringView line, Frame& f) {
    if (line.size() > Frame::kMaxHeaderLength)
        return false;
    Cursor in(line);
    f.layout.blankBeforePort = in.take(' ');
    const std::optional<int> port = in.number(3);
    if (port != f.port + 1 || !in.take(QLatin1String(":Fm ")))
        return false;
    f.source = callAt(in);
    if (f.source.isEmpty() || !in.take(QLatin1String(" To ")))
        return false;
    f.destination = callAt(in);
    if (f.destination.isEmpty())
        return false;
    if (in.take(QLatin1String(" Via "))) {
        do {
            Frame::Digipeater digipeater{callAt(in)};
            digipeater.repeated = in.take('*');
            if (digipeater.call.isEmpty() || f.path.size() == Frame::kMaxDigipeaters)
                return false;
            f.path.append(digipeater);
        } while (in.take(','));
    }
    if (in.take(QLatin1String(" <")) && !takeControl(in, f))
        return false;
    if (in.take('[')) {
        const QStringView time = in.until(QLatin1String("[]"));
        if (!in.take(']') || !printable(time))
            return false;
        f.time = time.toString();
    }
    return in.atEnd();
}

QString detailText(const Frame& f, Detail detail) {
    const QString bit = QString::number(int(f.pollFinal.value_or(false)));
    const QString pid =
        QStringLiteral("%1").arg(int(f.pid.value_or(0)), 2, 16, QLatin1Char('0')).toUpper();
    switch (detail) {
    case Detail::SendSequence:
        return u'S' + QString::number(f.sendSequence.value_or(0));
    case Detail::ReceiveSequence:
        return u'R' + QString::number(f.receiveSequence.value_or(0));
    case Detail::Poll:
        return QStringLiteral("P=") + bit;
    case Detail::Final:
        return QStringLiteral("F=") + bit;
    case Detail::PollFinal:
        return QStringLiteral("PF=") + bit;
    case Detail::Pid:
        return QStringLiteral("pid=") + pid;
    case Detail::PidWithPrefix:
        return QStringLiteral("pid=0x") + pid;
    case Detail::Length:
        return QStringLiteral("Len=") + QString::number(f.length.value_or(0));
    }
    return {};
}

QString headerText(const Frame& f) {
    if (f.asReceived)
        return *f.asReceived;
    QString line = f.layout.blankBeforePort ? QStringLiteral(" ") : QString();
    line += QString::number(f.port + 1) + QStringLiteral(":Fm ") + f.source +
            QStringLiteral(" To ") + f.destination;
    if (!f.path.isEmpty())
        line += QStringLiteral(" Via ") + f.pathText();
    if (f.type) {
        line += QStringLiteral(" <") + typeName(*f.type);
        for (Detail detail : f.layout.details)
            line += u' ' + detailText(f, detail);
        line += f.layout.blankBeforeClose ? QStringLiteral(" >") : QStringLiteral(">");
    }
    if (f.time)
        line += u'[' + *f.time + u']';
    return line;
}
} // namespace

QString MonitoredFrame::pathText() const {
    QString text;
    for (const Digipeater& digipeater : path)
        text += (text.isEmpty() ? QString() : QStringLiteral(",")) + digipeater.call +
                (digipeater.repeated ? QStringLiteral("*") : QString());
    return text;
}

QLatin1String typeName(MonitoredFrame::Type type) {
    return QLatin1String(kTypeNames[size_t(type)]);
}

MonitoredFrame parseMonitoredFrame(const QString& text, int agwPort) {
    MonitoredFrame frame;
    frame.port = agwPort;
    const qsizetype cr = text.indexOf(u'\r');
    const QStringView line = QStringView(text).left(cr < 0 ? text.size() : cr);
    if (cr >= 0) {
        QStringView info = QStringView(text).mid(cr + 1);
        frame.layout.crAfterInfo = info.endsWith(u'\r');
        frame.info = info.chopped(frame.layout.crAfterInfo ? 1 : 0).toString();
    }
    // Whatever does not come back exactly as the engine wrote it is not understood.
    MonitoredFrame parsed = frame;
    if (parseHeader(line, parsed) && headerText(parsed) == line)
        return parsed;
    frame.asReceived = line.toString();
    return frame;
}

QString formatMonitoredFrame(const MonitoredFrame& frame) {
    QString text = headerText(frame);
    if (frame.info)
        text += u'\r' + *frame.info + (frame.layout.crAfterInfo ? QStringLiteral("\r") : QString());
    return text;
}
