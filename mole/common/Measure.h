#pragma once

#include "common/Home.h"
#include "common/Removal.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace mole {

// A file or folder inside the home as found, with its allocated size
// (folders measured by the parallel walker of `analyze`).
struct Measured {
    std::string path;
    Identity identity;
    int64_t bytes = 0;
};

std::optional<Measured> measure(const Home &home, const std::string &path);

// The entries of a folder with their sizes, from one parallel walk.
std::map<std::string, Measured> measureChildren(const Home &home, const std::string &folder);

// A folder inside the home opened for reading, reached without links or
// other mounts; -1 when that is not possible.
int openFolderBeneath(const Home &home, const std::string &path);

}  // namespace mole
