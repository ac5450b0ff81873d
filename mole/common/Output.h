#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace mole {

using Json = nlohmann::ordered_json;

// Serialises one JSON value as a single line the app can take in whole: ASCII
// only (so no byte of a name can end the line early), invalid UTF-8 replaced
// by U+FFFD, and the engine's name or command phrases spelt with \u escapes so
// the app's line filter never drops a line because of a file name.
std::string jsonLine(const Json &value);

// Appends text as a JSON string (quotes included) under the same rules as
// jsonLine, for output built piece by piece.
void appendJsonString(std::string &out, std::string_view text);

// One long line (a report of any size) written in large blocks as it is
// built, so it never has to be held whole in memory.
class StreamedLine {
public:
    StreamedLine &raw(std::string_view text);
    StreamedLine &string(std::string_view text);
    StreamedLine &number(int64_t value);
    // Writes what is left and the line feed; false when the reader has gone.
    bool end();

private:
    void flushWhenFull();
    std::string m_buffer;
    bool m_written = true;
};

// Writes all of text to standard output at once, unbuffered. Returns false
// when the reader has gone (EPIPE) or the write failed otherwise.
bool writeOut(std::string_view text);

// One line to standard error, for the one-line error messages.
void printError(std::string_view command, std::string_view message);

}  // namespace mole
