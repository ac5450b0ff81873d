#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace mole::status {

// Size of a freedesktop Trash folder (files/, info/, directorysizes). The
// total is kept between readings and recounted only when the trash changes;
// trashed folders are measured from the directorysizes cache when it is
// current, otherwise once by walking them.
class TrashMeter {
public:
    explicit TrashMeter(std::string trashDir);
    static std::string homeTrash();  // $XDG_DATA_HOME/Trash, else ~/.local/share/Trash

    // Nothing when `stop` was raised while a folder was being measured.
    std::optional<int64_t> size(const std::atomic<bool> &stop);

private:
    struct Measured {
        int64_t infoMtime = 0;
        int64_t bytes = 0;
    };
    std::optional<int64_t> recount(const std::atomic<bool> &stop);

    std::string m_dir;
    std::string m_stamp;  // modification times of files/, info/ and directorysizes
    int64_t m_total = 0;
    std::unordered_map<std::string, Measured> m_measured;  // folders walked, by name
};

}  // namespace mole::status
