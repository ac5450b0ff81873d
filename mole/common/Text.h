#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mole {

// Reads a whole small file (a /proc or /sys entry, a config file). Returns
// nothing when it cannot be opened or read, or is not a regular file (a FIFO
// or device is never waited on).
std::optional<std::string> readFile(const std::string &path);

// The first line of a file with surrounding white space removed; empty when
// the file is missing or blank.
std::string readLine(const std::string &path);

std::optional<int64_t> readInteger(const std::string &path);

std::string_view trim(std::string_view text);

// ASCII letters in lower case, every other byte as it is.
std::string lowerCase(std::string_view text);

// The value of "key<sep>value" on the first line that starts with key,
// trimmed; empty when no line has it.
std::string valueAfter(std::string_view text, std::string_view key, char separator);

// Calls visit(line) for each line of text, without the line feeds.
template <class Visit>
void forEachLine(std::string_view text, Visit &&visit) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        visit(text.substr(pos, end - pos));
        pos = end + 1;
    }
}

// The words of a line, split at spaces and tabs.
std::vector<std::string_view> words(std::string_view line);

// Bytes as short text in decimal units, e.g. "16 GB".
std::string formatBytes(double bytes);

// Text for a person's terminal: control characters (which could move the
// cursor or change colours) become '?', bytes that are not UTF-8 become
// U+FFFD.
std::string printable(std::string_view text);

// A bar `width` cells wide, filled to `fraction` (0 to 1), for a terminal.
std::string shareBar(double fraction, int width);

}  // namespace mole
