#include "clean/Catalog.h"

namespace mole::clean {

const std::vector<Browser> &browsers() {
    static const std::vector<Browser> list = {
        {"Firefox",
         {"firefox", "firefox-esr", "firefox-bin"},
         {"cache:mozilla", ".var/app/org.mozilla.firefox/cache", "snap/firefox/common/.cache",
          ".mozilla/firefox/Crash Reports", ".mozilla/firefox/*/minidumps",
          "snap/firefox/common/.mozilla/firefox/Crash Reports",
          "snap/firefox/common/.mozilla/firefox/*/minidumps",
          ".var/app/org.mozilla.firefox/.mozilla/firefox/Crash Reports",
          ".var/app/org.mozilla.firefox/.mozilla/firefox/*/minidumps"},
         {}},
        {"Chromium",
         {"chromium", "chromium-browse", "chromium-browser"},
         {"cache:chromium", ".var/app/org.chromium.Chromium/cache", "snap/chromium/common/.cache"},
         {"config:chromium", ".var/app/org.chromium.Chromium/config/chromium",
          "snap/chromium/common/chromium", "snap/chromium/*/.config/chromium"}},
        {"Chrome",
         {"chrome", "google-chrome"},
         {"cache:google-chrome", "cache:google-chrome-beta", "cache:google-chrome-unstable",
          ".var/app/com.google.Chrome/cache"},
         {"config:google-chrome", "config:google-chrome-beta", "config:google-chrome-unstable",
          ".var/app/com.google.Chrome/config/google-chrome"}},
        {"Brave",
         {"brave", "brave-browser"},
         {"cache:BraveSoftware", ".var/app/com.brave.Browser/cache", "snap/brave/common/.cache"},
         {"config:BraveSoftware/Brave-Browser", "config:BraveSoftware/Brave-Browser-Beta",
          "config:BraveSoftware/Brave-Browser-Nightly",
          ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
          "snap/brave/*/.config/BraveSoftware/Brave-Browser"}},
        {"Vivaldi",
         {"vivaldi", "vivaldi-bin"},
         {"cache:vivaldi", "cache:vivaldi-snapshot", ".var/app/com.vivaldi.Vivaldi/cache"},
         {"config:vivaldi", "config:vivaldi-snapshot",
          ".var/app/com.vivaldi.Vivaldi/config/vivaldi"}},
        {"Edge",
         {"msedge", "microsoft-edge"},
         {"cache:microsoft-edge", "cache:microsoft-edge-beta", "cache:microsoft-edge-dev",
          ".var/app/com.microsoft.Edge/cache"},
         {"config:microsoft-edge", "config:microsoft-edge-beta", "config:microsoft-edge-dev",
          ".var/app/com.microsoft.Edge/config/microsoft-edge"}},
        {"Opera",
         {"opera", "opera-beta", "opera-developer"},
         {"cache:opera", "cache:opera-beta", "cache:opera-developer",
          ".var/app/com.opera.Opera/cache", "snap/opera/common/.cache"},
         {"config:opera", "config:opera-beta", "config:opera-developer",
          ".var/app/com.opera.Opera/config/opera", "snap/opera/*/.config/opera"}},
    };
    return list;
}

const std::vector<Entry> &applicationCaches() {
    static const std::vector<Entry> list = {
        {"Steam web cache",
         "Pages of Steam's store and community; fetched again when shown",
         {"data:Steam/appcache/httpcache", ".steam/debian-installation/appcache/httpcache",
          ".var/app/com.valvesoftware.Steam/.local/share/Steam/appcache/httpcache",
          ".var/app/com.valvesoftware.Steam/data/Steam/appcache/httpcache"},
         {"steam", "steamwebhelper"}},
        {"Steam shader caches",
         "Compiled game shaders; Steam downloads or builds them again when a game starts",
         {"data:Steam/steamapps/shadercache", ".steam/debian-installation/steamapps/shadercache",
          ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/shadercache",
          ".var/app/com.valvesoftware.Steam/data/Steam/steamapps/shadercache"},
         {"steam"}},
        {"LibreOffice",
         "LibreOffice's cache; made again when it starts",
         {"config:libreoffice/4/cache",
          ".var/app/org.libreoffice.LibreOffice/config/libreoffice/4/cache",
          "snap/libreoffice/*/.config/libreoffice/4/cache"},
         {"soffice.bin", "soffice", "libreoffice"}},
        {"GIMP",
         "Temporary files GIMP left behind",
         {"config:GIMP/*/tmp", ".gimp-2.8/tmp", ".var/app/org.gimp.GIMP/config/GIMP/*/tmp"},
         {"gimp", "gimp-2.10", "gimp-3.0", "gimp-2.99"}},
        {"Wine",
         "Temporary files of Windows programs",
         {".wine/drive_c/windows/temp", ".wine/drive_c/users/*/Temp",
          ".wine/drive_c/users/*/AppData/Local/Temp"},
         {"wineserver"}},
        {"Telegram",
         "Media Telegram downloaded; fetched again when shown",
         {"data:TelegramDesktop/tdata/user_data/cache",
          "data:TelegramDesktop/tdata/user_data/media_cache",
          ".var/app/org.telegram.desktop/data/TelegramDesktop/tdata/user_data/cache",
          ".var/app/org.telegram.desktop/data/TelegramDesktop/tdata/user_data/media_cache"},
         {"telegram-desktop", "telegram"}},
        {"Kodi", "Kodi's temporary files and logs", {".kodi/temp"}, {"kodi", "kodi.bin"}},
        {"Java",
         "Downloaded Web Start apps and applets; fetched again when started",
         {".java/deployment/cache", ".icedtea/cache", "cache:icedtea-web"},
         {"javaws", "java"}},
        {"Google Earth",
         "Map tiles; fetched again when shown",
         {".googleearth/Cache"},
         {"googleearth-bin", "google-earth-pro"}},
    };
    return list;
}

const std::vector<Entry> &developerCaches() {
    static const std::vector<Entry> list = {
        {"npm",
         "Downloaded packages; npm fetches them again when needed",
         {".npm/_cacache", ".npm/_npx"},
         {}},
        {"Yarn",
         "Downloaded packages; Yarn fetches them again when needed",
         {"cache:yarn", ".yarn/berry/cache"},
         {}},
        {"pnpm",
         "Package store; pnpm fetches packages again when needed",
         {"cache:pnpm", "data:pnpm/store"},
         {}},
        {"pip", "Downloaded packages; pip fetches them again when needed", {"cache:pip"}, {}},
        {"Poetry and uv",
         "Downloaded packages; Poetry and uv fetch them again when needed",
         {"cache:pypoetry", "cache:uv"},
         {}},
        {"Go build cache", "Compiled packages; go build makes them again", {"cache:go-build"}, {}},
        {"Go modules", "Downloaded modules; go fetches them again when needed", {"go/pkg/mod"}, {}},
        {"Cargo",
         "Downloaded crates, the index and git checkouts; Cargo fetches them again",
         {".cargo/registry/cache", ".cargo/registry/index", ".cargo/registry/src",
          ".cargo/git/checkouts"},
         {}},
        {"Gradle",
         "Downloaded dependencies, build caches and daemon logs; Gradle fetches or makes them "
         "again",
         {".gradle/caches", ".gradle/daemon/*/*.log"},
         {}},
        {"Gradle distributions",
         "Gradle versions the wrapper downloads again when a build needs them",
         {".gradle/wrapper/dists"},
         {}},
        {"ccache",
         "Compiler cache; builds fill it again (the first ones are slower)",
         {".ccache", "cache:ccache"},
         {}},
        {"sccache",
         "Compiler cache; builds fill it again (the first ones are slower)",
         {"cache:sccache"},
         {}},
        {"node-gyp",
         "Node.js headers; node-gyp downloads them again",
         {"cache:node-gyp", ".node-gyp"},
         {}},
        {"rustup",
         "Downloads and leftovers of past toolchain installs",
         {".rustup/downloads", ".rustup/tmp"},
         {"rustup"}},
        {"Composer",
         "Downloaded packages; Composer fetches them again when needed",
         {"cache:composer", ".composer/cache"},
         {}},
        {"Bun",
         "Downloaded packages; Bun fetches them again when needed",
         {".bun/install/cache"},
         {}},
        {"Deno", "Downloaded modules; Deno fetches them again when needed", {"cache:deno"}, {}},
    };
    return list;
}

const std::vector<Entry> &logsAndCrashReports() {
    static const std::vector<Entry> list = {
        {"~/.xsession-errors.old",
         "Log of an earlier desktop session",
         {".xsession-errors.old"},
         {}},
        {"npm logs", "npm's debug logs of past runs", {".npm/_logs"}, {}},
        {"Old display server logs",
         "Logs of earlier display server runs",
         {"data:xorg/*.log.old"},
         {}},
        {"Zoom logs",
         "Zoom's logs of past meetings and updates",
         {".zoom/logs", ".var/app/us.zoom.Zoom/.zoom/logs"},
         {"zoom"}},
        {"Thunderbird crash reports",
         "Reports of past crashes; Thunderbird no longer needs them",
         {".thunderbird/Crash Reports", ".thunderbird/*/minidumps"},
         {"thunderbird"}},
    };
    return list;
}

const std::vector<std::string_view> &profileCacheFolders() {
    static const std::vector<std::string_view> list = {
        "Cache",           "Code Cache",        "GPUCache",      "DawnCache",   "DawnGraphiteCache",
        "DawnWebGPUCache", "GraphiteDawnCache", "GrShaderCache", "ShaderCache",
    };
    return list;
}

const std::vector<std::string_view> &browserCacheFolders() {
    static const std::vector<std::string_view> list = {
        "component_crx_cache",
        "extensions_crx_cache",
        "Crash Reports",
        "Crashpad",
    };
    return list;
}

const std::vector<std::string_view> &electronCacheFolders() {
    static const std::vector<std::string_view> list = {
        "CachedData", "CachedExtensions", "CachedExtensionVSIXs",
        "Crashpad",   "Crash Reports",    "logs",
    };
    return list;
}

const std::vector<std::string_view> &electronSearch() {
    static const std::vector<std::string_view> list = {
        "config:*",
        "config:*/*",
        ".var/app/*/config/*",
        ".var/app/*/config/*/*",
        "snap/*/*/.config/*",
        "snap/*/*/.config/*/*",
    };
    return list;
}

const std::vector<std::string_view> &electronMarkers() {
    static const std::vector<std::string_view> list = {"Local State", "Preferences"};
    return list;
}

bool isNotCache(std::string_view name) {
    // ibus keeps the phrases its input methods learned from the user there.
    return name == "ibus";
}

const std::vector<Entry> &reviewCaches() {
    static const std::vector<Entry> list = {
        {"Mesa shader cache",
         "Compiled graphics shaders; games and 3D apps stutter while they build them again",
         {"cache:mesa_shader_cache", "cache:mesa_shader_cache_db"},
         {}},
    };
    return list;
}

}  // namespace mole::clean
