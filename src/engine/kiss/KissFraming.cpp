#include "KissFraming.h"

namespace kiss {

namespace {

constexpr char kFend = char(0xC0), kFesc = char(0xDB), kTfend = char(0xDC), kTfesc = char(0xDD);

void appendEscaped(QByteArray& out, char c) {
    if (c == kFend)
        out.append(kFesc).append(kTfend);
    else if (c == kFesc)
        out.append(kFesc).append(kTfesc);
    else
        out.append(c);
}

} // namespace

QByteArray encode(quint8 port, Command command, QByteArrayView payload) {
    QByteArray out;
    out.reserve(payload.size() + 4);
    out += kFend;
    // Port 12 makes a type byte of FEND itself, so the type byte is escaped like the payload.
    appendEscaped(out, command == Command::Return
                           ? char(0xFF)
                           : char(((port & 0x0F) << 4) | (quint8(command) & 0x0F)));
    for (const char c : payload)
        appendEscaped(out, c);
    out += kFend;
    return out;
}

void Decoder::feed(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (c == kFend) {
            if (m_state == State::Escaped)
                drop(); // and this FEND opens the next frame
            else if (m_state == State::InFrame)
                finishFrame();
            m_frame.resize(0); // keeps its room for the next frame
            m_state = State::InFrame;
            continue;
        }
        if (m_state == State::Searching)
            continue;
        char byte = c;
        if (m_state == State::Escaped) {
            if (c != kTfend && c != kTfesc) {
                drop();
                continue;
            }
            byte = c == kTfend ? kFend : kFesc;
            m_state = State::InFrame;
        } else if (c == kFesc) {
            m_state = State::Escaped;
            continue;
        }
        if (m_frame.size() > kMaxFrame) // the type byte and kMaxFrame of payload are in
            drop();
        else
            m_frame += byte;
    }
}

void Decoder::finishFrame() {
    if (m_frame.isEmpty())
        return; // FEND FEND: a TNC may send it as a fill
    if (m_queue.size() >= std::size_t(kMaxQueued)) {
        ++m_dropped;
        return;
    }
    const auto type = quint8(m_frame[0]);
    KissFrame& f = m_queue.emplace_back();
    f.port = type == 0xFF ? 0 : type >> 4;
    f.command = type == 0xFF ? Command::Return : Command(type & 0x0F);
    f.payload = m_frame.sliced(1);
}

// The frame so far is lost; what follows up to the next FEND belongs to it.
void Decoder::drop() {
    ++m_dropped;
    m_state = State::Searching;
}

std::optional<KissFrame> Decoder::next() {
    if (m_queue.empty())
        return std::nullopt;
    KissFrame f = std::move(m_queue.front());
    m_queue.pop_front();
    return f;
}

void Decoder::reset() {
    const quint64 dropped = m_dropped;
    *this = Decoder();
    m_dropped = dropped;
}

} // namespace kiss
