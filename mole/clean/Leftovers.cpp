#include "clean/Leftovers.h"

#include "clean/Catalog.h"
#include "common/DesktopEntry.h"
#include "common/Measure.h"
#include "common/Processes.h"
#include "common/SharedFolders.h"
#include "common/TextLine.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>

namespace mole::clean {

namespace {

void addNames(std::set<std::string> &names, const std::string &folder) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent *entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        names.insert(looseName(name));
        names.insert(looseName(name.substr(name.rfind('.') + 1)));  // org.gnome.Maps: maps
    }
    ::closedir(dir);
}

// Loose names of everything installed for this user or the whole system.
std::set<std::string> installedNames(const Home &home, const std::set<std::string> &running) {
    std::set<std::string> names;
    for (const std::string &program : running) names.insert(looseName(program));
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/bin:/bin:/usr/sbin:/sbin:/usr/local/bin:/usr/games:/snap/bin:" + home.path +
            "/.local/bin";
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = std::min(path.find(':', pos), path.size());
        if (end > pos)
            addNames(names, path.substr(pos, end - pos));
        pos = end + 1;
    }
    for (const char *folder : {"/opt", "/snap", "/var/lib/flatpak/app"}) addNames(names, folder);
    addNames(names, home.data + "/flatpak/app");
    std::vector<std::string> folders = systemApplicationFolders();
    folders.push_back(home.data + "/applications");
    folders.push_back(home.data + "/flatpak/exports/share/applications");
    for (const std::string &folder : folders)
        for (const DesktopEntry &entry : desktopEntriesIn(folder))
            for (const std::string &name : {entry.id, entry.id.substr(entry.id.rfind('.') + 1),
                                            entry.name, entry.program(), entry.wmClass, entry.icon})
                if (!name.empty())
                    names.insert(looseName(name));
    return names;
}

bool systemFolderNamed(const std::string &name) {
    for (const char *base :
         {"/usr/share/", "/usr/lib/", "/usr/libexec/", "/etc/", "/usr/local/share/",
          "/usr/lib/x86_64-linux-gnu/", "/usr/lib/aarch64-linux-gnu/"}) {
        struct stat st;
        if (::lstat((base + name).c_str(), &st) == 0)
            return true;
    }
    return false;
}

}  // namespace

Section leftovers(const Home &home, const std::set<std::string> &running) {
    Section section{"Leftovers of removed apps", {}};
    std::set<std::string> installed = installedNames(home, running);
    for (const std::string &folder : {home.config, home.data}) {
        int fd = openFolderBeneath(home, folder);
        if (fd < 0)
            continue;
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            continue;
        }
        std::vector<std::string> candidates;
        while (dirent *entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            std::string loose = looseName(name);
            std::string last = looseName(name.substr(name.rfind('.') + 1));
            if (entry->d_type != DT_DIR || name[0] == '.' || loose.size() < 3 ||
                isSharedFolder(loose) || installed.count(loose) || installed.count(last) ||
                systemFolderNamed(name))
                continue;
            candidates.push_back(name);
        }
        ::closedir(dir);
        for (const std::string &name : candidates) {
            std::optional<Measured> found = measure(home, folder + "/" + name);
            if (!found)
                continue;
            section.items.push_back({Item::Kind::review,
                                     displayText(name),
                                     found->bytes,
                                     displayText(home.tilde(found->path)),
                                     {{found->path, found->identity, false, found->bytes}},
                                     std::string(reason::leftover)});
        }
    }
    std::stable_sort(section.items.begin(), section.items.end(),
                     [](const Item &a, const Item &b) { return a.bytes > b.bytes; });
    return section;
}

}  // namespace mole::clean
