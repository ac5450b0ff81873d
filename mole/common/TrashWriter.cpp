#include "common/TrashWriter.h"

#include "common/Measure.h"
#include "common/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>

namespace mole {

namespace {

std::string deletionDate() {
    time_t now = ::time(nullptr);
    tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool writeAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

std::string trashInfoPath(const std::string &path) {
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned value = 0;
        if (text[i] == '%' && i + 2 < text.size() &&
            std::sscanf(std::string(text.substr(i + 1, 2)).c_str(), "%2x", &value) == 1) {
            out += char(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TrashWriter::TrashWriter(const Home &home) : m_home(home) {}

int TrashWriter::trash(const std::string &path) {
    int error = 0;
    std::optional<Beneath> item = Beneath::open(m_home, path, error);
    if (!item)
        return error;
    struct stat st;
    if (::fstatat(item->parent(), item->name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    std::optional<Place> itemPlace = placeOf(item->parent());
    if (!itemPlace || *itemPlace != m_home.place)
        return EXDEV;
    const std::string trash = m_home.data + "/Trash";
    int files = makeFolderBeneath(m_home, trash + "/files");
    int info = makeFolderBeneath(m_home, trash + "/info");
    auto closeBoth = [&] {
        if (files >= 0)
            ::close(files);
        if (info >= 0)
            ::close(info);
    };
    if (files < 0 || info < 0) {
        closeBoth();
        return EACCES;
    }
    // The .trashinfo is created first and exclusively: it reserves the name.
    const std::string base = item->name();
    const std::string text =
        "[Trash Info]\nPath=" + trashInfoPath(path) + "\nDeletionDate=" + deletionDate() + "\n";
    for (int attempt = 1; attempt < 10000; ++attempt) {
        std::string name = attempt == 1 ? base : base + "." + std::to_string(attempt);
        std::string infoName = name + ".trashinfo";
        int fd = ::openat(info, infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error = errno;
            break;
        }
        struct stat taken;
        if (::fstatat(files, name.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
            ::close(fd);  // an orphan in files/ holds the name; leave both alone
            ::unlinkat(info, infoName.c_str(), 0);
            continue;
        }
        // A full disk shows here, before anything has moved.
        errno = EIO;
        const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        if (written && ::renameat(item->parent(), base.c_str(), files, name.c_str()) == 0) {
            closeBoth();
            return 0;
        }
        error = written ? errno : writeError;
        ::unlinkat(info, infoName.c_str(), 0);
        break;
    }
    closeBoth();
    return error ? error : EEXIST;
}

}  // namespace mole
