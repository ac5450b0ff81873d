#include "clean/Scan.h"

#include "clean/Catalog.h"
#include "clean/Leftovers.h"
#include "common/Measure.h"
#include "common/Processes.h"
#include "common/TextLine.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <map>
#include <thread>

namespace mole::clean {

namespace {

class Scanner {
public:
    Scanner(const Home &home) : m_home(home), m_running(runningPrograms()) {}

    void run(const std::function<void(Section &&)> &onSection) {
        m_cacheChildren = measureChildren(m_home, m_home.cache);
        onSection(userCaches());
        onSection(thumbnails());
        onSection(browserCaches());
        onSection(developerCachesSection());
        onSection(logs());
        onSection(trash());
        onSection(leftovers(m_home, m_running));
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

    std::string locate(std::string_view location) const {
        auto under = [&](std::string_view prefix, const std::string &base) -> std::optional<std::string> {
            if (!location.starts_with(prefix))
                return std::nullopt;
            return base + "/" + std::string(location.substr(prefix.size()));
        };
        if (auto path = under("cache:", m_home.cache))
            return *path;
        if (auto path = under("config:", m_home.config))
            return *path;
        if (auto path = under("data:", m_home.data))
            return *path;
        return m_home.path + "/" + std::string(location);
    }

    bool isRunning(const std::vector<std::string_view> &programs) const {
        for (std::string_view program : programs)
            if (m_running.count(std::string(program)))
                return true;
        return false;
    }

    static Item runningNote(const std::string &label) {
        return {Item::Kind::note, label + " is running", 0, "cache skipped", {}};
    }

    // One item gathering several measured places; none when all are empty.
    static std::optional<Item> gather(const std::string &label, const std::vector<Measured> &places) {
        Item item{Item::Kind::action, label, 0, {}, {}};
        for (const Measured &place : places) {
            if (place.bytes <= 0)
                continue;
            item.bytes += place.bytes;
            item.targets.push_back({place.path, place.identity, false});
        }
        if (item.targets.empty())
            return std::nullopt;
        return item;
    }

    static void largestFirst(Section &section) {
        std::stable_sort(section.items.begin(), section.items.end(),
                         [](const Item &a, const Item &b) {
                             if (a.kind != b.kind)
                                 return a.kind < b.kind;
                             return a.bytes > b.bytes;
                         });
    }

    // Cache folders another section speaks for.
    bool claimedElsewhere(const std::string &name) const {
        const std::string path = m_home.cache + "/" + name;
        if (name == "thumbnails")
            return true;
        for (const Browser &browser : browsers())
            for (std::string_view cache : browser.caches)
                if (locate(cache) == path)
                    return true;
        for (const DeveloperCache &developer : developerCaches())
            for (std::string_view cache : developer.caches)
                if (locate(cache) == path)
                    return true;
        return false;
    }

    Section userCaches() const {
        Section section{"User caches", {}};
        for (const auto &[name, measured] : m_cacheChildren) {
            if (measured.bytes <= 0 || claimedElsewhere(name))
                continue;
            std::string loose = looseName(name);
            std::string label = displayText(name);
            // A reverse-domain name ("org.gnome.Maps") runs as its last part.
            std::string last = name.substr(name.rfind('.') + 1);
            if (m_running.count(lowerCase(name)) || m_running.count(lowerCase(last))) {
                section.items.push_back(runningNote(label));
                continue;
            }
            section.items.push_back(
                {Item::Kind::action, label, measured.bytes, {}, {{measured.path, measured.identity, false}}});
        }
        largestFirst(section);
        return section;
    }

    Section thumbnails() const {
        Section section{"Thumbnails", {}};
        std::vector<Measured> places;
        for (std::string_view location : {"cache:thumbnails", ".thumbnails"})
            if (std::optional<Measured> found = measure(locate(location)))
                places.push_back(*found);
        if (std::optional<Item> item = gather("Thumbnails", places))
            section.items.push_back(std::move(*item));
        return section;
    }

    Section browserCaches() const {
        Section section{"Browser caches", {}};
        for (const Browser &browser : browsers()) {
            std::vector<Measured> places;
            for (std::string_view cache : browser.caches)
                if (std::optional<Measured> found = measure(locate(cache)))
                    places.push_back(*found);
            for (std::string_view profiles : browser.profiles)
                for (const Measured &found : profileCaches(locate(profiles)))
                    places.push_back(found);
            std::optional<Item> item = gather(std::string(browser.label), places);
            if (!item)
                continue;
            if (isRunning(browser.programs))
                section.items.push_back(runningNote(std::string(browser.label)));
            else
                section.items.push_back(std::move(*item));
        }
        largestFirst(section);
        return section;
    }

    // The cache folders of a browser's configuration folder and of each
    // profile in it (Default, Profile 1, ...), nothing else of a profile.
    std::vector<Measured> profileCaches(const std::string &folder) const {
        std::vector<Measured> found;
        auto collect = [&](const std::string &base) {
            for (std::string_view cache : profileCacheFolders())
                if (std::optional<Measured> place = measure(base + "/" + std::string(cache)))
                    if (place->identity.type == 'd')
                        found.push_back(*place);
        };
        int fd = openFolderBeneath(m_home, folder);
        if (fd < 0)
            return found;
        collect(folder);
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return found;
        }
        while (dirent *entry = ::readdir(dir))
            if (entry->d_type == DT_DIR && entry->d_name[0] != '.')
                collect(folder + "/" + entry->d_name);
        ::closedir(dir);
        return found;
    }

