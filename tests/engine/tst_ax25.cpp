#include "Ax25Frame.h"
#include "KissFraming.h"

#include <QtTest>

using Kind = Ax25Kind;
using N = std::optional<quint8>;

static QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// "port:command:payload " for each frame, then the count of dropped ones.
static QByteArray decoded(kiss::Decoder& d) {
    QByteArray out;
    while (const std::optional<kiss::KissFrame> f = d.next())
        out += QByteArray::number(f->port) + ':' + QByteArray::number(int(f->command)) + ':' +
               f->payload.toHex() + ' ';
    return out + QByteArray::number(d.dropped());
}

// NJ7P (C bit set) from N7LEM, and that with the repeater WB2OSZ-15 (H bit set): the address
// examples of the AX.25 document.
static const QByteArray kAddresses = hex("9c946ea04040e0 9c6e988a9a4061"),
                        kRepeated = hex("9c946ea04040e0 9c6e988a9a4060 ae84649ea6b4ff");

class TestAx25 : public QObject {
    Q_OBJECT

private slots:
    void controlField() {
        // kind, N(S), N(R) (-1: none), P/F: the control byte, and the frame back from its bytes.
        const std::tuple<Kind, int, int, bool, quint8> rows[] = {
            {Kind::I, 3, 5, 1, 0xB6},      {Kind::I, 7, 0, 0, 0x0E},
            {Kind::RR, -1, 7, 1, 0xF1},    {Kind::RNR, -1, 0, 0, 0x05},
            {Kind::REJ, -1, 1, 1, 0x39},   {Kind::SREJ, -1, 6, 0, 0xCD},
            {Kind::SABM, -1, -1, 1, 0x3F}, {Kind::SABME, -1, -1, 1, 0x7F},
            {Kind::DISC, -1, -1, 1, 0x53}, {Kind::DM, -1, -1, 0, 0x0F},
            {Kind::UA, -1, -1, 1, 0x73},   {Kind::FRMR, -1, -1, 0, 0x87},
            {Kind::UI, -1, -1, 0, 0x03},   {Kind::XID, -1, -1, 1, 0xBF},
            {Kind::TEST, -1, -1, 0, 0xE3}};
        const auto number = [](int n) { return n < 0 ? N() : N(n); };
        for (const auto& [kind, ns, nr, pf, control] : rows) {
            const bool pid = kind == Kind::I || kind == Kind::UI, info = kind >= Kind::FRMR || pid;
            Ax25Frame f = Ax25Frame::ui({"NJ7P"}, {"N7LEM"}, {}, 0xF0, info ? "hi" : "");
            std::tie(f.kind, f.ns, f.nr, f.pollFinal) =
                std::tuple(kind, number(ns), number(nr), pf);
            f.pid = pid ? f.pid : N();
            // The UI frame is the document's address example, whole.
            const QByteArray bytes =
                kAddresses + char(control) + (pid ? "\xf0" : "") + (info ? "hi" : "");
            QCOMPARE(encodeAx25(f).toHex(), bytes.toHex());
            QVERIFY2(decodeAx25(bytes) == f, bytes.toHex().constData());
        }
    }

    void addressField() {
        // The SSID bytes of destination and source: command or response, and the bytes sent
        // again (always version 2, the reserved bits set).
        const std::tuple<const char*, bool, const char*> rows[] = {
            {"e0 61", true, "e0 61"}, {"60 e1", false, "60 e1"}, {"60 61", true, "e0 61"},
            {"e0 e1", true, "e0 61"}, {"80 01", true, "e0 61"},  {"fe 7f", true, "fe 7f"},
        };
        for (const auto& [ssids, command, sent] : rows) {
            const QByteArray in = hex(ssids), bytes = kAddresses.left(6) + in[0] +
                                                      kAddresses.mid(7, 6) + in[1] + hex("11");
            const std::optional<Ax25Frame> f = decodeAx25(bytes);
            const QByteArray out = encodeAx25(f.value());
            QCOMPARE(std::tuple(ssids, f->command, f->source.ssid, out[6] + out.mid(13, 1)),
                     std::tuple(ssids, command, quint8(quint8(in[1]) >> 1 & 15), hex(sent)));
        }
        const Ax25Frame repeated =
            Ax25Frame::ui({"NJ7P"}, {"N7LEM"}, {{"WB2OSZ", 15, true}}, 0, {});
        QCOMPARE(encodeAx25(repeated).toHex(), (kRepeated + hex("0300")).toHex());
        QVERIFY(decodeAx25(kRepeated + hex("0300")) == repeated);
    }

