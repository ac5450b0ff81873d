#include "clean/InUse.h"

#include "clean/Catalog.h"
#include "common/Text.h"

namespace mole::clean {

std::vector<std::string> programsUsing(const Home &home, const std::string &section,
                                       const Item &item) {
    std::vector<std::string> programs;
    if (section == "User caches") {
        for (const Target &target : item.targets) {
            if (home.cache.empty() || !target.path.starts_with(home.cache + "/"))
                continue;
            const std::string name = target.path.substr(home.cache.size() + 1);
            programs.push_back(lowerCase(name));
            programs.push_back(lowerCase(name.substr(name.rfind('.') + 1)));
        }
    } else if (section == "Browser caches") {
        for (const Browser &browser : browsers())
            if (browser.label == item.label)
                programs.assign(browser.programs.begin(), browser.programs.end());
    }
    return programs;
}

bool inUse(const Home &home, const std::string &section, const Item &item,
           const std::set<std::string> &running) {
    for (const std::string &program : programsUsing(home, section, item))
        if (running.count(program))
            return true;
    return false;
}

}  // namespace mole::clean
