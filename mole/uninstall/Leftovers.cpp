#include "uninstall/Leftovers.h"

#include "clean/Catalog.h"
#include "common/Processes.h"

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <set>

namespace mole::uninstall {

namespace {

std::set<std::string> keysOf(const App &app) {
    std::set<std::string> keys;
    std::string id = app.bundleId;
    for (const std::string &name :
         {id, id.substr(id.rfind('.') + 1), app.name,
          app.entry ? app.entry->program() : std::string(), app.entry ? app.entry->wmClass : std::string()}) {
        std::string key = looseName(name);
        if (key.size() >= 3 && !clean::isSharedFolder(key))
            keys.insert(key);
    }
    return keys;
}

bool exists(const std::string &path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> namesIn(const std::string &folder) {
    std::vector<std::string> names;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent *entry = ::readdir(dir))
        if (std::string name = entry->d_name; name != "." && name != "..")
            names.push_back(name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string stem(const std::string &file) {
    size_t dot = file.rfind('.');
    return dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

// Icon files named `icon` anywhere in the user's icon themes (a few levels).
void findIcons(const std::string &folder, const std::string &icon, int depth,
               std::vector<std::string> &found) {
    for (const std::string &name : namesIn(folder)) {
        std::string path = folder + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode) && depth > 0)
            findIcons(path, icon, depth - 1, found);
        else if (!S_ISDIR(st.st_mode) && stem(name) == icon)
            found.push_back(path);
    }
}

}  // namespace

std::vector<std::string> removalPlan(const Home &home, const App &app, const std::vector<App> &all) {
    std::vector<std::string> plan;
    auto add = [&](const std::string &path) {
        if (exists(path) && std::find(plan.begin(), plan.end(), path) == plan.end())
            plan.push_back(path);
    };
    add(app.path);
    const bool packaged = app.source == "Flatpak" || app.source == "Homebrew";
    if (app.entry && !packaged && home.contains(app.entry->file))
        add(app.entry->file);

    if (app.entry && !app.entry->icon.empty()) {
        const std::string &icon = app.entry->icon;
        std::vector<std::string> icons;
        if (icon[0] == '/') {
            if (home.contains(icon) && !icon.starts_with(app.path + "/"))
                icons.push_back(icon);
        } else if (icon.find('/') == std::string::npos) {
            findIcons(home.data + "/icons", icon, 4, icons);
            findIcons(home.data + "/pixmaps", icon, 0, icons);
        }
        for (const std::string &path : icons) add(path);
    }

    const std::set<std::string> keys = keysOf(app);
    std::set<std::string> others;
    for (const App &other : all)
        if (other.path != app.path)
            for (const std::string &key : keysOf(other)) others.insert(key);
    for (const std::string &folder : systemApplicationFolders())
        for (const DesktopEntry &entry : desktopEntriesIn(folder))
            for (const std::string &name : {entry.id, entry.id.substr(entry.id.rfind('.') + 1),
                                            entry.name, entry.program()})
                others.insert(looseName(name));
    auto ours = [&](const std::string &name) {
        std::string loose = looseName(name), last = looseName(name.substr(name.rfind('.') + 1));
        bool match = keys.count(loose) || (last.size() >= 3 && keys.count(last));
        return match && !others.count(loose) && !clean::isSharedFolder(loose);
    };

    const std::string id = app.entry ? app.entry->id : app.bundleId;
    for (const std::string &name : namesIn(home.config + "/autostart")) {
        if (!name.ends_with(".desktop"))
            continue;
        std::optional<DesktopEntry> entry = readDesktopEntry(home.config + "/autostart/" + name);
        if (stem(name) == id ||
            (entry && (entry->programPath() == app.path ||
                       (app.entry && entry->program() == app.entry->program() && !packaged))))
            add(home.config + "/autostart/" + name);
    }
    for (const std::string &name : namesIn(home.data + "/mime/packages"))
        if (name.ends_with(".xml") && ours(stem(name)))
            add(home.data + "/mime/packages/" + name);
    for (const std::string &folder : {home.config, home.data, home.cache, home.state})
        for (const std::string &name : namesIn(folder)) {
            std::string path = folder + "/" + name;
            struct stat st;
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ours(name))
                add(path);
        }
    if (app.source == "Flatpak")
        add(home.path + "/.var/app/" + app.bundleId);
    return plan;
}

}  // namespace mole::uninstall
