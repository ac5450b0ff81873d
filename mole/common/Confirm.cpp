#include "common/Confirm.h"

#include "common/Output.h"
#include "common/Text.h"

#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <string>

namespace mole {

bool confirmOnTerminal(std::string_view question) {
    if (!::isatty(STDIN_FILENO))
        return true;
    std::string prompt(question);
    prompt += " [y/N] ";
    writeOut(prompt);
    std::string answer;
    char c = 0;
    for (;;) {
        ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        answer += char(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string_view word = trim(answer);
    return word == "y" || word == "yes";
}

}  // namespace mole
