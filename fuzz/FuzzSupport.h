#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

// A broken invariant is a finding like a crash: abort so libFuzzer keeps the input.
#define FUZZ_CHECK(cond) ((cond) ? void() : fuzzFailed(__FILE__, __LINE__, #cond))
[[noreturn]] inline void fuzzFailed(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

// Takes an input apart from the front, so seeds can be written by hand: single bytes for
// choices, and texts that end at a backslash followed by any other byte ("\\" is one
// backslash). Past the end every byte reads as 0 and every text as empty.
struct FuzzReader {
    FuzzReader(const uint8_t* data, size_t size)
        : m_in(reinterpret_cast<const char*>(data), qsizetype(size)) {}

    bool atEnd() const { return m_pos >= m_in.size(); }
    quint8 byte() { return atEnd() ? 0 : quint8(m_in[m_pos++]); }
    QByteArray rest() { return m_in.mid(std::exchange(m_pos, m_in.size())); }
    // The next `n` bytes, fewer at the end.
    QByteArray bytes(qsizetype n) {
        const QByteArray out = m_in.mid(m_pos, n);
        m_pos += out.size();
        return out;
    }
    QByteArray text(qsizetype maxLength = 1 << 20) {
        QByteArray out;
        while (!atEnd() && out.size() < maxLength) {
            const char c = m_in[m_pos++];
            if (c == '\\' && !atEnd() && m_in[m_pos++] != '\\')
                break;
            out += c;
        }
        return out;
    }

    QByteArray m_in;
    qsizetype m_pos = 0;
};
