#include "optimize/Checks.h"

#include "clean/Flatpak.h"
#include "common/DesktopEntry.h"
#include "common/Measure.h"
#include "common/Removal.h"
#include "common/RunTool.h"
#include "common/Text.h"
#include "common/TextLine.h"
#include "common/TrashWriter.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>

namespace mole::optimize {

namespace {

using Kind = Finding::Kind;

// Newest modification time of a folder and the entries directly in it; 0 when missing.
int64_t newestChange(const std::string &folder, std::string_view suffix = {}) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        return 0;
    int64_t newest = st.st_mtime;
    if (DIR *dir = ::opendir(folder.c_str())) {
        while (dirent *entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == ".." || !name.ends_with(suffix))
                continue;
            if (::stat((folder + "/" + name).c_str(), &st) == 0)
                newest = std::max<int64_t>(newest, st.st_mtime);
        }
        ::closedir(dir);
    }
    return newest;
}

int64_t changedAt(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : 0;
}

bool hasEntryEndingWith(const std::string &folder, std::string_view suffix) {
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (dirent *entry = ::readdir(dir))
        found = found || std::string_view(entry->d_name).ends_with(suffix);
    ::closedir(dir);
    return found;
}

std::string toolFailure(const ToolRun &run, const std::string &tool) {
    if (!run.started)
        return tool + " is not installed";
    std::string last;
    forEachLine(run.output, [&](std::string_view line) {
        if (!trim(line).empty())
            last = trim(line);
    });
    return last.empty() ? tool + " ended with status " + std::to_string(run.status)
                        : displayText(last);
}

Fix toolFix(std::vector<std::string> command) {
    return [command] {
        ToolRun run = runTool(command);
        return run.ok() ? std::string() : toolFailure(run, command.front());
    };
}

Finding missingTool(const std::string &tool, const std::string &what) {
    return {Kind::note, tool + " is not installed", what + " not checked", {}};
}

// A cache rebuilt by `tool` from `sources`, stale when older than them.
CheckSection cacheCheck(const std::string &title, const std::string &tool, bool present,
                        int64_t sources, int64_t cache, const std::string &fixLabel,
                        std::vector<std::string> command) {
    CheckSection section{title, {}};
    if (!present)
        section.findings.push_back({Kind::ok, title, "nothing of your own to index", {}});
    else if (!toolInstalled(tool))
        section.findings.push_back(missingTool(tool, title));
    else if (cache == 0 || cache < sources)
        section.findings.push_back({Kind::fix, fixLabel, tool, toolFix(std::move(command))});
    else
        section.findings.push_back({Kind::ok, title, "up to date", {}});
    return section;
}

CheckSection fontCache(const Home &home) {
    if (::geteuid() == 0)  // fc-cache run by root writes the system's cache, not the user's
        return {"Font cache",
                {{Kind::note, "Font cache", "not refreshed for the administrator", {}}}};
    const std::string fonts = home.data + "/fonts";
    const std::string legacy = home.path + "/.fonts";
    const int64_t sources = std::max(newestChange(fonts), newestChange(legacy));
    const std::string folder = changedAt(fonts) ? fonts : legacy;
    return cacheCheck("Font cache", "fc-cache", sources > 0, sources,
                      newestChange(home.cache + "/fontconfig"), "Refresh the font cache",
                      {"fc-cache", folder});
}

// Removing a broken launcher first makes the database stale, so it is then
// rebuilt as well.
CheckSection desktopDatabase(const Home &home, bool launchersGo) {
    const std::string folder = home.data + "/applications";
    const int64_t sources = launchersGo ? INT64_MAX : newestChange(folder, ".desktop");
    return cacheCheck("Desktop entries", "update-desktop-database",
                      hasEntryEndingWith(folder, ".desktop"), sources,
                      changedAt(folder + "/mimeinfo.cache"), "Rebuild the desktop-entry database",
                      {"update-desktop-database", folder});
}

