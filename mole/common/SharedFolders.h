#pragma once

#include <string_view>

namespace mole {

// Folders in ~/.config and ~/.local/share that belong to the desktop or to
// many applications at once: never anyone's leftovers.
bool isSharedFolder(std::string_view looseName);

}  // namespace mole
