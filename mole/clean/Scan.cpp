#include "clean/Scan.h"

#include "clean/Catalog.h"
#include "clean/Dumps.h"
#include "clean/Flatpak.h"
#include "clean/InUse.h"
#include "clean/Leftovers.h"
#include "clean/Maven.h"
#include "clean/Places.h"
#include "common/Measure.h"
#include "common/Processes.h"
#include "common/Text.h"
#include "common/TextLine.h"

#include <unistd.h>
#include <algorithm>
#include <map>

namespace mole::clean {

namespace {

std::string lastComponent(const std::string &path) {
    return path.substr(path.rfind('/') + 1);
}

// The component of `path` right after `prefix/`: the app id in
// ~/.var/app/<id>/..., the snap's name in ~/snap/<name>/...
std::string componentAfter(const std::string &path, const std::string &prefix) {
    std::string rest = path.substr(prefix.size() + 1);
    return rest.substr(0, rest.find('/'));
}

class Scanner {
public:
    Scanner(const Home &home, KeepList &keep)
        : m_home(home), m_keep(keep), m_running(runningPrograms()) {}

    void run(const std::function<void(Section &&)> &onSection) {
        auto hand = [&](Section section) {
            m_keep.apply(m_home, section, true);
            onSection(std::move(section));
        };
        m_cacheChildren = measureChildren(m_home, m_home.cache);
        claimCatalog();
        hand(userCaches());
        hand(thumbnails());
        hand(browserCaches());
        hand(applicationCachesSection());
        hand(developerCachesSection());
        hand(logs());
        hand(trash());
        Section leftover = leftovers(m_home, m_running);
        for (Item &item : orphanedFlatpakData(m_home)) leftover.items.push_back(std::move(item));
        largestFirst(leftover);
        hand(std::move(leftover));
        if (Section kept = m_keep.keptSection(m_home); !kept.items.empty())
            onSection(std::move(kept));
    }

private:
    // The cache folder was measured in one walk; everything else alone.
    std::optional<Measured> measure(const std::string &path) const {
        if (path.starts_with(m_home.cache + "/") && path.rfind('/') == m_home.cache.size()) {
            auto found = m_cacheChildren.find(path.substr(m_home.cache.size() + 1));
            if (found == m_cacheChildren.end())
                return std::nullopt;
            return found->second;
        }
        return mole::measure(m_home, path);
    }

    std::vector<Measured> measureAll(const std::vector<std::string> &paths) const {
        std::vector<Measured> places;
        for (const std::string &path : paths)
            if (std::optional<Measured> found = measure(path))
                places.push_back(*found);
        return places;
    }

    std::vector<std::string> expandAll(const std::vector<std::string_view> &locations) const {
        std::vector<std::string> paths;
        for (std::string_view location : locations)
            for (std::string &path : expand(m_home, location)) paths.push_back(std::move(path));
        return paths;
    }

    // Every place the catalog names, so that the sections that find caches
    // by their shape or by a wildcard leave them to their own entry.
    void claimCatalog() {
        for (const Browser &browser : browsers()) {
            for (std::string &path : expandAll(browser.caches)) m_claimed.push_back(path);
            for (std::string &path : expandAll(browser.profiles)) m_claimed.push_back(path);
        }
        for (const auto *list :
             {&applicationCaches(), &developerCaches(), &logsAndCrashReports(), &reviewCaches()})
            for (const Entry &entry : *list)
                for (std::string &path : expandAll(entry.places)) m_claimed.push_back(path);
        m_claimed.push_back(m_home.cache + "/thumbnails");
        m_claimed.push_back(m_home.path + "/.m2/repository");
    }

    bool claimed(const std::string &path) const {
        return std::any_of(m_claimed.begin(), m_claimed.end(), [&](const std::string &place) {
            return isAtOrInside(path, place) || isAtOrInside(place, path);
        });
    }

    bool isRunning(const std::vector<std::string> &programs) const {
        return std::any_of(programs.begin(), programs.end(),
                           [&](const std::string &program) { return m_running.count(program); });
    }

    // An Electron app runs under its own name or a longer one ("signal" as
    // "signal-desktop").
    bool isRunningLoosely(const std::string &name) const {
        const std::string loose = looseName(name);
        return std::any_of(m_running.begin(), m_running.end(), [&](const std::string &program) {
            std::string running = looseName(program);
            return running == loose || (loose.size() >= 4 && running.starts_with(loose));
        });
    }

    static Item runningNote(const std::string &label) {
        return {Item::Kind::note, label + " is running", 0, "cache skipped", {}, {}};
    }

    // One item gathering several measured places; none when all are empty.
    static std::optional<Item> gather(const std::string &label, std::string_view reason,
                                      const std::vector<Measured> &places) {
        Item item{Item::Kind::action, label, 0, {}, {}, std::string(reason)};
        for (const Measured &place : places) {
            if (place.bytes <= 0)
                continue;
            item.bytes += place.bytes;
            item.targets.push_back({place.path, place.identity, false, place.bytes});
        }
        if (item.targets.empty())
            return std::nullopt;
        return item;
    }

