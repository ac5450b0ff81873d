#include "uninstall/Apps.h"

#include "common/Processes.h"
#include "common/RunTool.h"
#include "common/SharedFolders.h"
#include "common/Text.h"
#include "trash/Protected.h"
#include "uninstall/Leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <map>

namespace mole::uninstall {

namespace {

bool isRegularFile(const std::string &path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// An AppImage's file name without ".AppImage": "Foo_Bar-1.2.3-x86_64" is shown as "Foo_Bar".
std::string appImageName(const std::string &file) {
    for (size_t i = 1; i < file.size(); ++i)
        if ((file[i] == '-' || file[i] == '_' || file[i] == '.') && i + 1 < file.size() &&
            (std::isdigit(static_cast<unsigned char>(file[i + 1])) ||
             lowerCase(file.substr(i + 1)).starts_with("x86") ||
             lowerCase(file.substr(i + 1)).starts_with("aarch64")))
            return file.substr(0, i);
    return file;
}

// Where an application installed in the home keeps itself: the folder of
// its program (one up from a "bin" folder) when that folder is the
// application's alone: named after it, none of the places everything
// shares (the home, a user or XDG folder and whatever holds one, a folder of
// launchers or programs), and holding no other application. A tool's root
// such as ~/.cargo or ~/go is named after the tool, not after what it
// installed. Otherwise the application is its program file alone.
std::string ownFolder(const Home &home, const App &app, const std::vector<App> &all,
                      const trash::Protected &protectedPlaces) {
    const std::string &program = app.path;
    std::string folder = program.substr(0, program.rfind('/'));
    if (folder.ends_with("/bin"))
        folder = folder.substr(0, folder.rfind('/'));
    const std::string name = folder.substr(folder.rfind('/') + 1);
    if (!home.contains(folder) || name == "bin" || isSharedFolder(looseName(name)) ||
        !namedAfter(name, keysOf(app), true))
        return program;
    for (const std::string &shared :
         {home.data + "/applications", home.path + "/Applications", home.path + "/AppImages",
          home.path + "/opt", home.path + "/.local/opt"})
        if (folder == shared)
            return program;
    int error = 0;
    int parent =
        ::open(folder.substr(0, folder.rfind('/')).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::optional<Identity> identity = parent >= 0 ? identityAt(parent, name, error) : std::nullopt;
    if (parent >= 0)
        ::close(parent);
    if (!identity || identity->type != 'd' || !protectedPlaces.refusal(folder, *identity).empty())
        return program;
    for (const App &other : all) {
        if (&other == &app)
            continue;
        const std::string otherProgram = other.entry ? other.entry->programPath() : other.path;
        for (const std::string &path : {other.path, otherProgram})
            if (path == folder || path.starts_with(folder + "/"))
                return program;
    }
    return folder;
}

void byName(std::vector<App> &apps, size_t from) {
    std::sort(apps.begin() + long(from), apps.end(),
              [](const App &a, const App &b) { return lowerCase(a.name) < lowerCase(b.name); });
}

}  // namespace

std::vector<App> listApps(const Home &home) {
    std::vector<App> apps;
    std::vector<DesktopEntry> userEntries = desktopEntriesIn(home.data + "/applications");
    auto entryFor = [&](const std::string &program) -> const DesktopEntry * {
        for (const DesktopEntry &entry : userEntries)
            if (entry.programPath() == program)
                return &entry;
        return nullptr;
    };

    for (const std::string &folder :
         {home.path + "/Applications", home.path + "/.local/bin", home.path + "/Downloads",
          home.path + "/AppImages", home.path + "/bin", home.path}) {
        DIR *dir = ::opendir(folder.c_str());
        if (!dir)
            continue;
        while (dirent *item = ::readdir(dir)) {
            std::string file = item->d_name;
            std::string path = folder + "/" + file;
            if (!lowerCase(file).ends_with(".appimage") || !isRegularFile(path))
                continue;
            const DesktopEntry *entry = entryFor(path);
            if (entry && !entry->shownInMenus())
                continue;
            std::string name = appImageName(file.substr(0, file.size() - 9));
            App app{entry && !entry->name.empty() ? entry->name : name,
                    entry ? entry->id : lowerCase(name),
                    "AppImage",
                    file,
                    path,
                    std::nullopt};
            if (entry)
                app.entry = *entry;
            apps.push_back(std::move(app));
        }
        ::closedir(dir);
    }
    byName(apps, 0);

    size_t local = apps.size();
    for (const DesktopEntry &entry : userEntries) {
        std::string program = entry.programPath();
        if (!entry.shownInMenus() || !home.contains(program) ||
            lowerCase(program).ends_with(".appimage"))
            continue;
        struct stat st;
        if (::stat(program.c_str(), &st) != 0)
            continue;
        apps.push_back({entry.name.empty() ? entry.id : entry.name, entry.id, "Local", entry.id,
                        program, entry});
    }
    byName(apps, local);
    {
        const trash::Protected protectedPlaces(home);
        std::vector<std::string> folders;
        for (size_t i = local; i < apps.size(); ++i)
            folders.push_back(ownFolder(home, apps[i], apps, protectedPlaces));
        for (size_t i = local; i < apps.size(); ++i) apps[i].path = folders[i - local];
    }

    size_t flatpaks = apps.size();
    ToolRun flatpak = runTool({"flatpak", "list", "--user", "--app", "--columns=application,name"});
    if (flatpak.ok()) {
        forEachLine(flatpak.output, [&](std::string_view line) {
            size_t tab = line.find('\t');
            std::string id(trim(line.substr(0, tab)));
            std::string name(tab == std::string_view::npos ? id : trim(line.substr(tab + 1)));
            if (id.empty() || id.find('/') != std::string::npos ||
                id.find("..") != std::string::npos)
                return;
            std::optional<DesktopEntry> entry = readDesktopEntry(
                home.data + "/flatpak/exports/share/applications/" + id + ".desktop");
            if (entry && !entry->shownInMenus())
                return;
            apps.push_back({name, id, "Flatpak", id, home.data + "/flatpak/app/" + id, entry});
        });
    }
    byName(apps, flatpaks);

    size_t brews = apps.size();
    if (toolInstalled("brew")) {
        std::string prefix(trim(runTool({"brew", "--prefix"}).output));
        ToolRun formulae = runTool({"brew", "list", "--formula", "-1"});
        if (!prefix.empty() && formulae.ok()) {
            forEachLine(formulae.output, [&](std::string_view line) {
                std::string formula(trim(line));
                if (formula.empty() || formula.find('/') != std::string::npos)
                    return;
                for (const DesktopEntry &entry :
                     desktopEntriesIn(prefix + "/opt/" + formula + "/share/applications")) {
                    if (!entry.shownInMenus())
                        continue;
                    apps.push_back({entry.name.empty() ? formula : entry.name, entry.id, "Homebrew",
                                    formula, prefix + "/Cellar/" + formula, entry});
                    break;
                }
            });
        }
    }
    byName(apps, brews);
    return apps;
}

std::optional<App> findApp(const std::vector<App> &apps, const std::string &name) {
    for (const App &app : apps)
        if (app.uninstallName == name)
            return app;
    for (const App &app : apps)
        if (lowerCase(app.name) == lowerCase(name))
            return app;
    return std::nullopt;
}

}  // namespace mole::uninstall
