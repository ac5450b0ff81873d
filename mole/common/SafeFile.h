#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace mole {

// Files the engine reads and writes are opened so that no file can stall or
// redirect it: O_NONBLOCK keeps a FIFO or a device from blocking open(), and
// the opened object must then be a regular file, so neither ever reaches
// read(). A link is followed only where the caller says a link is expected
// (desktop entries are often links); inside the home it never is.
enum class Links { follow, refuse };

// A regular file opened for reading, relative to the open folder `dir`
// (AT_FDCWD for a path); -1 with errno set otherwise (EINVAL for a FIFO,
// socket, device or folder, ELOOP for a refused link).
int openRegular(int dir, const std::string &path, Links links);

// All of an open file, up to `limit` bytes; nothing on a read error or when
// the file is larger.
std::optional<std::string> readAll(int fd, size_t limit = 64 << 20);

// A new file that no one else holds: created exclusively, never through a
// link, readable by the user alone; -1 with errno set when the name exists.
int createNew(int dir, const std::string &name, mode_t mode = 0600);

// Writes all of `text`; false with errno set on failure.
bool writeAll(int fd, const std::string &text);

}  // namespace mole