    void badFrames() {
        const QByteArray ui = kAddresses + hex("03f0") + "hi";
        QByteArray noEnd = kRepeated.left(14) + kAddresses.left(7).repeated(8); // ten addresses
        QList<QByteArray> bad = {noEnd + kAddresses.right(7) + hex("03f0"),     // nine digipeaters
                                 noEnd + hex("03f0"), noEnd.left(30),           // no end bit
                                 QByteArray(ui).replace(0, 4, QByteArray(4, ' ' << 1))};
        // The UI frame cut to a length, with a byte replaced: half an address, no control, no
        // PID (UI, I), one address, lower case, '/', space inside a call, the end bit in a
        // call, RR and DISC with info.
        const std::tuple<int, int, char> cuts[] = {
            {0, 0, 0},      {13, 0, 0},      {14, 0, 0},        {15, 0, 0},
            {15, 14, 0x10}, {16, 6, '\xe1'}, {16, 1, 'j' << 1}, {16, 8, '/' << 1},
            {16, 1, 0x40},  {16, 2, 0x6f},   {17, 14, 0x41},    {16, 14, 0x53}};
        for (const auto& [length, at, byte] : cuts)
            bad.append(QByteArray(ui)
                           .replace(at, byte ? 1 : 0, byte ? QByteArray(1, byte) : "")
                           .left(length));
        for (const QByteArray& bytes : bad)
            QCOMPARE(std::tuple(bytes.toHex(), decodeAx25(bytes).has_value()),
                     std::tuple(bytes.toHex(), false));
        noEnd[69] = 0x61;
        QVERIFY(decodeAx25(noEnd + hex("03f0")).has_value()); // eight digipeaters are fine
    }

    void addressText() {
        for (const auto& [typed, text] :
             {std::pair("n0call-9", "N0CALL-9"), {"N0CALL-0", "N0CALL"}, {"A-15", "A-15"}})
            QCOMPARE(Ax25Address::fromText(typed).value_or(Ax25Address{}).text(), text);
        for (const char* typed :
             {"N0CALL-16", "N0CALL-05", "N0CALLX", "", "-5", "N0CALL-", "N0/C", "N0C-1/", "N0-C-1"})
            QVERIFY2(!Ax25Address::fromText(typed), typed);
    }

    void kissFrames() {
        using kiss::Command;
        const std::tuple<quint8, Command, QByteArray, QByteArray> sent[] = {
            {0, Command::Data, "TEST", hex("c0 00 54455354 c0")},
            {1, Command::Data, hex("c0 41 db"), hex("c0 10 dbdc 41 dbdd c0")},
            {12, Command::Data, "x", hex("c0 dbdc 78 c0")}, // a type byte that is FEND
            {3, Command::Return, {}, hex("c0 ff c0")},
            {17, Command::SetHardware, {}, hex("c0 16 c0")},
        };
        for (const auto& [port, command, payload, bytes] : sent)
            QCOMPARE(kiss::encode(port, command, payload).toHex(' '), bytes.toHex(' '));

        const QByteArray longest(kiss::Decoder::kMaxFrame, char(0xC0)), then = hex("c0 00 43 c0");
        const std::pair<QByteArray, QByteArray> received[] = {
            {hex("c0 00 41 c0 00 42 c0"), "0:0:41 0:0:42 0"},
            {"banner" + hex("c0 c0 c0 00 41 c0 c0 00 41"), "0:0:41 0"},
            {hex("c0 00 db 41 dc c0") + then, "0:0:43 1"},
            {hex("c0 a0 dbdc dbdd c0 35 c0 ff c0"), "10:0:c0db 3:5: 0:255: 0"},
            {kiss::encode(0, Command::Data, longest) + then,
             "0:0:" + longest.toHex() + " 0:0:43 0"},
            {kiss::encode(0, Command::Data, longest + 'x') + then, "0:0:43 1"},
            {hex("c0") + hex("00 c0").repeated(kiss::Decoder::kMaxQueued + 2),
             QByteArray("0:0: ").repeated(kiss::Decoder::kMaxQueued) + "2"},
        };
        for (const auto& [bytes, seen] : received) {
            kiss::Decoder d;
            d.feed(bytes);
            QCOMPARE(decoded(d), seen);
        }
    }

    void kissSplitFeeds() {
        const QByteArray stream = kiss::encode(2, kiss::Command::Data, hex("61 c0 62 db 63")) +
                                  kiss::encode(1, kiss::Command::Data, hex("db dc"));
        for (qsizetype i = 0; i <= stream.size(); ++i) {
            kiss::Decoder d;
            d.feed(stream.left(i));
            d.feed(stream.mid(i));
            QCOMPARE(std::tuple(i, decoded(d)),
                     std::tuple(i, QByteArray("2:0:61c062db63 1:0:dbdc 0")));
        }
        // Nothing half-read or waiting survives a reset; the count does.
        kiss::Decoder d;
        d.feed(hex("c0 00 41 c0 00 db 41 c0 00 42"));
        d.reset();
        d.feed(hex("43 c0 00 44 c0"));
        QCOMPARE(decoded(d), "0:0:44 1");
    }
};

QTEST_GUILESS_MAIN(TestAx25)
#include "tst_ax25.moc"
