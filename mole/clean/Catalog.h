#pragma once

#include <string_view>
#include <vector>

namespace mole::clean {

// Where the known caches live. A location is relative to the home folder,
// or to the XDG cache or data folder when it starts with "cache:" or "data:".

struct Browser {
    std::string_view label;
    std::vector<std::string_view> programs;   // process names that mean it is running
    std::vector<std::string_view> caches;     // whole folders of cache only
    std::vector<std::string_view> profiles;   // configuration folders holding profiles
};

struct DeveloperCache {
    std::string_view label;
    std::vector<std::string_view> caches;
};

const std::vector<Browser> &browsers();
const std::vector<DeveloperCache> &developerCaches();

// Cache folders inside a browser profile, and inside its configuration
// folder itself (GPU shader caches). Never cookies, history or sessions.
const std::vector<std::string_view> &profileCacheFolders();

// Folders in ~/.config and ~/.local/share that belong to the desktop or to
// many applications at once: never anyone's leftovers.
bool isSharedFolder(std::string_view looseName);

}  // namespace mole::clean
