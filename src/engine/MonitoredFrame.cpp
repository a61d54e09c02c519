#include "MonitoredFrame.h"

#include <array>

namespace {
using Frame = MonitoredFrame;
using Type = Frame::Type;
using Detail = Frame::Detail;

using namespace Qt::Literals::StringLiterals;
constexpr std::array kTypeNames = {"I"_L1,    "RR"_L1,    "RNR"_L1,  "REJ"_L1, "SREJ"_L1,
                                   "SABM"_L1, "SABME"_L1, "DISC"_L1, "DM"_L1,  "UA"_L1,
                                   "FRMR"_L1, "UI"_L1,    "XID"_L1,  "TEST"_L1};
static_assert(kTypeNames.size() == size_t(Type::TEST) + 1);

constexpr int kMaxSequence = 127; // modulo 128 for SABME links

// Reads the header line from the front; every take consumes only what it matched. A busy air
// brings thousands of lines a second: each character is compared in place.
class Cursor {
public:
    explicit Cursor(QStringView line) : m_rest(line) {}

    bool atEnd() const { return m_rest.isEmpty(); }
    bool take(QLatin1String word) {
        if (m_rest.size() < word.size())
            return false;
        for (qsizetype i = 0; i < word.size(); ++i)
            if (m_rest[i].unicode() != uchar(word[i].toLatin1()))
                return false;
        m_rest = m_rest.mid(word.size());
        return true;
    }
    bool take(char c) {
        if (m_rest.isEmpty() || m_rest[0].unicode() != uchar(c))
            return false;
        m_rest = m_rest.mid(1);
        return true;
    }
    // Up to the first of `stops`, or the end.
    QStringView until(const char* stops) {
        qsizetype n = 0;
        while (n < m_rest.size() && !isOneOf(m_rest[n], stops))
            ++n;
        const QStringView out = m_rest.left(n);
        m_rest = m_rest.mid(n);
        return out;
    }
    // A leading zero is refused: the number would not come back as written.
    std::optional<int> number(int maxDigits) {
        if (m_rest.size() > 1 && m_rest[0] == u'0' && isDigit(m_rest[1]))
            return std::nullopt;
        int value = 0, digits = 0;
        while (digits < maxDigits && digits < m_rest.size() && isDigit(m_rest[digits]))
            value = value * 10 + (m_rest[digits++].unicode() - u'0');
        if (digits == 0)
            return std::nullopt;
        m_rest = m_rest.mid(digits);
        return value;
    }
    // Two upper-case hex digits.
    std::optional<quint8> hexByte() {
        if (m_rest.size() < 2 || hexValue(m_rest[0]) < 0 || hexValue(m_rest[1]) < 0)
            return std::nullopt;
        const int value = hexValue(m_rest[0]) * 16 + hexValue(m_rest[1]);
        m_rest = m_rest.mid(2);
        return quint8(value);
    }

private:
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
    static int hexValue(QChar c) {
        if (isDigit(c))
            return c.unicode() - u'0';
        return c >= u'A' && c <= u'F' ? c.unicode() - u'A' + 10 : -1;
    }
    static bool isOneOf(QChar c, const char* stops) {
        for (; *stops; ++stops)
            if (c.unicode() == uchar(*stops))
                return true;
        return false;
    }

    QStringView m_rest;
};

bool printable(QStringView text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

Frame::Call callAt(Cursor& in) {
    const QStringView call = in.until(" ,*<>[]");
    if (call.isEmpty() || call.size() > Frame::kMaxCallLength || !printable(call))
        return {};
    return Frame::Call(call);
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
    const QStringView word = in.until(" >");
    for (size_t i = 0; i < kTypeNames.size() && !f.type; ++i)
        if (word == typeName(Type(i)))
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
        const QStringView time = in.until("[]");
        if (!in.take(']') || !printable(time) || time.size() > Frame::kMaxTimeLength)
            return false;
        f.time = ShortText<Frame::kMaxTimeLength>(time);
    }
    return in.atEnd();
}

// Frames come by the thousand on a busy air: the line is written in place, no piece of it made
// apart.
void appendNumber(QString& out, int value) {
    std::array<char, 12> digits{};
    qsizetype n = 0;
    do {
        digits[size_t(n++)] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < qsizetype(digits.size()));
    while (n > 0)
        out += QLatin1Char(digits[size_t(--n)]);
}

void appendDetail(QString& line, const Frame& f, Detail detail) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto bit = [&] { line += f.pollFinal.value_or(false) ? u'1' : u'0'; };
    const auto pid = [&] {
        const quint8 value = f.pid.value_or(0);
        line += QLatin1Char(kHex[value >> 4]);
        line += QLatin1Char(kHex[value & 15]);
    };
    switch (detail) {
    case Detail::SendSequence:
        line += u'S';
        return appendNumber(line, f.sendSequence.value_or(0));
    case Detail::ReceiveSequence:
        line += u'R';
        return appendNumber(line, f.receiveSequence.value_or(0));
    case Detail::Poll:
        line += QLatin1String("P=");
        return bit();
    case Detail::Final:
        line += QLatin1String("F=");
        return bit();
    case Detail::PollFinal:
        line += QLatin1String("PF=");
        return bit();
    case Detail::Pid:
        line += QLatin1String("pid=");
        return pid();
    case Detail::PidWithPrefix:
        line += QLatin1String("pid=0x");
        return pid();
    case Detail::Length:
        line += QLatin1String("Len=");
        return appendNumber(line, f.length.value_or(0));
    }
}

void appendPath(QString& out, const decltype(Frame::path)& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (i > 0)
            out += u',';
        out += path[i].call.view();
        if (path[i].repeated)
            out += u'*';
    }
}

QString headerText(const Frame& f) {
    if (f.asReceived)
        return *f.asReceived;
    QString line;
    line.reserve(Frame::kMaxHeaderLength);
    if (f.layout.blankBeforePort)
        line += u' ';
    appendNumber(line, f.port + 1);
    line += QLatin1String(":Fm ");
    line += f.source.view();
    line += QLatin1String(" To ");
    line += f.destination.view();
    if (!f.path.isEmpty()) {
        line += QLatin1String(" Via ");
        appendPath(line, f.path);
    }
    if (f.type) {
        line += QLatin1String(" <");
        line += typeName(*f.type);
        for (Detail detail : f.layout.details) {
            line += u' ';
            appendDetail(line, f, detail);
        }
        line += f.layout.blankBeforeClose ? QLatin1String(" >") : QLatin1String(">");
    }
    if (f.time) {
        line += u'[';
        line += f.time->view();
        line += u']';
    }
    return line;
}
} // namespace

QString MonitoredFrame::pathText() const {
    QString text;
    appendPath(text, path);
    return text;
}

QLatin1String typeName(MonitoredFrame::Type type) {
    return kTypeNames[size_t(type)];
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
    // The grammar takes only what comes back exactly as the engine wrote it (the fuzzer holds it
    // to that): whatever else is not understood.
    MonitoredFrame parsed = frame;
    if (parseHeader(line, parsed))
        return parsed;
    frame.asReceived = line.toString();
    return frame;
}

QString formatMonitoredFrame(const MonitoredFrame& frame) {
    QString text = headerText(frame);
    if (frame.info) {
        text.reserve(text.size() + frame.info->size() + 2);
        text += u'\r';
        text += *frame.info;
        if (frame.layout.crAfterInfo)
            text += u'\r';
    }
    return text;
}
