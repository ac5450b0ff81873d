#include "clean/Catalog.h"

#include <algorithm>
#include <array>

namespace mole::clean {

const std::vector<Browser> &browsers() {
    static const std::vector<Browser> list = {
        {"Firefox",
         {"firefox", "firefox-esr", "firefox-bin"},
         {"cache:mozilla", ".var/app/org.mozilla.firefox/cache", "snap/firefox/common/.cache"},
         {}},
        {"Chromium",
         {"chromium", "chromium-browse"},
         {"cache:chromium", ".var/app/org.chromium.Chromium/cache"},
         {"config:chromium"}},
        {"Chrome",
         {"chrome", "google-chrome"},
         {"cache:google-chrome", "cache:google-chrome-beta", "cache:google-chrome-unstable"},
         {"config:google-chrome", "config:google-chrome-beta", "config:google-chrome-unstable"}},
        {"Brave", {"brave", "brave-browser"}, {"cache:BraveSoftware"},
         {"config:BraveSoftware/Brave-Browser"}},
        {"Vivaldi", {"vivaldi", "vivaldi-bin"}, {"cache:vivaldi"}, {"config:vivaldi"}},
        {"Edge",
         {"msedge", "microsoft-edge"},
         {"cache:microsoft-edge", "cache:microsoft-edge-beta", "cache:microsoft-edge-dev"},
         {"config:microsoft-edge", "config:microsoft-edge-beta", "config:microsoft-edge-dev"}},
    };
    return list;
}

const std::vector<DeveloperCache> &developerCaches() {
    static const std::vector<DeveloperCache> list = {
        {"npm", {".npm/_cacache"}},
        {"Yarn", {"cache:yarn", ".yarn/berry/cache"}},
        {"pnpm", {"cache:pnpm", "data:pnpm/store"}},
        {"pip", {"cache:pip"}},
        {"Go build cache", {"cache:go-build"}},
        {"Cargo registry cache", {".cargo/registry/cache"}},
        {"Gradle caches", {".gradle/caches"}},
        {"Maven repository", {".m2/repository"}},
        {"ccache", {".ccache", "cache:ccache"}},
        {"sccache", {"cache:sccache"}},
        {"node-gyp", {"cache:node-gyp"}},
        {"Composer", {"cache:composer"}},
    };
    return list;
}

const std::vector<std::string_view> &profileCacheFolders() {
    static const std::vector<std::string_view> list = {
        "GPUCache", "Code Cache", "DawnCache", "GrShaderCache", "ShaderCache", "GraphiteDawnCache",
    };
    return list;
}

bool isSharedFolder(std::string_view looseName) {
    using namespace std::string_view_literals;
    static constexpr std::array shared = {
        "applications"sv, "autostart"sv, "backgrounds"sv, "brightloft"sv, "dconf"sv,
        "desktopdirectories"sv, "environmentd"sv, "flatpak"sv, "fontconfig"sv, "fonts"sv,
        "gtk20"sv, "gtk30"sv, "gtk40"sv, "gvfsmetadata"sv, "ibus"sv, "icons"sv, "keyrings"sv,
        "menus"sv, "mime"sv, "mole"sv, "pulse"sv, "recentlyusedxbel"sv, "sessions"sv,
        "session"sv, "sounds"sv, "systemd"sv, "themes"sv, "trash"sv, "userdirsdirs"sv,
        "userdirslocale"sv, "xdgdesktopportal"sv, "xorg"sv, "kdedefaults"sv, "kdeconnect"sv,
        "nvim"sv, "vim"sv, "git"sv, "htop"sv, "mc"sv, "wireplumber"sv, "pipewire"sv,
        "gnomesession"sv, "evolution"sv, "tracker"sv, "tracker3"sv, "zeitgeist"sv,
        "qtproject"sv, "trolltech"sv, "kde"sv,
    };
    return std::find(shared.begin(), shared.end(), looseName) != shared.end();
}

}  // namespace mole::clean
