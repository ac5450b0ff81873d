#include "common/Output.h"

#include <unistd.h>
#include <array>
#include <cerrno>

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

}  // namespace

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
