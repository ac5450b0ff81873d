#include "common/TreeSize.h"

#include <fts.h>
#include <sys/stat.h>
#include <set>
#include <utility>

namespace mole {

int64_t treeSize(const std::string &path) {
    std::string copy = path;
    char *paths[] = {copy.data(), nullptr};
    FTS *walk = ::fts_open(paths, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (!walk)
        return 0;
    int64_t total = 0;
    std::set<std::pair<dev_t, ino_t>> linked;
    while (FTSENT *entry = ::fts_read(walk)) {
        if (entry->fts_info == FTS_DP || entry->fts_info == FTS_NS || !entry->fts_statp)
            continue;
        const struct stat &st = *entry->fts_statp;
        if (entry->fts_info != FTS_D && st.st_nlink > 1 &&
            !linked.emplace(st.st_dev, st.st_ino).second)
            continue;
        total += int64_t(st.st_blocks) * 512;
    }
    ::fts_close(walk);
    return total;
}

}  // namespace mole
