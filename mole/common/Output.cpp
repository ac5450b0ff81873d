#include "common/Output.h"

#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

namespace mole {

namespace {

constexpr std::array kFilteredVerbs = {
    std::string_view("clean"),     std::string_view("purge"),     std::string_view("analyse"),
    std::string_view("analyze"),   std::string_view("uninstall"), std::string_view("optimize"),
    std::string_view("history"),   std::string_view("status"),    std::string_view("update"),
    std::string_view("installer"), std::string_view("touchid"),
};

bool startsWithVerb(std::string_view rest) {
    for (std::string_view verb : kFilteredVerbs)
        if (rest.starts_with(verb))
            return true;
    return false;
}

// Escapes more than the filter would match (word boundaries are ignored), so
// the line survives whichever definition of a word character the reader uses.
// Every replaced character is a literal character of a JSON string: 'M' and
// ' ' never occur inside an escape sequence.
std::string guardFilteredWords(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size();) {
        std::string_view rest = text.substr(i);
        if (rest.starts_with("Mole")) {
            out += "\\u004d";
            i += 1;
        } else if (rest.starts_with("mo ") && startsWithVerb(rest.substr(3))) {
            out += "mo\\u0020";
            i += 3;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The code point of the UTF-8 sequence at text[i], advancing i past it;
// U+FFFD (advancing one byte) for anything that is not valid UTF-8.
char32_t nextCodePoint(std::string_view text, size_t &i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    int length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
    if (length == 0 || lead > 0xf4 || i + size_t(length) > text.size()) {
        ++i;
        return 0xfffd;
    }
    char32_t code = lead & (0x7f >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80) {
            ++i;
            return 0xfffd;
        }
        code = code << 6 | (byte(i + k) & 0x3f);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
        ++i;
        return 0xfffd;
    }
    i += size_t(length);
    return code;
}

void appendEscape(std::string &out, char32_t unit) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", unsigned(unit));
    out += text;
}

}  // namespace

void appendJsonString(std::string &out, std::string_view text) {
    // Most names need nothing: plain ASCII that neither needs escaping nor
    // could spell a filtered word.
    bool plain = text.find("mo ") == std::string_view::npos &&
                 std::all_of(text.begin(), text.end(), [](char c) {
                     return c >= 0x20 && c < 0x7f && c != '"' && c != '\\' && c != 'M';
                 });
    if (plain) {
        out += '"';
        out += text;
        out += '"';
        return;
    }
    std::string escaped;
    escaped.reserve(text.size() + 2);
    escaped += '"';
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            char32_t code = nextCodePoint(text, i);
            if (code >= 0x10000) {
                code -= 0x10000;
                appendEscape(escaped, 0xd800 + (code >> 10));
                appendEscape(escaped, 0xdc00 + (code & 0x3ff));
            } else {
                appendEscape(escaped, code);
            }
            continue;
        }
        ++i;
        switch (c) {
            case '"':
                escaped += "\\\"";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7f)
                    appendEscape(escaped, c);
                else
                    escaped += char(c);
        }
    }
    escaped += '"';
    out += guardFilteredWords(escaped);
}

StreamedLine &StreamedLine::raw(std::string_view text) {
    m_buffer += text;
    flushWhenFull();
    return *this;
}

StreamedLine &StreamedLine::string(std::string_view text) {
    appendJsonString(m_buffer, text);
    flushWhenFull();
    return *this;
}

StreamedLine &StreamedLine::number(int64_t value) {
    m_buffer += std::to_string(value);
    return *this;
}

void StreamedLine::flushWhenFull() {
    constexpr size_t kBlock = 256 * 1024;
    if (m_buffer.size() < kBlock)
        return;
    m_written = m_written && writeOut(m_buffer);
    m_buffer.clear();
}

bool StreamedLine::end() {
    m_buffer += '\n';
    m_written = m_written && writeOut(m_buffer);
    m_buffer.clear();
    return m_written;
}

std::string jsonLine(const Json &value) {
    std::string line =
        guardFilteredWords(value.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace));
    line += '\n';
    return line;
}

bool writeOut(std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // An output set non-blocking by whoever started the engine is
            // only full, not gone: wait until the reader takes some.
            pollfd out{STDOUT_FILENO, POLLOUT, 0};
            if (::poll(&out, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        if (n <= 0)
            return false;
        text.remove_prefix(size_t(n));
    }
    return true;
}

void printError(std::string_view command, std::string_view message) {
    std::string line = "mole ";
    line += command;
    line += ": ";
    line += message;
    line += '\n';
    (void)!::write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace mole