    // The item, or a note instead when its program is running.
    static void add(Section &section, std::optional<Item> item, bool running) {
        if (!item)
            return;
        if (running)
            section.items.push_back(runningNote(item->label));
        else
            section.items.push_back(std::move(*item));
    }

    static void largestFirst(Section &section) {
        std::stable_sort(section.items.begin(), section.items.end(),
                         [](const Item &a, const Item &b) {
                             if (a.kind != b.kind)
                                 return a.kind < b.kind;
                             return a.bytes > b.bytes;
                         });
    }

    void addEntries(Section &section, const std::vector<Entry> &entries) const {
        for (const Entry &entry : entries)
            add(section,
                gather(std::string(entry.label), entry.reason, measureAll(expandAll(entry.places))),
                isRunning({entry.programs.begin(), entry.programs.end()}));
    }

    Section userCaches() const {
        Section section{"User caches", {}};
        for (const auto &[name, measured] : m_cacheChildren) {
            if (measured.bytes <= 0 || claimed(measured.path) || isNotCache(name))
                continue;
            Item item{Item::Kind::action,
                      displayText(name),
                      measured.bytes,
                      {},
                      {{measured.path, measured.identity, false, measured.bytes}},
                      std::string(reason::userCache)};
            const bool running = inUse(m_home, section.title, item, m_running);
            add(section, std::move(item), running);
        }
        for (const Entry &entry : reviewCaches()) {
            std::optional<Item> item =
                gather(std::string(entry.label), entry.reason, measureAll(expandAll(entry.places)));
            if (!item)
                continue;
            item->kind = Item::Kind::review;
            for (const Target &target : item->targets)
                item->detail +=
                    (item->detail.empty() ? "" : ", ") + displayText(m_home.tilde(target.path));
            section.items.push_back(std::move(*item));
        }
        largestFirst(section);
        return section;
    }

    Section thumbnails() const {
        Section section{"Thumbnails", {}};
        add(section,
            gather("Thumbnails", reason::thumbnails,
                   measureAll(expandAll({"cache:thumbnails", ".thumbnails"}))),
            false);
        return section;
    }

    Section browserCaches() const {
        Section section{"Browser caches", {}};
        for (const Browser &browser : browsers()) {
            std::vector<std::string> paths = expandAll(browser.caches);
            for (const std::string &root : expandAll(browser.profiles)) {
                addNamed(paths, root, browserCacheFolders());
                addProfileCaches(paths, root);
            }
            std::optional<Item> item =
                gather(std::string(browser.label), reason::browser, measureAll(paths));
            const bool running = item && inUse(m_home, section.title, *item, m_running);
            add(section, std::move(item), running);
        }
        largestFirst(section);
        return section;
    }

    // The folders of `names` that exist in `folder`, as real folders.
    void addNamed(std::vector<std::string> &paths, const std::string &folder,
                  const std::vector<std::string_view> &names) const {
        for (const FolderEntry &entry : entriesOf(m_home, folder))
            if (entry.folder && std::find(names.begin(), names.end(), entry.name) != names.end())
                paths.push_back(folder + "/" + entry.name);
    }

    // The cache folders of a profile folder and of each profile in it
    // (Default, Profile 1, ...), nothing else of a profile.
    void addProfileCaches(std::vector<std::string> &paths, const std::string &folder) const {
        addNamed(paths, folder, profileCacheFolders());
        for (const FolderEntry &entry : entriesOf(m_home, folder))
            if (entry.folder && entry.name[0] != '.' &&
                std::find(profileCacheFolders().begin(), profileCacheFolders().end(), entry.name) ==
                    profileCacheFolders().end())
                addNamed(paths, folder + "/" + entry.name, profileCacheFolders());
    }

    // A Chromium profile by its shape: a "Local State" or "Preferences" file
    // beside one of the profile cache folders, or two of those folders.
    bool isChromiumShaped(const std::string &folder) const {
        int caches = 0;
        bool marker = false;
        for (const FolderEntry &entry : entriesOf(m_home, folder)) {
            const auto &names = profileCacheFolders();
            if (entry.folder && std::find(names.begin(), names.end(), entry.name) != names.end())
                ++caches;
            const auto &markers = electronMarkers();
            if (!entry.folder && !entry.link &&
                std::find(markers.begin(), markers.end(), entry.name) != markers.end())
                marker = true;
        }
        return caches >= 2 || (caches == 1 && marker);
    }

