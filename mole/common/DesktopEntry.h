#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mole {

// The keys of a freedesktop .desktop file's [Desktop Entry] group that the
// engine uses.
struct DesktopEntry {
    std::string id;    // file name without ".desktop"
    std::string file;  // absolute path of the .desktop file
    std::string name, exec, tryExec, icon, wmClass, type;
    bool noDisplay = false, hidden = false;
    std::vector<std::string> onlyShowIn, notShowIn;

    // The program Exec= starts: its first word, without quotes or folder.
    std::string program() const;
    // The full path Exec= starts, when it names one.
    std::string programPath() const;
    // Shown in menus on the current desktop ($XDG_CURRENT_DESKTOP).
    bool shownInMenus() const;
};

std::optional<DesktopEntry> readDesktopEntry(const std::string &file);

// Every *.desktop file directly in `folder` (not following links out).
std::vector<DesktopEntry> desktopEntriesIn(const std::string &folder);

// The application folders of $XDG_DATA_DIRS (default /usr/local/share and
// /usr/share) and the system Flatpak exports: what is installed system-wide.
std::vector<std::string> systemApplicationFolders();

}  // namespace mole
