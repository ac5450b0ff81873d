#pragma once

#include "common/Home.h"

#include <string_view>

namespace mole {

// A name a line of Trash/directorysizes may give: one entry of Trash/files,
// so never empty, ".", "..", or anything holding a slash (an absolute or
// climbing path would name something outside the Trash).
bool isTrashEntryName(std::string_view name);

// After Trash entries were removed: drops the lines of Trash/directorysizes
// for entries that are gone, and lines that name no entry of Trash/files at
// all, so the cache never describes missing folders.
void tidyDirectorySizes(const Home &home);

}  // namespace mole
