#include "common/SharedFolders.h"

#include <algorithm>
#include <array>

namespace mole {

bool isSharedFolder(std::string_view looseName) {
    using namespace std::string_view_literals;
    static constexpr std::array shared = {
        "applications"sv,
        "autostart"sv,
        "backgrounds"sv,
        "brightloft"sv,
        "dconf"sv,
        "desktopdirectories"sv,
        "environmentd"sv,
        "flatpak"sv,
        "fontconfig"sv,
        "fonts"sv,
        "gtk20"sv,
        "gtk30"sv,
        "gtk40"sv,
        "gvfsmetadata"sv,
        "ibus"sv,
        "icons"sv,
        "keyrings"sv,
        "menus"sv,
        "mime"sv,
        "mole"sv,
        "pulse"sv,
        "recentlyusedxbel"sv,
        "sessions"sv,
        "session"sv,
        "sounds"sv,
        "systemd"sv,
        "themes"sv,
        "trash"sv,
        "userdirsdirs"sv,
        "userdirslocale"sv,
        "xdgdesktopportal"sv,
        "xorg"sv,
        "kdedefaults"sv,
        "kdeconnect"sv,
        "nvim"sv,
        "vim"sv,
        "git"sv,
        "htop"sv,
        "mc"sv,
        "wireplumber"sv,
        "pipewire"sv,
        "gnomesession"sv,
        "evolution"sv,
        "tracker"sv,
        "tracker3"sv,
        "zeitgeist"sv,
        "qtproject"sv,
        "trolltech"sv,
        "kde"sv,
    };
    return std::find(shared.begin(), shared.end(), looseName) != shared.end();
}

}  // namespace mole
