#include "common/DesktopEntry.h"

#include "common/Text.h"

#include <dirent.h>
#include <cstdlib>

namespace mole {

namespace {

std::vector<std::string> splitList(std::string_view text, char separator) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(separator, pos);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > pos)
            out.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

std::string firstWord(std::string_view exec) {
    exec = trim(exec);
    std::string word;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c == '\\' && i + 1 < exec.size()) {
            word += exec[++i];
            continue;
        }
        if (!quoted && (c == ' ' || c == '\t'))
            break;
        word += c;
    }
    return word;
}

}  // namespace

std::string DesktopEntry::programPath() const {
    std::string word = firstWord(exec);
    // "env VAR=x program" and "flatpak run" launch something else.
    if (word == "env" || word == "/usr/bin/env") {
        std::string_view rest = exec;
        for (const std::string &part : splitList(rest, ' '))
            if (part != word && part.find('=') == std::string::npos)
                return part;
    }
    return word;
}

std::string DesktopEntry::program() const {
    std::string path = programPath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool DesktopEntry::shownInMenus() const {
    if (noDisplay || hidden)
        return false;
    const char *current = std::getenv("XDG_CURRENT_DESKTOP");
    std::vector<std::string> desktops = splitList(current ? current : "", ':');
    auto listed = [&](const std::vector<std::string> &list) {
        for (const std::string &desktop : desktops)
            for (const std::string &item : list)
                if (item == desktop)
                    return true;
        return false;
    };
    if (!onlyShowIn.empty() && !listed(onlyShowIn))
        return false;
    return !listed(notShowIn);
}

std::optional<DesktopEntry> readDesktopEntry(const std::string &file) {
    std::optional<std::string> text = readFile(file);
    if (!text)
        return std::nullopt;
    DesktopEntry entry;
    entry.file = file;
    std::string base = file.substr(file.rfind('/') + 1);
    entry.id = base.ends_with(".desktop") ? base.substr(0, base.size() - 8) : base;
    bool inGroup = false;
    forEachLine(*text, [&](std::string_view line) {
        line = trim(line);
        if (line.empty() || line[0] == '#')
            return;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            return;
        }
        size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos)
            return;
        std::string_view key = trim(line.substr(0, equals));
        std::string value(trim(line.substr(equals + 1)));
        if (key == "Name")
            entry.name = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "TryExec")
            entry.tryExec = value;
        else if (key == "Icon")
            entry.icon = value;
        else if (key == "StartupWMClass")
            entry.wmClass = value;
        else if (key == "Type")
            entry.type = value;
        else if (key == "NoDisplay")
            entry.noDisplay = value == "true";
        else if (key == "Hidden")
            entry.hidden = value == "true";
        else if (key == "OnlyShowIn")
            entry.onlyShowIn = splitList(value, ';');
        else if (key == "NotShowIn")
            entry.notShowIn = splitList(value, ';');
    });
    if (entry.type != "Application")
        return std::nullopt;
    return entry;
}

std::vector<DesktopEntry> desktopEntriesIn(const std::string &folder) {
    std::vector<DesktopEntry> entries;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return entries;
    while (dirent *item = ::readdir(dir)) {
        std::string name = item->d_name;
        if (!name.ends_with(".desktop") || (item->d_type != DT_REG && item->d_type != DT_UNKNOWN &&
                                            item->d_type != DT_LNK))
            continue;
        if (std::optional<DesktopEntry> entry = readDesktopEntry(folder + "/" + name))
            entries.push_back(std::move(*entry));
    }
    ::closedir(dir);
    return entries;
}

std::vector<std::string> systemApplicationFolders() {
    const char *dirs = std::getenv("XDG_DATA_DIRS");
    std::vector<std::string> folders;
    for (const std::string &dir : splitList(dirs && *dirs ? dirs : "/usr/local/share:/usr/share", ':'))
        if (dir.starts_with('/'))
            folders.push_back(dir + "/applications");
    folders.push_back("/var/lib/flatpak/exports/share/applications");
    return folders;
}

}  // namespace mole