    Section developerCachesSection() const {
        Section section{"Developer caches", {}};
        for (const DeveloperCache &developer : developerCaches()) {
            std::vector<Measured> places;
            for (std::string_view cache : developer.caches)
                if (std::optional<Measured> found = measure(locate(cache)))
                    places.push_back(*found);
            if (std::optional<Item> item = gather(std::string(developer.label), places))
                section.items.push_back(std::move(*item));
        }
        largestFirst(section);
        return section;
    }

    Section logs() const {
        Section section{"Logs & crash dumps", {}};
        std::vector<Measured> found;
        for (std::string_view location : {".xsession-errors.old", ".npm/_logs"})
            if (std::optional<Measured> place = measure(locate(location)))
                found.push_back(*place);
        for (const std::string &name : namesIn(m_home.data + "/xorg"))
            if (name.ends_with(".log.old"))
                if (std::optional<Measured> place = measure(m_home.data + "/xorg/" + name))
                    found.push_back(*place);
        for (const std::string &name : namesIn(m_home.path))
            if (isCoreDumpName(name) && isCoreDump(m_home.path + "/" + name))
                if (std::optional<Measured> place = measure(m_home.path + "/" + name))
                    found.push_back(*place);
        for (const Measured &place : found)
            if (std::optional<Item> item = gather(displayText(m_home.tilde(place.path)), {place}))
                section.items.push_back(std::move(*item));
        largestFirst(section);
        return section;
    }

    std::vector<std::string> namesIn(const std::string &folder) const {
        std::vector<std::string> names;
        int fd = openFolderBeneath(m_home, folder);
        if (fd < 0)
            return names;
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return names;
        }
        while (dirent *entry = ::readdir(dir))
            if (entry->d_name[0] != '.' || (entry->d_name[1] && entry->d_name[1] != '.'))
                names.emplace_back(entry->d_name);
        ::closedir(dir);
        return names;
    }

    static bool isCoreDumpName(const std::string &name) {
        if (name == "core")
            return true;
        if (!name.starts_with("core.") || name.size() == 5)
            return false;
        return std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    // An ELF file of type "core", read without following a link.
    static bool isCoreDump(const std::string &path) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return false;
        unsigned char header[18] = {};
        bool core = ::read(fd, header, sizeof header) == ssize_t(sizeof header) &&
                    header[0] == 0x7f && header[1] == 'E' && header[2] == 'L' && header[3] == 'F' &&
                    header[16] == 4 && header[17] == 0;
        ::close(fd);
        return core;
    }

    // Each entry of Trash/files goes with its info/<name>.trashinfo.
    Section trash() const {
        Section section{"Trash", {}};
        const std::string files = m_home.data + "/Trash/files";
        Item item{Item::Kind::action, "Trash", 0, {}, {}};
        for (auto &[name, measured] : measureChildren(m_home, files)) {
            item.bytes += measured.bytes;
            item.targets.push_back({measured.path, measured.identity, true});
        }
        if (!item.targets.empty())
            section.items.push_back(std::move(item));
        return section;
    }

    static std::string lowerCase(std::string text) {
        for (char &c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }

    const Home &m_home;
    const std::set<std::string> m_running;
    std::map<std::string, Measured> m_cacheChildren;
};

}  // namespace

void scan(const Home &home, const std::function<void(Section &&)> &onSection) {
    Scanner(home).run(onSection);
}

}  // namespace mole::clean
