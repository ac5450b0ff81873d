#include "support/Files.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>

namespace Bench {

void writeBytes(const std::string &path, size_t bytes) {
    static const std::string data(1 << 20, 'x');
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    while (bytes > 0) {
        const ssize_t written = ::write(fd, data.data(), std::min(bytes, data.size()));
        if (written <= 0)
            break;
        bytes -= size_t(written);
    }
    ::close(fd);
}

bool isGenerated(const std::string &marker, int files) {
    FILE *file = std::fopen(marker.c_str(), "r");
    if (!file)
        return false;
    int recorded = 0;
    const bool current = std::fscanf(file, "%d", &recorded) == 1 && recorded == files;
    std::fclose(file);
    return current;
}

void markGenerated(const std::string &marker, int files) {
    if (FILE *file = std::fopen(marker.c_str(), "w")) {
        std::fprintf(file, "%d\n", files);
        std::fclose(file);
    }
}

}  // namespace Bench
