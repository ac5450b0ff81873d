#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>
#include <limits>
#include <type_traits>

// Cuts a byte stream into lines at LF, CR, CR LF, NEL (U+0085), LINE
// SEPARATOR (U+2028) and PARAGRAPH SEPARATOR (U+2029), all in UTF-8. Empty
// lines are never reported. Bytes may arrive in chunks of any size; a
// terminator split across two chunks is still recognised. Every byte is
// looked at once, however long a line grows.
//
// A line longer than `limit` bytes is reported as its first `limit` bytes
// (fewer when that would split a UTF-8 sequence) as soon as that much has
// arrived, flagged as cut; the rest up to the next terminator is dropped
// unseen, so memory stays near `limit` however long the line is.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype limit = std::numeric_limits<qsizetype>::max())
        : m_limit(limit) {}

    // Calls onLine(QByteArrayView line, bool cut) (or onLine(line)) for every
    // complete, non-empty line, and once for the head of every line cut short.
    template <typename OnLine>
    void feed(QByteArrayView chunk, OnLine &&onLine) {
        m_buffer.append(chunk);
        const char *data = m_buffer.constData();
        const qsizetype size = m_buffer.size();
        qsizetype lineStart = 0, i = m_scanned;
        while (i < size) {
            i = skipPlainBytes(data, i, size);
            if (i == size)
                break;
            const int terminator = terminatorLength(data + i, size - i);
            if (terminator == 0) {
                ++i;
                continue;
            }
            if (terminator < 0)
                break;  // maybe a terminator: wait for more bytes
            if (!m_dropping)
                report(QByteArrayView(data + lineStart, i - lineStart), onLine);
            m_dropping = false;
            i += terminator;
            lineStart = i;
        }
        m_buffer.remove(0, lineStart);
        m_scanned = i - lineStart;  // the next chunk resumes here
        if (!m_dropping && m_buffer.size() > m_limit) {
            report(QByteArrayView(m_buffer), onLine);
            m_dropping = true;
        }
        if (m_dropping) {
            // Only a possible terminator's first bytes are worth keeping.
            m_buffer.remove(0, m_scanned);
            m_scanned = 0;
        }
    }

    // End of input: reports the last line if it had no terminator.
    template <typename OnLine>
    void finish(OnLine &&onLine) {
        if (!m_dropping)
            report(QByteArrayView(m_buffer), onLine);
        m_buffer.clear();
        m_scanned = 0;
        m_dropping = false;
    }

private:
    template <typename OnLine>
    void report(QByteArrayView line, OnLine &onLine) const {
        const bool cut = line.size() > m_limit;
        if (cut) {
            qsizetype end = m_limit;
            while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
            line = line.first(end);
        } else if (line.isEmpty()) {
            return;
        }
        // A caller that does not ask whether a line was cut gets its head.
        if constexpr (std::is_invocable_v<OnLine &, QByteArrayView, bool>)
            onLine(line, cut);
        else
            onLine(line);
    }

    // The first index from i on holding a byte that may start a terminator
    // (LF, CR, 0xC2 or 0xE2), or size. Eight bytes are tested at a time, so a
    // long line costs little more than copying it.
    static qsizetype skipPlainBytes(const char *data, qsizetype i, qsizetype size) {
        constexpr quint64 ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
        const auto hasByte = [](quint64 word, unsigned char byte) {
            const quint64 x = word ^ (ones * byte);
            return ((x - ones) & ~x & highs) != 0;
        };
        for (; i + 8 <= size; i += 8) {
            quint64 word;
            std::memcpy(&word, data + i, sizeof word);
            if (hasByte(word, '\n') || hasByte(word, '\r') || hasByte(word, 0xC2) ||
                hasByte(word, 0xE2))
                break;
        }
        for (; i < size; ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            if (c == '\n' || c == '\r' || c == 0xC2 || c == 0xE2)
                break;
        }
        return i;
    }

    // Length of the terminator at p, 0 when there is none, -1 when the bytes
    // left are a prefix of one.
    static int terminatorLength(const char *p, qsizetype left) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\n' || c == '\r')
            return 1;
        if (c == 0xC2) {
            if (left < 2)
                return -1;
            return static_cast<unsigned char>(p[1]) == 0x85 ? 2 : 0;
        }
        if (c == 0xE2) {
            if (left < 2)
                return -1;
            if (static_cast<unsigned char>(p[1]) != 0x80)
                return 0;
            if (left < 3)
                return -1;
            const auto third = static_cast<unsigned char>(p[2]);
            return third == 0xA8 || third == 0xA9 ? 3 : 0;
        }
        return 0;
    }

    qsizetype m_limit;
    bool m_dropping = false;  // inside a line already reported cut
    QByteArray m_buffer;
    qsizetype m_scanned = 0;  // bytes of m_buffer already known to hold no terminator
};
