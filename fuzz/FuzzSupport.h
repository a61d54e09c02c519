#pragma once

#include <QByteArray>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding like a crash: abort so libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Takes an input apart from the front, so seeds can be written by hand: single bytes for
// choices, and texts that end at a backslash followed by any other byte ("\\" is one
// backslash). Past the end every byte reads as 0 and every text as empty.
class FuzzReader {
public:
    FuzzReader(const uint8_t* data, size_t size)
        : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }

    quint8 byte() { return atEnd() ? 0 : quint8(m_data[m_pos++]); }
    bool flag() { return byte() & 1; }

    QByteArray text(qsizetype maxLength = 1 << 20) {
        QByteArray out;
        while (!atEnd() && out.size() < maxLength) {
            const char c = m_data[m_pos++];
            if (c == '\\' && !atEnd()) {
                const char d = m_data[m_pos++];
                if (d != '\\')
                    break;
            }
            out += c;
        }
        return out;
    }

    QByteArray rest() {
        const QByteArray out(m_data + m_pos, qsizetype(m_size - m_pos));
        m_pos = m_size;
        return out;
    }

private:
    const char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Process-wide set-up shared by the fuzzers: a scratch per-user store (nothing of the
// machine's own settings is read or written) and a fixed locale, so a finding replays.
namespace FuzzEnv {

inline QString& startDir() {
    static QString dir;
    return dir;
}

inline void init() {
    static QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    startDir() = QDir::currentPath();
}

// Code under test changes the working folder; put it back before its folder goes.
inline void restoreDir() {
    QDir::setCurrent(startDir());
}

} // namespace FuzzEnv

inline QByteArray fuzzBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
