#include "RealisticHome.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

#include "FakeHome.h"

namespace {
const QString kUser = u"User caches"_qs;
const QString kThumbnails = u"Thumbnails"_qs;
const QString kBrowsers = u"Browser caches"_qs;
const QString kApplications = u"Application caches"_qs;
const QString kDeveloper = u"Developer caches"_qs;
const QString kLogs = u"Logs & crash dumps"_qs;
const QString kTrash = u"Trash"_qs;
const QString kLeftovers = u"Leftovers of removed apps"_qs;
}  // namespace

QByteArray elfFile(int type, bool bigEndian) {
    QByteArray header(
        "\x7f"
        "ELF",
        4);
    header += char(2);  // 64-bit
    header += char(bigEndian ? 2 : 1);
    header += char(1);              // version
    header += QByteArray(9, '\0');  // to byte 16
    header += bigEndian ? QByteArray{"\0", 1} + char(type) : QByteArray(1, char(type)) + '\0';
    return header + QByteArray(30'000, 'c');
}

RealisticHome::RealisticHome(FakeHome &home) : m_home(home) {
    browsers();
    applications();
    developerTools();
    logsAndDumps();
    everythingElse();
}

void RealisticHome::write(const QByteArray &path, const QByteArray &content) {
    m_home.text(path, content);
}

void RealisticHome::junk(const QByteArray &path, const QString &section, const QString &label,
                         int bytes) {
    m_home.file(path, bytes);
    m_junk.append({path, section, label});
}

void RealisticHome::sensitive(const QByteArray &path, int bytes) {
    // Content of its own, so a checksum tells any change.
    QByteArray content = path + '#' + QByteArray::number(++m_serial);
    content = content.repeated(bytes / int(content.size()) + 1).left(bytes);
    write(path, content);
    m_sensitive.append(path);
}

void RealisticHome::reviewOnly(const QByteArray &path, const QString &section,
                               const QString &label) {
    m_home.file(path, 24'000);
    m_review.append({path, section, label});
}

QHash<QByteArray, QByteArray> RealisticHome::checksums() const {
    QHash<QByteArray, QByteArray> sums;
    for (const QByteArray &path : m_sensitive) {
        QFile file(QFile::decodeName(m_home.at(path)));
        sums[path] = file.open(QIODevice::ReadOnly)
                         ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                         : QByteArray("missing");
    }
    return sums;
}

// A Chromium profile: caches the dry run takes, and what makes it a profile.
void RealisticHome::chromiumProfile(const QByteArray &root, const QByteArray &profile,
                                    const QString &label) {
    const QByteArray p = root + '/' + profile + '/';
    junk(p + "GPUCache/data_0", kBrowsers, label);
    junk(p + "Code Cache/js/index-dir/the-real-index", kBrowsers, label);
    junk(p + "DawnGraphiteCache/data_1", kBrowsers, label);
    for (const char *data :
         {"Cookies", "History", "Login Data", "Web Data", "Bookmarks", "Preferences", "Favicons",
          "Network/Cookies", "Local Storage/leveldb/000003.log", "Session Storage/000005.ldb",
          "IndexedDB/https_mail.example_0.indexeddb.leveldb/CURRENT",
          "Sessions/Session_13300000000000000", "databases/Databases.db",
          "Extensions/abcdef/1.0/manifest.json"})
        sensitive(p + data);
}

void RealisticHome::browsers() {
    // Chrome and the family that shares its layout.
    struct Family {
        QByteArray config, cache;
        QString label;
    };
    const QList<Family> families = {
        {".config/google-chrome", ".cache/google-chrome", u"Chrome"_qs},
        {".config/chromium", ".cache/chromium", u"Chromium"_qs},
        {".config/BraveSoftware/Brave-Browser", ".cache/BraveSoftware/Brave-Browser", u"Brave"_qs},
        {".config/microsoft-edge", ".cache/microsoft-edge", u"Edge"_qs},
        {".config/vivaldi", ".cache/vivaldi", u"Vivaldi"_qs},
    };
    for (const Family &family : families) {
        chromiumProfile(family.config, "Default", family.label);
        chromiumProfile(family.config, "Profile 1", family.label);
        junk(family.config + "/component_crx_cache/abc_1", kBrowsers, family.label);
        junk(family.config + "/extensions_crx_cache/def_2", kBrowsers, family.label);
        junk(family.config + "/Crash Reports/pending/report.dmp", kBrowsers, family.label);
        junk(family.cache + "/Default/Cache/Cache_Data/f_000001", kBrowsers, family.label, 90'000);
        sensitive(family.config + "/Local State");
        sensitive(family.config + "/First Run", 10);
    }
    // Opera keeps its one profile in the configuration folder itself.
    junk(".config/opera/GPUCache/data_0", kBrowsers, u"Opera"_qs);
    junk(".config/opera/Code Cache/wasm/index", kBrowsers, u"Opera"_qs);
    junk(".cache/opera/Cache/Cache_Data/f_1", kBrowsers, u"Opera"_qs);
    for (const char *data : {"Cookies", "History", "Login Data", "Local Storage/leveldb/1.log"})
        sensitive(".config/opera/" + QByteArray(data));

    // Snaps: Chromium's profile in common/, Brave's in its revision folder.
    junk("snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data/f_9", kBrowsers,
         u"Chromium"_qs, 80'000);
    chromiumProfile("snap/chromium/common/chromium", "Default", u"Chromium"_qs);
    chromiumProfile("snap/brave/412/.config/BraveSoftware/Brave-Browser", "Default", u"Brave"_qs);
    junk("snap/brave/common/.cache/BraveSoftware/Brave-Browser/Default/Cache/f", kBrowsers,
         u"Brave"_qs);
    m_home.symlink("412", "snap/brave/current");

    // Firefox: cache in the cache folder, crash reports beside the profiles.
    const QByteArray firefox = ".mozilla/firefox/";
    junk(".cache/mozilla/firefox/x1y2.default-release/cache2/entries/0A1B", kBrowsers,
         u"Firefox"_qs, 120'000);
    junk(firefox + "Crash Reports/submitted/bp-1234.txt", kBrowsers, u"Firefox"_qs);
    junk(firefox + "Crash Reports/pending/abc.dmp", kBrowsers, u"Firefox"_qs);
    junk(firefox + "x1y2.default-release/minidumps/abc.dmp", kBrowsers, u"Firefox"_qs);
    for (const char *data :
         {"places.sqlite", "cookies.sqlite", "key4.db", "logins.json", "formhistory.sqlite",
          "sessionstore.jsonlz4", "storage/default/https+++mail.example/idb/1.sqlite", "prefs.js"})
        sensitive(firefox + "x1y2.default-release/" + data);
    sensitive(firefox + "profiles.ini", 200);
    junk(".var/app/org.mozilla.firefox/cache/mozilla/firefox/p.default/cache2/entries/F", kBrowsers,
         u"Firefox"_qs);
    sensitive(".var/app/org.mozilla.firefox/.mozilla/firefox/p.default/cookies.sqlite");
    junk("snap/firefox/common/.cache/mozilla/firefox/s.default/cache2/entries/F", kBrowsers,
         u"Firefox"_qs);
    sensitive("snap/firefox/common/.mozilla/firefox/s.default/places.sqlite");
    m_home.folder(".local/share/flatpak/app/org.mozilla.firefox");
}

// An Electron app's folder: the caches a Chromium profile holds, its logs
// and crash dumps, beside its data.
void RealisticHome::electronApp(const QByteArray &folder, const QString &label) {
    const QByteArray f = folder + '/';
    junk(f + "Cache/Cache_Data/data_1", kApplications, label, 60'000);
    junk(f + "Code Cache/js/index-dir/the-real-index", kApplications, label);
    junk(f + "GPUCache/data_0", kApplications, label);
    junk(f + "DawnWebGPUCache/data_0", kApplications, label);
    junk(f + "Crashpad/completed/1234.dmp", kApplications, label);
    junk(f + "logs/main.log", kApplications, label);
    for (const char *data :
         {"Cookies", "Network/Cookies", "Local Storage/leveldb/000003.log",
          "IndexedDB/file__0.indexeddb.leveldb/CURRENT", "Session Storage/000001.log",
          "Preferences", "Local State", "databases/Databases.db", "config.json", "sql/db.sqlite"})
        sensitive(f + data);
}

void RealisticHome::applications() {
    for (const auto &[folder, label] : QList<std::pair<QByteArray, QString>>{
             {".config/Slack", u"Slack"_qs},
             {".config/discord", u"discord"_qs},
             {".config/Signal", u"Signal"_qs},
             {".config/Element", u"Element"_qs},
             {".config/obsidian", u"obsidian"_qs},
             {".config/Microsoft/Microsoft Teams", u"Microsoft Teams"_qs},
             {".config/skypeforlinux", u"skypeforlinux"_qs},
             {".var/app/com.slack.Slack/config/Slack", u"Slack (Flatpak)"_qs},
             {"snap/discord/178/.config/discord", u"discord (snap)"_qs}})
        electronApp(folder, label);
    m_home.folder(".local/share/flatpak/app/com.slack.Slack");

    // VS Code adds its own caches to the Electron ones.
    electronApp(".config/Code", u"Code"_qs);
    junk(".config/Code/CachedData/0a1b2c/chrome/js/x.code", kApplications, u"Code"_qs);
    junk(".config/Code/CachedExtensionVSIXs/ms-python.python-2026.1.0", kApplications, u"Code"_qs,
         200'000);
    for (const char *data :
         {"User/settings.json", "User/keybindings.json", "User/globalStorage/state.vscdb",
          "User/workspaceStorage/abc/state.vscdb", "User/History/x/entries.json"})
        sensitive(".config/Code/" + QByteArray(data));

    junk(".local/share/Steam/appcache/httpcache/0a/f1", kApplications, u"Steam web cache"_qs);
    junk(".local/share/Steam/steamapps/shadercache/570/fozpipelinesv6/steamapp.foz", kApplications,
         u"Steam shader caches"_qs, 300'000);
    for (const char *data : {"userdata/1234/570/remote/save.dat", "config/loginusers.vdf",
                             "steamapps/common/Game/game.pak", "steamapps/appmanifest_570.acf"})
        sensitive(".local/share/Steam/" + QByteArray(data));
    junk(".config/libreoffice/4/cache/uno_packages/x", kApplications, u"LibreOffice"_qs);
    sensitive(".config/libreoffice/4/user/registrymodifications.xcu");
    junk(".config/GIMP/2.10/tmp/gimp-temp-1234.xcf", kApplications, u"GIMP"_qs);
    sensitive(".config/GIMP/2.10/sessionrc");
    junk(".wine/drive_c/windows/temp/setup.tmp", kApplications, u"Wine"_qs);
    junk(".wine/drive_c/users/ann/AppData/Local/Temp/x.tmp", kApplications, u"Wine"_qs);
    sensitive(".wine/drive_c/users/ann/Documents/letter.doc");
    sensitive(".wine/system.reg");
    junk(".local/share/TelegramDesktop/tdata/user_data/cache/0/x", kApplications, u"Telegram"_qs);
    junk(".local/share/TelegramDesktop/tdata/user_data/media_cache/1/y", kApplications,
         u"Telegram"_qs);
    sensitive(".local/share/TelegramDesktop/tdata/key_datas");
    sensitive(".local/share/TelegramDesktop/tdata/D877F783D5D3EF8C/maps");

    // Flatpak and snap apps the catalog does not know by name.
    junk(".var/app/com.spotify.Client/cache/spotify/Data/0a/x.file", kApplications,
         u"com.spotify.Client"_qs, 150'000);
    sensitive(".var/app/com.spotify.Client/config/spotify/prefs");
    m_home.folder(".local/share/flatpak/app/com.spotify.Client");
    junk(".var/app/org.gnome.Maps/cache/tiles/x.png", kApplications, u"org.gnome.Maps"_qs);
    m_home.folder(".local/share/flatpak/app/org.gnome.Maps");
    junk("snap/spotify/common/.cache/spotify/Data/x.file", kApplications, u"spotify (snap)"_qs);
    sensitive("snap/spotify/81/.config/spotify/prefs");
    junk("snap/gimp/420/.local/share/Trash/files/photo.png", kTrash, u"Trash of gimp (snap)"_qs);
    junk("snap/gimp/420/.local/share/Trash/info/photo.png.trashinfo", kTrash,
         u"Trash of gimp (snap)"_qs, 100);
    reviewOnly(".var/app/org.removed.Game/data/saves/slot1", kLeftovers, u"org.removed.Game"_qs);
}

void RealisticHome::developerTools() {
    junk(".cache/pip/http-v2/a/b/c/d", kDeveloper, u"pip"_qs);
    junk(".npm/_cacache/content-v2/sha512/ab/cd", kDeveloper, u"npm"_qs);
    junk(".cache/yarn/v6/npm-left-pad-1.3.0/index.js", kDeveloper, u"Yarn"_qs);
    junk(".cargo/registry/cache/index.crates.io-6f17d22bba15001f/serde-1.0.0.crate", kDeveloper,
         u"Cargo"_qs);
    junk(".cargo/registry/index/index.crates.io-6f17d22bba15001f/.cache/se/rd/serde", kDeveloper,
         u"Cargo"_qs);
    junk(".cargo/registry/src/index.crates.io-6f17d22bba15001f/serde-1.0.0/src/lib.rs", kDeveloper,
         u"Cargo"_qs);
    junk(".cargo/git/checkouts/tokio-abc/1a2b3c/README.md", kDeveloper, u"Cargo"_qs);
    sensitive(".cargo/config.toml");
    sensitive(".cargo/credentials.toml");
    sensitive(".cargo/bin/ripgrep");
    sensitive(".cargo/git/db/tokio-abc/HEAD");
    junk(".gradle/caches/modules-2/files-2.1/junit/x.jar", kDeveloper, u"Gradle"_qs);
    junk(".gradle/daemon/8.5/daemon-4321.out.log", kDeveloper, u"Gradle"_qs);
    sensitive(".gradle/daemon/8.5/registry.bin");
    sensitive(".gradle/gradle.properties");
    junk(".gradle/wrapper/dists/gradle-8.5-bin/abc/gradle-8.5-bin.zip", kDeveloper,
         u"Gradle distributions"_qs, 200'000);
    junk("go/pkg/mod/github.com/pkg/errors@v0.9.1/errors.go", kDeveloper, u"Go modules"_qs);
    junk("go/pkg/mod/cache/download/github.com/pkg/errors/@v/v0.9.1.zip", kDeveloper,
         u"Go modules"_qs);
    sensitive("go/src/myproject/main.go");
    sensitive("go/bin/mytool");
    junk(".cache/go-build/0a/0a1b-d", kDeveloper, u"Go build cache"_qs);
    junk(".m2/repository/junit/junit/4.13.2/junit-4.13.2.jar", kDeveloper, u"Maven downloads"_qs);
    write(".m2/repository/junit/junit/4.13.2/_remote.repositories",
          "#NOTE: This is a Maven Resolver internal implementation file\n"
          "junit-4.13.2.jar>central=\njunit-4.13.2.pom>central=\n");
    m_junk.append({".m2/repository/junit/junit/4.13.2/_remote.repositories", kDeveloper,
                   u"Maven downloads"_qs});
    // Built here with mvn install: Maven could never fetch them again.
    sensitive(".m2/repository/com/example/mylib/1.0/mylib-1.0.jar");
    write(".m2/repository/com/example/mylib/1.0/_remote.repositories", "mylib-1.0.jar>=\n");
    sensitive(".m2/repository/com/example/other/2.0/other-2.0.jar");
    sensitive(".m2/settings.xml");
    junk(".ccache/a/b/cachefile", kDeveloper, u"ccache"_qs);
}

void RealisticHome::logsAndDumps() {
    junk(".xsession-errors", kLogs, u"~/.xsession-errors"_qs);
    junk(".xsession-errors.old", kLogs, u"~/.xsession-errors.old"_qs);
    junk(".zoom/logs/zoom_stdout_stderr.log", kLogs, u"Zoom logs"_qs);
    sensitive(".zoom/data/zoomus.enc.db");
    junk(".local/share/xorg/Xorg.0.log.old", kLogs, u"Old display server logs"_qs);
    sensitive(".local/share/xorg/Xorg.0.log");
    write("core", elfFile(4));
    m_junk.append({"core", kLogs, u"~/core"_qs});
    write("core.4242", elfFile(4, true));
    m_junk.append({"core.4242", kLogs, u"~/core.4242"_qs});
    write("core.17", elfFile(2));  // a program someone named core.17
    m_sensitive.append("core.17");
}

void RealisticHome::everythingElse() {
    junk(".cache/thumbnails/large/0a1b2c.png", kThumbnails, u"Thumbnails"_qs);
    junk(".cache/fontconfig/abc-le64.cache-9", kUser, u"fontconfig"_qs);
    junk(".cache/JetBrains/IdeaIC2026.1/caches/content.dat", kUser, u"JetBrains"_qs);
    sensitive(".cache/ibus/libpinyin/user_bigram.db");  // phrases the input method learned
    reviewOnly(".cache/mesa_shader_cache/index", kUser, u"Mesa shader cache"_qs);
    reviewOnly(".cache/mesa_shader_cache_db/part0/mesa_cache.db", kUser, u"Mesa shader cache"_qs);
    junk(".local/share/Trash/files/old-notes.txt", kTrash, u"Trash"_qs);
    write(".local/share/Trash/info/old-notes.txt.trashinfo",
          "[Trash Info]\nPath=/x/old-notes.txt\nDeletionDate=2026-01-01T10:00:00\n");
    for (const char *data :
         {".ssh/id_ed25519", ".ssh/known_hosts", ".gnupg/private-keys-v1.d/ABCD.key",
          ".local/share/keyrings/login.keyring", ".bash_history", ".python_history",
          "Documents/thesis.odt", "Pictures/holiday.jpg", "Downloads/installer.deb",
          ".local/share/recently-used.xbel", ".thunderbird/abc.default/Mail/Inbox"})
        sensitive(data);
}
