#include "uninstall/Leftovers.h"

#include "common/Processes.h"
#include "common/SharedFolders.h"
#include "trash/Protected.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <set>

namespace mole::uninstall {

std::set<std::string> keysOf(const App &app) {
    std::set<std::string> keys;
    std::string id = app.bundleId;
    for (const std::string &name : {id, id.substr(id.rfind('.') + 1), app.name,
                                    app.entry ? app.entry->program() : std::string(),
                                    app.entry ? app.entry->wmClass : std::string()}) {
        std::string key = looseName(name);
        if (key.size() >= 3 && !isSharedFolder(key))
            keys.insert(key);
    }
    return keys;
}

bool namedAfter(std::string_view name, const std::set<std::string> &keys, bool versioned) {
    const std::string loose = looseName(name);
    const size_t dot = name.rfind('.');
    if (keys.count(loose) ||
        (dot != std::string_view::npos && keys.count(looseName(name.substr(dot + 1)))))
        return true;
    if (!versioned)
        return false;
    for (const std::string &key : keys) {
        if (!loose.starts_with(key) || loose.size() == key.size())
            continue;
        const std::string rest = loose.substr(key.size());
        if (std::isdigit(static_cast<unsigned char>(rest[0])))
            return true;
        for (const char *platform : {"linux", "x64", "x8664", "amd64", "arm64", "aarch64"})
            if (rest.starts_with(platform))
                return true;
    }
    return false;
}

namespace {

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

bool isIconFile(const struct stat &st) {
    return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
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
        else if (isIconFile(st) && stem(name) == icon)
            found.push_back(path);
    }
}

// The name an Icon= value gives: itself, or a file's name without extension.
std::string iconName(const std::string &icon) {
    return icon.starts_with('/') ? stem(icon.substr(icon.rfind('/') + 1)) : icon;
}

// The Icon= values of every other application's desktop entry, as written
// and as bare names: an icon one of them names is theirs as much as ours.
std::set<std::string> iconsOfOthers(const Home &home, const App &app, const std::vector<App> &all) {
    std::vector<DesktopEntry> entries = desktopEntriesIn(home.data + "/applications");
    for (const std::string &folder : systemApplicationFolders())
        for (DesktopEntry &entry : desktopEntriesIn(folder)) entries.push_back(std::move(entry));
    for (const App &other : all)
        if (other.path != app.path && other.entry)
            entries.push_back(*other.entry);
    std::set<std::string> icons;
    for (const DesktopEntry &entry : entries) {
        if (entry.icon.empty() || (app.entry && entry.file == app.entry->file))
            continue;
        icons.insert(entry.icon);
        icons.insert(iconName(entry.icon));
    }
    return icons;
}

// The icons that are evidence of the application: files in the user's icon
// themes ($XDG_DATA_HOME/icons, ~/.icons) or pixmaps named after it, and
// never one another application's entry names. An absolute Icon= elsewhere
// (a picture in Documents, the folder itself) is not evidence.
std::vector<std::string> iconsOf(const Home &home, const App &app, const std::vector<App> &all,
                                 const std::set<std::string> &keys) {
    std::vector<std::string> icons;
    if (!app.entry || app.entry->icon.empty())
        return icons;
    const std::string &icon = app.entry->icon;
    const std::string name = iconName(icon);
    if (!namedAfter(name, keys))
        return icons;
    const std::set<std::string> others = iconsOfOthers(home, app, all);
    if (others.count(icon) || others.count(name))
        return icons;
    const std::string themes[] = {home.data + "/icons", home.path + "/.icons"};
    const std::string pixmaps = home.data + "/pixmaps";
    if (icon[0] == '/') {
        const std::string path = lexicalPath(icon);
        bool inThemes = false;
        for (const std::string &folder : themes)
            inThemes = inThemes || path.starts_with(folder + "/");
        struct stat st;
        if (path.find("/../") == std::string::npos &&
            (inThemes || path.substr(0, path.rfind('/')) == pixmaps) &&
            ::lstat(path.c_str(), &st) == 0 && isIconFile(st))
            icons.push_back(path);
    } else if (icon.find('/') == std::string::npos) {
        for (const std::string &folder : themes) findIcons(folder, icon, 4, icons);
        findIcons(pixmaps, icon, 0, icons);
    }
    return icons;
}

}  // namespace

std::vector<std::string> removalPlan(const Home &home, const App &app,
                                     const std::vector<App> &all) {
    std::vector<std::string> plan;
    const trash::Protected protectedPlaces(home);
    auto add = [&](const std::string &path) {
        int error = 0;
        std::optional<Identity> identity;
        if (size_t slash = path.rfind('/'); slash != std::string::npos) {
            int parent = ::open(slash ? path.substr(0, slash).c_str() : "/",
                                O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (parent >= 0) {
                identity = identityAt(parent, path.substr(slash + 1), error);
                ::close(parent);
            }
        }
        if (identity && protectedPlaces.refusal(path, *identity).empty() &&
            std::find(plan.begin(), plan.end(), path) == plan.end())
            plan.push_back(path);
    };
    add(app.path);
    const bool packaged = app.source == "Flatpak" || app.source == "Homebrew";
    if (app.entry && !packaged && home.contains(app.entry->file))
        add(app.entry->file);

    const std::set<std::string> keys = keysOf(app);
    for (const std::string &path : iconsOf(home, app, all, keys)) add(path);

    std::set<std::string> others;
    for (const App &other : all)
        if (other.path != app.path)
            for (const std::string &key : keysOf(other)) others.insert(key);
    for (const std::string &folder : systemApplicationFolders())
        for (const DesktopEntry &entry : desktopEntriesIn(folder))
            for (const std::string &name :
                 {entry.id, entry.id.substr(entry.id.rfind('.') + 1), entry.name, entry.program()})
                others.insert(looseName(name));
    auto ours = [&](const std::string &name) {
        std::string loose = looseName(name);
        return namedAfter(name, keys) && !others.count(loose) && !isSharedFolder(loose);
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
