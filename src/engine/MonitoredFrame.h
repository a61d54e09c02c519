#pragma once

#include "FrameKind.h"

#include <QList>
#include <QString>
#include <QVarLengthArray>

#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>

// A short field held in place, cut to N characters: frames come by the thousand, and a call
// needs no allocation of its own.
template <qsizetype N> class ShortText {
public:
    ShortText() = default;
    explicit ShortText(QStringView text) : m_size(quint8(std::min(text.size(), N))) {
        std::copy_n(text.data(), m_size, m_chars.begin());
    }
    QStringView view() const { return QStringView(m_chars.data(), m_size); }
    operator QStringView() const { return view(); }
    QString toString() const { return view().toString(); }
    bool isEmpty() const { return m_size == 0; }
    qsizetype size() const { return m_size; }
    bool operator==(const ShortText&) const = default;

private:
    static_assert(N < 256);
    std::array<QChar, N> m_chars{};
    quint8 m_size = 0;
};

// A frame the engine monitored, taken apart from the text it sends:
// " 1:Fm N0AAA To N0BBB Via WIDE1-1,N0DIG* <UI pid=F0 Len=5 PF=0 >[20:27:06]\rhello\r".
// Texts are Latin-1. A header line that does not take apart is kept whole in asReceived, and
// the address and control fields stay empty.
struct MonitoredFrame {
    using Type = FrameKind;
    // The control details in the order and spelling the engine wrote them.
    enum class Detail : quint8 {
        SendSequence,    // S3
        ReceiveSequence, // R2
        Poll,            // P=1
        Final,           // F=1
        PollFinal,       // PF=0
        Pid,             // pid=F0
        PidWithPrefix,   // pid=0xF0
        Length,          // Len=5
    };
    static constexpr qsizetype kMaxCallLength = 9; // "N0CALL-15"
    static constexpr qsizetype kMaxTimeLength = 16;
    static constexpr qsizetype kMaxDigipeaters = 8;
    using Call = ShortText<kMaxCallLength>;

    struct Digipeater {
        Call call;
        bool repeated = false; // the engine marks it with a '*'
        bool operator==(const Digipeater&) const = default;
    };
    // How the engine spelled what the fields do not say, so that the text comes back unchanged.
    struct Layout {
        bool blankBeforePort = false;
        QVarLengthArray<Detail, 8> details; // each kind at most once: never more
        bool blankBeforeClose = false;      // "<UI pid=F0 >" rather than "<UI pid=F0>"
        bool crAfterInfo = false;           // the engine ends the info with one CR of its own
        bool operator==(const Layout&) const = default;
    };

    static constexpr qsizetype kMaxHeaderLength = 256;

    int port = 0;      // the AGW port, from 0
    bool sent = false; // this engine sent it rather than heard it
    Call source, destination;
    QVarLengthArray<Digipeater, kMaxDigipeaters> path;
    std::optional<Type> type; // none: the line has no control part
    std::optional<int> sendSequence, receiveSequence;
    std::optional<bool> pollFinal;
    std::optional<quint8> pid;
    std::optional<int> length;
    std::optional<ShortText<kMaxTimeLength>> time; // between the brackets, as written
    std::optional<QString> info;                   // none: nothing followed the header line
    std::optional<QString> asReceived;             // the header line, when it does not take apart
    Layout layout;

    bool operator==(const MonitoredFrame&) const = default;

    // The digipeaters as the line gives them: "WIDE1-1,N0DIG*".
    QString pathText() const;
};

// Takes apart the engine's text of a frame monitored on `agwPort`.
MonitoredFrame parseMonitoredFrame(const QString& text, int agwPort);

// The text the engine sent for the frame.
QString formatMonitoredFrame(const MonitoredFrame& frame);

// "UI", "SABM" ...
QLatin1String typeName(MonitoredFrame::Type type);
