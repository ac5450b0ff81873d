#pragma once

#include <string_view>
#include <vector>

namespace mole::clean {

// Where the known caches live, and why each may go. A location is relative
// to the home folder, or to the XDG cache, configuration or data folder when
// it starts with "cache:", "config:" or "data:"; a component may hold a
// wildcard ("snap/*/common/.cache"). Every reason is one short sentence the
// report shows beside the item.

struct Entry {
    std::string_view label;
    std::string_view reason;
    std::vector<std::string_view> places;
    std::vector<std::string_view> programs;  // running, they hold the places: skipped
};

struct Browser {
    std::string_view label;
    std::vector<std::string_view> programs;
    std::vector<std::string_view> caches;    // whole folders of cache only
    std::vector<std::string_view> profiles;  // configuration folders holding profiles
};

const std::vector<Browser> &browsers();
const std::vector<Entry> &applicationCaches();
const std::vector<Entry> &developerCaches();
const std::vector<Entry> &logsAndCrashReports();

// Cache folders of a Chromium profile (Default, Profile 1, an Electron
// app's own folder) and of the browser's configuration folder. Never
// cookies, history, sessions, Local Storage or IndexedDB.
const std::vector<std::string_view> &profileCacheFolders();
const std::vector<std::string_view> &browserCacheFolders();   // beside the profiles
const std::vector<std::string_view> &electronCacheFolders();  // besides the profile's own

// Where applications built on Chromium (Electron) keep their profile, found
// by its shape: a "Local State" or "Preferences" file beside a cache folder,
// or two of the profile cache folders together.
const std::vector<std::string_view> &electronSearch();
const std::vector<std::string_view> &electronMarkers();

// Every Flatpak app's cache, every snap's cache and its own Trash.
inline constexpr std::string_view kFlatpakApps = ".var/app";
inline constexpr std::string_view kSnapCaches = "snap/*/common/.cache";
inline constexpr std::string_view kSnapTrashes = "snap/*/*/.local/share/Trash";

// Entries of the cache folder that hold data rather than cache.
bool isNotCache(std::string_view name);

// Caches that are costly to fill again: offered for review only.
const std::vector<Entry> &reviewCaches();

namespace reason {
inline constexpr std::string_view userCache = "Cache; the app makes it again when needed";
inline constexpr std::string_view thumbnails =
    "Previews of pictures and videos; made again when a folder is shown";
inline constexpr std::string_view browser =
    "Browser cache; sites fill it again. Cookies, history and passwords stay";
inline constexpr std::string_view electron =
    "App cache and logs; the app fills its cache again when needed";
inline constexpr std::string_view flatpakCache =
    "Cache of a Flatpak app; the app makes it again when needed";
inline constexpr std::string_view snapCache = "Cache of a snap; the app makes it again when needed";
inline constexpr std::string_view trash = "Files you moved to the Trash";
inline constexpr std::string_view snapTrash = "Files a snap app moved to its own Trash";
inline constexpr std::string_view coreDump = "Memory image of a program that crashed";
inline constexpr std::string_view sessionLog =
    "Log of the desktop session; no session writes to it now";
inline constexpr std::string_view mavenDownloads =
    "Artifacts downloaded from remote repositories; Maven fetches them again";
inline constexpr std::string_view flatpakLeftover =
    "Data of a Flatpak app that is no longer installed";
inline constexpr std::string_view leftover = "Settings or data of an app that seems gone";
}  // namespace reason

}  // namespace mole::clean
