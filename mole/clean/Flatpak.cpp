#include "clean/Flatpak.h"

#include "clean/Catalog.h"
#include "clean/Places.h"
#include "common/Measure.h"
#include "common/RunTool.h"
#include "common/Text.h"
#include "common/TextLine.h"

#include <dirent.h>
#include <fnmatch.h>
#include <algorithm>
#include <cctype>

namespace mole::clean {

namespace {

// An application or runtime id: "org.gnome.Platform", letters, digits, "_-." only.
bool isFlatpakId(std::string_view text) {
    return text.find('.') != std::string_view::npos && !text.starts_with('.') &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '.' || c == '_' || c == '-';
           });
}

// "org.gnome.Platform/x86_64/46" (a leading "runtime/" or "app/" dropped).
struct Ref {
    std::string id, arch, branch;
    std::string text() const { return id + "/" + arch + "/" + branch; }
};

std::optional<Ref> parseRef(std::string_view text) {
    for (std::string_view kind : {"runtime/", "app/"})
        if (text.starts_with(kind))
            text.remove_prefix(kind.size());
    size_t first = text.find('/');
    size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    Ref ref{std::string(text.substr(0, first)),
            std::string(text.substr(first + 1, second - first - 1)),
            std::string(text.substr(second + 1))};
    if (!isFlatpakId(ref.id) || ref.arch.empty() || ref.branch.empty())
        return std::nullopt;
    return ref;
}

// A pin such as "runtime/org.gnome.Sdk/x86_64/46", parts may be glob patterns or left out.
bool pinned(const Ref &ref, const std::vector<std::string> &pins) {
    const std::string parts[3] = {ref.id, ref.arch, ref.branch};
    for (const std::string &pin : pins) {
        std::string_view rest = std::string_view(pin).substr(std::string_view("runtime/").size());
        bool matches = true;
        for (int i = 0; i < 3 && matches && !rest.empty(); ++i) {
            size_t slash = std::min(rest.find('/'), rest.size());
            std::string pattern(rest.substr(0, slash));
            matches = pattern.empty() || ::fnmatch(pattern.c_str(), parts[i].c_str(), 0) == 0;
            rest.remove_prefix(std::min(slash + 1, rest.size()));
        }
        if (matches)
            return true;
    }
    return false;
}

bool startsWithIdOf(const std::string &id, const std::set<std::string> &bases) {
    return std::any_of(bases.begin(), bases.end(),
                       [&](const std::string &base) { return id.starts_with(base + "."); });
}

// Extensions every platform may load (graphics drivers, codecs, themes).
bool isSharedExtension(const std::string &id) {
    return id.starts_with("org.freedesktop.Platform.") ||
           id.find(".Gtk3theme.") != std::string::npos ||
           id.find(".KStyle.") != std::string::npos ||
           id.find(".PlatformTheme.") != std::string::npos;
}

}  // namespace

std::set<std::string> installedFlatpakApps(const Home &home) {
    std::set<std::string> apps;
    ToolRun run = runTool({"flatpak", "list", "--app", "--columns=application"});
    if (run.ok())
        forEachLine(run.output, [&](std::string_view line) {
            std::vector<std::string_view> parts = words(line);
            if (parts.size() == 1 && isFlatpakId(parts[0]))
                apps.insert(std::string(parts[0]));
        });
    for (const std::string &folder :
         {home.data + "/flatpak/app", std::string("/var/lib/flatpak/app")})
        if (DIR *dir = ::opendir(folder.c_str())) {
            while (dirent *entry = ::readdir(dir))
                if (isFlatpakId(entry->d_name))
                    apps.insert(entry->d_name);
            ::closedir(dir);
        }
    return apps;
}

std::vector<Item> orphanedFlatpakData(const Home &home) {
    std::vector<Item> items;
    const std::string root = home.path + "/" + std::string(kFlatpakApps);
    std::vector<FolderEntry> entries = entriesOf(home, root);
    if (entries.empty())
        return items;
    const std::set<std::string> installed = installedFlatpakApps(home);
    for (const FolderEntry &entry : entries) {
        if (!entry.folder || !isFlatpakId(entry.name) || installed.count(entry.name))
            continue;
        std::optional<Measured> found = measure(home, root + "/" + entry.name);
        if (!found)
            continue;
        items.push_back({Item::Kind::review,
                         displayText(entry.name),
                         found->bytes,
                         displayText(home.tilde(found->path)),
                         {{found->path, found->identity, false, found->bytes}},
                         std::string(reason::flatpakLeftover)});
    }
    return items;
}

UnusedRuntimes unusedFlatpakRuntimes() {
    UnusedRuntimes result;
    result.installed = toolInstalled("flatpak");
    if (!result.installed)
        return result;
    ToolRun apps = runTool({"flatpak", "list", "--app", "--columns=application,runtime"});
    ToolRun runtimes = runTool({"flatpak", "list", "--user", "--runtime", "--columns=ref"});
    if (!apps.ok() || !runtimes.ok())
        return result;
    result.listed = true;
    std::set<std::string> appIds, usedRefs, usedIds;
    forEachLine(apps.output, [&](std::string_view line) {
        std::vector<std::string_view> parts = words(line);
        if (parts.empty() || !isFlatpakId(parts[0]))
            return;
        appIds.insert(std::string(parts[0]));
        if (std::optional<Ref> runtime = parts.size() > 1 ? parseRef(parts[1]) : std::nullopt) {
            usedRefs.insert(runtime->text());
            usedIds.insert(runtime->id);
        }
    });
    std::vector<std::string> pins;
    if (ToolRun pin = runTool({"flatpak", "pin", "--user"}); pin.ok())
        forEachLine(pin.output, [&](std::string_view line) {
            std::vector<std::string_view> parts = words(line);
            if (parts.size() == 1 && parts[0].starts_with("runtime/"))
                pins.emplace_back(parts[0]);
        });
    forEachLine(runtimes.output, [&](std::string_view line) {
        std::vector<std::string_view> parts = words(line);
        std::optional<Ref> ref = parts.size() == 1 ? parseRef(parts[0]) : std::nullopt;
        if (!ref || usedRefs.count(ref->text()) || pinned(*ref, pins) ||
            startsWithIdOf(ref->id, appIds) || startsWithIdOf(ref->id, usedIds) ||
            (!appIds.empty() && isSharedExtension(ref->id)))
            return;
        result.refs.push_back(ref->text());
    });
    return result;
}

}  // namespace mole::clean