CheckSection mimeDatabase(const Home &home) {
    const std::string folder = home.data + "/mime";
    return cacheCheck("MIME database", "update-mime-database",
                      hasEntryEndingWith(folder + "/packages", ".xml"),
                      newestChange(folder + "/packages", ".xml"), changedAt(folder + "/mime.cache"),
                      "Rebuild the MIME database", {"update-mime-database", folder});
}

CheckSection iconCaches(const Home &home) {
    CheckSection section{"Icon theme caches", {}};
    const std::string icons = home.data + "/icons";
    const std::string tool =
        toolInstalled("gtk-update-icon-cache") ? "gtk-update-icon-cache" : "gtk4-update-icon-cache";
    if (DIR *dir = ::opendir(icons.c_str())) {
        while (dirent *entry = ::readdir(dir)) {
            std::string theme = icons + "/" + entry->d_name;
            if (entry->d_name[0] == '.' || !changedAt(theme + "/index.theme"))
                continue;
            std::string name = displayText(entry->d_name);
            if (!toolInstalled(tool)) {
                section.findings.push_back(
                    missingTool("gtk-update-icon-cache", "Icon theme caches"));
                break;
            }
            if (changedAt(theme + "/icon-theme.cache") < newestChange(theme))
                section.findings.push_back({Kind::fix, "Rebuild the " + name + " icon cache", tool,
                                            toolFix({tool, "-f", "-t", theme})});
            else
                section.findings.push_back({Kind::ok, name + " icon cache", "up to date", {}});
        }
        ::closedir(dir);
    }
    if (section.findings.empty())
        section.findings.push_back({Kind::ok, "Icon theme caches", "no themes of your own", {}});
    return section;
}

CheckSection failedThumbnails(const Home &home) {
    CheckSection section{"Failed thumbnails", {}};
    const std::string folder = home.cache + "/thumbnails/fail";
    std::map<std::string, Measured> entries = measureChildren(home, folder);
    int64_t bytes = 0;
    for (const auto &[name, found] : entries) bytes += found.bytes;
    if (entries.empty()) {
        section.findings.push_back({Kind::ok, "Failed thumbnails", "none", {}});
        return section;
    }
    section.findings.push_back(
        {Kind::fix, "Clear failed thumbnails", formatBytes(double(bytes)), [&home, entries] {
             // Each entry as the check saw it; anything new since stays.
             std::string failure;
             Removal removal(home, [&](const std::string &path, int error) {
                 failure = displayText(path) + ": " + reasonText(error);
             });
             for (const auto &[name, found] : entries) {
                 bool changed = false;
                 removal.remove(found.path, found.identity, changed);
             }
             return failure;
         }});
    return section;
}

bool onPath(const std::string &program) {
    if (program.empty())
        return true;
    if (program[0] == '/')
        return ::access(program.c_str(), X_OK) == 0;
    return toolInstalled(program);
}

Fix trashFix(const Home &home, const std::string &path) {
    return [&home, path] {
        int error = TrashWriter(home).trash(path);
        return error ? reasonText(error) : std::string();
    };
}

CheckSection brokenLaunchers(const Home &home) {
    CheckSection section{"Launchers", {}};
    for (const DesktopEntry &entry : desktopEntriesIn(home.data + "/applications")) {
        std::string program = entry.tryExec.empty() ? entry.programPath() : entry.tryExec;
        if (program.empty() || program == "flatpak" || onPath(program))
            continue;
        section.findings.push_back(
            {Kind::fix,
             "Remove the launcher " + displayText(entry.name.empty() ? entry.id : entry.name),
             "its program " + displayText(program) + " is gone", trashFix(home, entry.file)});
    }
    if (section.findings.empty())
        section.findings.push_back({Kind::ok, "Launchers", "every program is present", {}});
    return section;
}

