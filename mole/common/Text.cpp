#include "common/Text.h"

#include "common/SafeFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mole {

std::optional<std::string> readFile(const std::string &path) {
    int fd = openRegular(AT_FDCWD, path, Links::follow);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> text = readAll(fd);
    ::close(fd);
    return text;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t pos = 0;
    while (pos < line.size()) {
        size_t start = line.find_first_not_of(" \t", pos);
        if (start == std::string_view::npos)
            break;
        size_t end = std::min(line.find_first_of(" \t", start), line.size());
        out.push_back(line.substr(start, end - start));
        pos = end;
    }
    return out;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char &c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view text) {
    constexpr std::string_view space = " \t\r\n\v\f";
    size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

std::string readLine(const std::string &path) {
    std::optional<std::string> text = readFile(path);
    if (!text)
        return {};
    std::string_view view = *text;
    return std::string(trim(view.substr(0, view.find('\n'))));
}

std::optional<int64_t> readInteger(const std::string &path) {
    std::string line = readLine(path);
    int64_t value = 0;
    auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc() || end == line.data())
        return std::nullopt;
    return value;
}

std::string valueAfter(std::string_view text, std::string_view key, char separator) {
    std::optional<std::string> value;
    forEachLine(text, [&](std::string_view line) {
        if (value || !line.starts_with(key))
            return;
        std::string_view rest = trim(line.substr(key.size()));
        if (!rest.empty() && rest.front() == separator)
            value = std::string(trim(rest.substr(1)));
    });
    return value.value_or(std::string());
}

std::string formatBytes(double bytes) {
    constexpr const char *units[] = {"B", "KB", "MB", "GB", "TB", "PB"};
    int unit = 0;
    while (bytes >= 1000 && unit < 5) {
        bytes /= 1000;
        ++unit;
    }
    char text[32];
    if (unit == 0 || bytes >= 10 || std::fabs(bytes - std::round(bytes)) < 0.05)
        std::snprintf(text, sizeof text, "%.0f %s", std::round(bytes), units[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", bytes, units[unit]);
    return text;
}

}  // namespace mole

namespace mole {

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += c < 0x20 || c == 0x7f ? '?' : char(c);
            ++i;
            continue;
        }
        int length = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 0;
        bool valid = length > 0 && c <= 0xf4 && i + size_t(length) <= text.size();
        for (int k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + size_t(k)]) & 0xc0) == 0x80;
        // C1 controls (U+0080 to U+009F) are terminal commands too.
        if (valid && length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0)
            valid = false;
        if (valid) {
            out.append(text.substr(i, size_t(length)));
            i += size_t(length);
        } else {
            out += "\xef\xbf\xbd";
            ++i;
        }
    }
    return out;
}

std::string shareBar(double fraction, int width) {
    int filled = int(std::lround(std::clamp(fraction, 0.0, 1.0) * width));
    std::string bar;
    for (int i = 0; i < width; ++i) bar += i < filled ? "\u2588" : "\u2591";
    return bar;
}

}  // namespace mole
