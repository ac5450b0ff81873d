#include "trash/Mover.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

namespace mole::trash {

namespace {

std::string failureText(int error) {
    if (error == EXDEV)
        return "no Trash can be used on its file system";
    if (error == EBUSY)
        return "is a mount point";
    return std::strerror(error);
}

// The real path of an open folder, as the kernel knows it; empty when the
// folder has been removed meanwhile.
std::string realPathOf(int fd) {
    char link[PATH_MAX];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(self.c_str(), link, sizeof link - 1);
    if (n <= 0 || link[0] != '/')
        return {};
    std::string path(link, size_t(n));
    return path.ends_with(" (deleted)") ? std::string() : path;
}

}  // namespace

const char *statusWord(Outcome::Status status) {
    switch (status) {
        case Outcome::moved:
            return "moved";
        case Outcome::gone:
            return "gone";
        case Outcome::refused:
            return "refused";
        case Outcome::changed:
            return "changed";
        case Outcome::failed:
            break;
    }
    return "failed";
}

Mover::Mover(const Home &home) : m_protected(home), m_writer(home) {}

Outcome Mover::move(const std::string &given) {
    if (given.empty() || given[0] != '/')
        return {Outcome::refused, "is not an absolute path"};
    const std::string path = lexicalPath(given);
    if (("/" + path + "/").find("/../") != std::string::npos)
        return {Outcome::refused, "goes through \"..\""};
    if (path == "/")
        return {Outcome::refused, "is the root folder"};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);

    // Refused as named, then again as found (the way there may hold links).
    if (std::string why = m_protected.refusal(path, Identity{}); !why.empty())
        return {Outcome::refused, why};
    int parent = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        // Inside a folder that went earlier (in this run or before): gone too.
        if (errno == ENOENT || errno == ENOTDIR)
            return {Outcome::gone, {}};
        return {Outcome::failed, failureText(errno)};
    }
    int error = 0;
    std::optional<Identity> identity = identityAt(parent, name, error);
    const std::string real = realPathOf(parent);
    // A protected place is refused even when it is missing.
    const std::string why = real.empty()
                                ? std::string()
                                : m_protected.refusal((real == "/" ? "" : real) + "/" + name,
                                                      identity.value_or(Identity{}));
    Outcome outcome;
    if (!why.empty()) {
        outcome = {Outcome::refused, why};
    } else if (!identity || real.empty()) {
        outcome = error == ENOENT || real.empty() ? Outcome{Outcome::gone, {}}
                                                  : Outcome{Outcome::failed, failureText(error)};
    } else {
        const TrashResult result = m_writer.move(parent, real, name, *identity);
        switch (result.status) {
            case TrashResult::moved:
                outcome = {Outcome::moved, {}};
                break;
            case TrashResult::gone:
                outcome = {Outcome::gone, {}};
                break;
            case TrashResult::changed:
                outcome = {Outcome::changed, "changed while being moved; left alone"};
                break;
            case TrashResult::failed:
                outcome = {Outcome::failed, failureText(result.error)};
                break;
        }
    }
    ::close(parent);
    return outcome;
}

}  // namespace mole::trash