    void electronApps(Section &section) const {
        std::vector<std::string> found;
        for (const std::string &folder : expandAll(electronSearch())) {
            if (claimed(folder) ||
                std::any_of(found.begin(), found.end(),
                            [&](const std::string &app) { return isAtOrInside(folder, app); }) ||
                !isChromiumShaped(folder))
                continue;
            found.push_back(folder);
        }
        const std::string flatpaks = m_home.path + "/" + std::string(kFlatpakApps);
        const std::string snaps = m_home.path + "/snap";
        for (const std::string &folder : found) {
            std::vector<std::string> paths;
            addNamed(paths, folder, profileCacheFolders());
            addNamed(paths, folder, electronCacheFolders());
            for (const std::string &partition :
                 expand(m_home, folder.substr(m_home.path.size() + 1) + "/Partitions/*"))
                addNamed(paths, partition, profileCacheFolders());
            std::string name = lastComponent(folder);
            std::string label = displayText(name);
            if (isAtOrInside(folder, flatpaks))
                label += " (Flatpak)";
            else if (isAtOrInside(folder, snaps))
                label += " (snap)";
            add(section, gather(label, reason::electron, measureAll(paths)),
                isRunningLoosely(name));
        }
    }

    // ~/.var/app/<id>/cache and ~/snap/<name>/common/.cache of every app
    // the catalog does not name.
    void sandboxedApps(Section &section) const {
        const std::string flatpaks = m_home.path + "/" + std::string(kFlatpakApps);
        for (const std::string &path : expand(m_home, std::string(kFlatpakApps) + "/*/cache")) {
            if (claimed(path))
                continue;
            std::string id = componentAfter(path, flatpaks);
            std::string last = id.substr(id.rfind('.') + 1);
            add(section, gather(displayText(id), reason::flatpakCache, measureAll({path})),
                isRunning({lowerCase(id), lowerCase(last)}));
        }
        const std::string snaps = m_home.path + "/snap";
        for (const std::string &path : expand(m_home, kSnapCaches)) {
            if (claimed(path))
                continue;
            std::string name = componentAfter(path, snaps);
            add(section,
                gather(displayText(name) + " (snap)", reason::snapCache, measureAll({path})),
                isRunning({lowerCase(name)}));
        }
    }

    Section applicationCachesSection() const {
        Section section{"Application caches", {}};
        addEntries(section, applicationCaches());
        electronApps(section);
        sandboxedApps(section);
        largestFirst(section);
        return section;
    }

    Section developerCachesSection() const {
        Section section{"Developer caches", {}};
        addEntries(section, developerCaches());
        add(section,
            gather("Maven downloads", reason::mavenDownloads, remoteMavenArtifacts(m_home)), false);
        largestFirst(section);
        return section;
    }

    Section logs() const {
        Section section{"Logs & crash dumps", {}};
        addEntries(section, logsAndCrashReports());
        const std::string session = m_home.path + "/.xsession-errors";
        if (!isOpenByUser(session))
            add(section, gather("~/.xsession-errors", reason::sessionLog, measureAll({session})),
                false);
        if (int home = openFolder(m_home, m_home.path); home >= 0) {
            for (const FolderEntry &entry : entriesOf(m_home, m_home.path))
                if (!entry.folder && isCoreDumpName(entry.name) && isCoreDumpAt(home, entry.name))
                    add(section,
                        gather(displayText("~/" + entry.name), reason::coreDump,
                               measureAll({m_home.path + "/" + entry.name})),
                        false);
            ::close(home);
        }
        largestFirst(section);
        return section;
    }

    // Each entry of Trash/files goes with its info/<name>.trashinfo; a
    // snap's own Trash is emptied as a whole.
    Section trash() const {
        Section section{"Trash", {}};
        const std::string files = m_home.data + "/Trash/files";
        Item item{Item::Kind::action, "Trash", 0, {}, {}, std::string(reason::trash)};
        for (auto &[name, measured] : measureChildren(m_home, files)) {
            item.bytes += measured.bytes;
            item.targets.push_back({measured.path, measured.identity, true, measured.bytes});
        }
        if (!item.targets.empty())
            section.items.push_back(std::move(item));
        const std::string snaps = m_home.path + "/snap";
        for (const std::string &folder : expand(m_home, kSnapTrashes)) {
            std::vector<Measured> places;
            for (const char *part : {"/files", "/info", "/expunged"})
                for (auto &[name, measured] : measureChildren(m_home, folder + part))
                    places.push_back(measured);
            add(section,
                gather("Trash of " + displayText(componentAfter(folder, snaps)) + " (snap)",
                       reason::snapTrash, places),
                false);
        }
        return section;
    }

    const Home &m_home;
    KeepList &m_keep;
    const std::set<std::string> m_running;
    std::map<std::string, Measured> m_cacheChildren;
    std::vector<std::string> m_claimed;
};

}  // namespace

void scan(const Home &home, KeepList &keep, const std::function<void(Section &&)> &onSection) {
    Scanner(home, keep).run(onSection);
}

}  // namespace mole::clean