CheckSection brokenLinks(const Home &home) {
    CheckSection section{"Links in ~/.local/bin", {}};
    const std::string folder = home.path + "/.local/bin";
    if (DIR *dir = ::opendir(folder.c_str())) {
        while (dirent *entry = ::readdir(dir)) {
            std::string path = folder + "/" + entry->d_name;
            struct stat st;
            if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) ||
                ::stat(path.c_str(), &st) == 0 || errno != ENOENT)
                continue;
            section.findings.push_back({Kind::fix,
                                        "Remove the broken link " + displayText(entry->d_name),
                                        "its target is gone", trashFix(home, path)});
        }
        ::closedir(dir);
    }
    if (section.findings.empty())
        section.findings.push_back({Kind::ok, "Links in ~/.local/bin", "none broken", {}});
    return section;
}

// Runtimes left behind by removed apps; flatpak itself decides what goes.
CheckSection flatpakRuntimes() {
    CheckSection section{"Flatpak runtimes", {}};
    clean::UnusedRuntimes unused = clean::unusedFlatpakRuntimes();
    if (!unused.installed)
        section.findings.push_back(missingTool("flatpak", "Flatpak runtimes"));
    else if (!unused.listed)
        section.findings.push_back({Kind::note, "Flatpak runtimes", "could not be listed", {}});
    else if (unused.refs.empty())
        section.findings.push_back({Kind::ok, "Flatpak runtimes", "none unused", {}});
    else
        section.findings.push_back(
            {Kind::fix, "Remove unused Flatpak runtimes",
             counted(long(unused.refs.size()), "runtime") + " no installed app needs",
             toolFix({"flatpak", "uninstall", "--user", "--unused", "-y", "--noninteractive"})});
    return section;
}

CheckSection userServices() {
    CheckSection section{"User services", {}};
    if (!toolInstalled("systemctl")) {
        section.findings.push_back(missingTool("systemctl", "User services"));
        return section;
    }
    ToolRun run = runTool({"systemctl", "--user", "list-units", "--state=failed", "--plain",
                           "--no-legend", "--no-pager"});
    if (!run.ok()) {
        section.findings.push_back({Kind::note, "User services", "no user session to ask", {}});
        return section;
    }
    forEachLine(run.output, [&](std::string_view line) {
        std::string unit(trim(line.substr(0, line.find(' '))));
        if (!unit.empty())
            section.findings.push_back({Kind::attention,
                                        displayText(unit) + " failed",
                                        "see systemctl --user status " + displayText(unit),
                                        {}});
    });
    if (section.findings.empty())
        section.findings.push_back({Kind::ok, "User services", "none failed", {}});
    return section;
}

CheckSection freeSpace(const Home &home) {
    CheckSection section{"Free space", {}};
    struct statvfs fs {};
    if (::statvfs(home.path.c_str(), &fs) != 0 || fs.f_blocks == 0) {
        section.findings.push_back({Kind::note, "Free space", "could not be read", {}});
        return section;
    }
    const double total = double(fs.f_blocks) * double(fs.f_frsize);
    const double free = double(fs.f_bavail) * double(fs.f_frsize);
    const int percent = int(free * 100 / total);
    // Sizes only on the warning: on a "✓" line the app would count them.
    const std::string share = std::to_string(percent) + "% of the disk is free";
    if (percent < 10 || free < 5e9)
        section.findings.push_back({Kind::attention,
                                    "Little free space in your home",
                                    formatBytes(free) + " free (" + share + ")",
                                    {}});
    else
        section.findings.push_back({Kind::ok, "Free space in your home", share, {}});
    return section;
}

}  // namespace

std::vector<CheckSection> runChecks(const Home &home) {
    CheckSection launchers = brokenLaunchers(home);
    const bool launchersGo = launchers.findings.front().kind == Finding::Kind::fix;
    return {std::move(launchers),
            brokenLinks(home),
            failedThumbnails(home),
            fontCache(home),
            desktopDatabase(home, launchersGo),
            mimeDatabase(home),
            iconCaches(home),
            flatpakRuntimes(),
            userServices(),
            freeSpace(home)};
}

}  // namespace mole::optimize
