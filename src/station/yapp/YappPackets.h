#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

// The packets of the YAPP binary file transfer and of its checksummed form, YAPP-C, and a reader
// that finds them in a link's byte stream, where the link splits and joins them at will.
namespace Yapp {

enum class Kind {
    ReceiveReady, // RR
    ReceiveFile,  // RF
    AckEof,       // AF
    AckEot,       // AT
    CancelAck,    // CA
    ReceiveTpk,   // RT: the receiver asks for checksums
    SendInit,     // SI
    ReceiveInit,  // RI: a server's request, which the station does not serve
    Header,       // HD
    Data,         // DT
    SendEof,      // EF
    SendEot,      // ET
    NotReady,     // NR
    Resume,       // RE
    Cancel,       // CN
    Text,         // TX
};

struct Packet {
    Kind kind = Kind::SendInit;
    // What follows the length byte of HD, DT (without its checksum), NR, RE, CN, TX and RI.
    QByteArray body;
};

constexpr int kMaxBlock = 256;
constexpr int kMaxNameBytes = 200; // a header holds name, size and stamp in 255 bytes

// A file's date and time as the DOS directory gave them, which YAPP-C's header carries.
struct DosStamp {
    quint16 date = 0;
    quint16 time = 0;
};

struct Header {
    QByteArray name;
    qint64 size = 0;
    std::optional<DosStamp> stamp; // present: the sender offers YAPP-C
};

struct ResumeAt {
    qint64 length = 0;
    bool checksums = false;
};

QByteArray encode(Kind kind); // the two-byte packets
QByteArray header(const Header& header);
QByteArray data(QByteArrayView block, bool checksums);
QByteArray notReady(QByteArrayView reason);
QByteArray resume(const ResumeAt& at);
QByteArray cancel(QByteArrayView reason);

// Nullopt for a header whose size is not plain digits or whose stamp is malformed; the name is
// checked by whoever stores the file.
std::optional<Header> parseHeader(QByteArrayView body);
// A NAK's body is a resume when it starts with "R" and a NUL.
std::optional<ResumeAt> parseResume(QByteArrayView body);

quint8 checksum(QByteArrayView block);

// What a peer's NR or CN says, as the operator reads it: printable, at most 80 characters.
QString reasonText(QByteArrayView body);
// A side that sent CN waits for CA, or for the peer's own CN, which it answers CA: true when
// `kind` ends the wait, with `reply` what to send.
bool endsCancelWait(Kind kind, QByteArray& reply);

class Reader {
public:
    enum class Result { Packet, NeedMore, Garbage, BadChecksum };

    // DT packets carry a checksum byte from here on.
    void expectChecksums(bool on) { m_checksums = on; }
    void append(QByteArrayView bytes) { m_buffer.append(bytes); }
    qsizetype buffered() const { return m_buffer.size(); }
    bool cancelIsNext() const;
    void clear() { m_buffer.clear(); }
    void dropFirst() { m_buffer.remove(0, 1); }
    // Takes the next whole packet off the stream. Garbage and a bad checksum leave the stream
    // where it is: the transfer ends there.
    Result next(Packet& out);

private:
    QByteArray m_buffer;
    bool m_checksums = false;
};

} // namespace Yapp
