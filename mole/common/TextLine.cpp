#include "common/TextLine.h"

#include "common/Interrupt.h"
#include "common/Output.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace mole {

namespace {

constexpr std::string_view kJoiner = "\u2060";

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are not valid UTF-8.
size_t decode(std::string_view text, size_t i, char32_t &code) {
    auto byte = [&](size_t k) { return uint8_t(text[k]); };
    uint8_t lead = byte(i);
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    code = length == 1 ? lead : length == 2 ? lead & 0x1f : length == 3 ? lead & 0x0f : lead & 0x07;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

std::string escaped(char32_t code) {
    char text[16];
    if (code == '\n')
        return "\\n";
    if (code == '\r')
        return "\\r";
    if (code == '\t')
        return "\\t";
    if (code < 0x100)
        std::snprintf(text, sizeof text, "\\x%02x", unsigned(code));
    else
        std::snprintf(text, sizeof text, "\\u%04x", unsigned(code));
    return text;
}

bool isControl(char32_t code) {
    return code < 0x20 || (code >= 0x7f && code < 0xa0) || code == 0x2028 || code == 0x2029;
}

// Texts the app reacts to, each with the place where a joiner breaks it up.
struct Guard {
    std::string_view text;
    size_t split;
};
constexpr std::array kGuards = {
    Guard{"Mole", 1},
    Guard{"mo ", 2},
    Guard{"Potential space:", 1},
    Guard{"Tracked cleanup:", 1},
    Guard{"would free", 1},
    Guard{"freed", 1},
    Guard{" \u00b7 ", 1},
    Guard{" , ", 1},
    Guard{"=====", 1},
};

}  // namespace

std::string displayText(std::string_view name) {
    std::string clean;
    clean.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char32_t code = 0;
        size_t length = decode(name, i, code);
        if (length == 0) {
            clean += "\ufffd";
            ++i;
            continue;
        }
        if (isControl(code))
            clean += escaped(code);
        else
            clean.append(name.substr(i, length));
        i += length;
    }
    std::string out;
    out.reserve(clean.size() + 8);
    for (size_t i = 0; i < clean.size();) {
        std::string_view rest = std::string_view(clean).substr(i);
        bool guarded = false;
        for (const Guard &guard : kGuards) {
            if (rest.starts_with(guard.text)) {
                out.append(rest.substr(0, guard.split));
                out.append(kJoiner);
                i += guard.split;
                guarded = true;
                break;
            }
        }
        if (!guarded)
            out += clean[i++];
    }
    return out;
}

std::string counted(long count, std::string_view one, std::string_view many) {
    std::string text = std::to_string(count) + " ";
    if (count == 1)
        return text + std::string(one);
    return many.empty() ? text + std::string(one) + "s" : text + std::string(many);
}

bool printLine(std::string_view line) {
    std::string text(line);
    text += '\n';
    if (writeOut(text))
        return true;
    noteReaderGone();
    return false;
}

}  // namespace mole
