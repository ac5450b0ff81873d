#include "RealisticHome.h"

#include "FakeHome.h"

namespace {

// The home's plain entries, one group a line: "[Section]" starts a section;
// "Label | folder/ | a, b | c" is junk that label offers (folder/a and
// folder/b) beside sensitive data (folder/c); "? Label | ..." is offered for
// review only; "= | folder/ | a, b" is sensitive.
const char kEntries[] = R"(
[Browser caches]
Opera | .config/opera/ | GPUCache/data_0, Code Cache/wasm/index | Cookies, History, Login Data, Local Storage/leveldb/1.log
Opera | .cache/opera/ | Cache/Cache_Data/f_1
Chromium | snap/chromium/common/.cache/chromium/ | Default/Cache/Cache_Data/f_9
Brave | snap/brave/common/.cache/BraveSoftware/Brave-Browser/ | Default/Cache/f
Firefox | .cache/mozilla/firefox/ | x1y2.default-release/cache2/entries/0A1B
Firefox | .mozilla/firefox/ | Crash Reports/submitted/bp-1234.txt, Crash Reports/pending/abc.dmp | profiles.ini
Firefox | .mozilla/firefox/x1y2.default-release/ | minidumps/abc.dmp | places.sqlite, cookies.sqlite, key4.db, logins.json
= | .mozilla/firefox/x1y2.default-release/ | formhistory.sqlite, sessionstore.jsonlz4, prefs.js, storage/default/https+++mail.example/idb/1.sqlite
Firefox | .var/app/org.mozilla.firefox/ | cache/mozilla/firefox/p.default/cache2/entries/F | .mozilla/firefox/p.default/cookies.sqlite
Firefox | snap/firefox/common/ | .cache/mozilla/firefox/s.default/cache2/entries/F | .mozilla/firefox/s.default/places.sqlite
[Application caches]
Code | .config/Code/ | CachedData/0a1b2c/chrome/js/x.code, CachedExtensionVSIXs/ms-python.python-2026.1.0
= | .config/Code/User/ | settings.json, keybindings.json, globalStorage/state.vscdb, workspaceStorage/abc/state.vscdb, History/x/entries.json
Steam web cache | .local/share/Steam/ | appcache/httpcache/0a/f1 | userdata/1234/570/remote/save.dat, config/loginusers.vdf
Steam shader caches | .local/share/Steam/steamapps/ | shadercache/570/fozpipelinesv6/steamapp.foz | common/Game/game.pak, appmanifest_570.acf
LibreOffice | .config/libreoffice/4/ | cache/uno_packages/x | user/registrymodifications.xcu
GIMP | .config/GIMP/2.10/ | tmp/gimp-temp-1234.xcf | sessionrc
Wine | .wine/ | drive_c/windows/temp/setup.tmp, drive_c/users/ann/AppData/Local/Temp/x.tmp | drive_c/users/ann/Documents/letter.doc, system.reg
Telegram | .local/share/TelegramDesktop/tdata/ | user_data/cache/0/x, user_data/media_cache/1/y | key_datas, D877F783D5D3EF8C/maps
com.spotify.Client | .var/app/com.spotify.Client/ | cache/spotify/Data/0a/x.file | config/spotify/prefs
org.gnome.Maps | .var/app/org.gnome.Maps/ | cache/tiles/x.png
spotify (snap) | snap/spotify/ | common/.cache/spotify/Data/x.file | 81/.config/spotify/prefs
[Trash]
Trash of gimp (snap) | snap/gimp/420/.local/share/Trash/ | files/photo.png, info/photo.png.trashinfo
[Leftovers of removed apps]
? org.removed.Game | .var/app/org.removed.Game/ | data/saves/slot1
? zzoldapp-left | .config/zzoldapp-left/ | settings
[Developer caches]
pip | .cache/ | pip/http-v2/a/b/c/d
npm | .npm/ | _cacache/content-v2/sha512/ab/cd
Yarn | .cache/ | yarn/v6/npm-left-pad-1.3.0/index.js
Cargo | .cargo/registry/ | cache/index.crates.io-6f17d22bba15001f/serde-1.0.0.crate, index/index.crates.io-6f17d22bba15001f/.cache/se/rd/serde
Cargo | .cargo/ | registry/src/index.crates.io-6f17d22bba15001f/serde-1.0.0/src/lib.rs, git/checkouts/tokio-abc/1a2b3c/README.md | config.toml, credentials.toml, bin/ripgrep, git/db/tokio-abc/HEAD
Gradle | .gradle/ | caches/modules-2/files-2.1/junit/x.jar, daemon/8.5/daemon-4321.out.log | daemon/8.5/registry.bin, gradle.properties
Gradle distributions | .gradle/ | wrapper/dists/gradle-8.5-bin/abc/gradle-8.5-bin.zip
Go modules | go/ | pkg/mod/github.com/pkg/errors@v0.9.1/errors.go, pkg/mod/cache/download/github.com/pkg/errors/@v/v0.9.1.zip | src/myproject/main.go, bin/mytool
Go build cache | .cache/ | go-build/0a/0a1b-d
Maven downloads | .m2/ | repository/junit/junit/4.13.2/junit-4.13.2.jar | repository/com/example/mylib/1.0/mylib-1.0.jar, repository/com/example/other/2.0/other-2.0.jar, settings.xml
ccache | .ccache/ | a/b/cachefile
[Logs & crash dumps]
~/.xsession-errors.old | | .xsession-errors.old
Zoom logs | .zoom/ | logs/zoom_stdout_stderr.log | data/zoomus.enc.db
Old display server logs | .local/share/xorg/ | Xorg.0.log.old | Xorg.0.log
[Thumbnails]
Thumbnails | | .cache/thumbnails/large/0a1b2c.png, .thumbnails/normal/0a1b2c.png
[User caches]
fontconfig | .cache/ | fontconfig/abc-le64.cache-9
JetBrains | .cache/ | JetBrains/IdeaIC2026.1/caches/content.dat
? Mesa shader cache | .cache/ | mesa_shader_cache/index, mesa_shader_cache_db/part0/mesa_cache.db
Mole notes | .cache/Mole notes/ | data.bin
mo clean stuff | .cache/mo clean stuff/ | data.bin
would free 5 GB | .cache/would free 5 GB/ | data.bin
appB | .cache/appB/ | data.bin
= | .cache/ | ibus/libpinyin/user_bigram.db
= | | .ssh/id_ed25519, .ssh/known_hosts, .gnupg/private-keys-v1.d/ABCD.key, .bash_history, .python_history
= | | .local/share/keyrings/login.keyring, .local/share/recently-used.xbel, .thunderbird/abc.default/Mail/Inbox
= | | Documents/thesis.odt, Pictures/holiday.jpg, Downloads/installer.deb
)";

// The ELF header of a core file (type 4) or an executable (type 2), in
// little- or big-endian byte order, followed by some bytes.
QByteArray elfFile(int type, bool bigEndian = false) {
    // 64-bit, the byte order, version 1, padding to byte 16, then the type.
    const QByteArray header = QByteArray::fromHex(bigEndian ? "7f454c46020201" : "7f454c46020101");
    const QByteArray half(1, char(type)), zero(1, '\0');
    return header + QByteArray(9, '\0') + (bigEndian ? zero + half : half + zero) +
           QByteArray(30'000, 'c');
}

}  // namespace

RealisticHome::RealisticHome(FakeHome &home) : m_home(home) {
    QString section;
    for (const QByteArray &line : QByteArray(kEntries).split('\n')) {
        const QList<QByteArray> fields = line.split('|');
        if (line.startsWith('['))
            section = QString::fromUtf8(line.mid(1, line.size() - 2));
        if (fields.size() < 3)
            continue;
        const QByteArray tag = fields[0].trimmed(), folder = fields[1].trimmed();
        for (int field = 2; field < fields.size(); ++field)
            for (const QByteArray &name : fields[field].split(',')) {
                const QByteArray path = folder + name.trimmed();
                if (tag == "=" || field == 3)
                    sensitive(path);
                else if (tag.startsWith("? "))
                    junk(path, section, QString::fromUtf8(tag.mid(2)), &m_review);
                else
                    junk(path, section, QString::fromUtf8(tag));
            }
    }
    browsers();
    applications();
    special();
}

void RealisticHome::junk(const QByteArray &path, const QString &section, const QString &label,
                         QList<Junk> *list) {
    m_home.file(path, 24'000);
    (list ? *list : m_junk).append({path, section, label});
}

void RealisticHome::sensitive(const QByteArray &path) {
    // Content of its own, so a checksum tells any change.
    const QByteArray content = path + '#' + QByteArray::number(m_sensitive.size());
    m_home.text(path, content.repeated(3'000 / int(content.size()) + 1).left(3'000));
    m_sensitive.append(path);
}

// A Chromium profile (or an Electron app's folder, which is one): the caches
// a scan takes, and what makes it a profile.
void RealisticHome::profile(const QByteArray &folder, const QString &section,
                            const QString &label) {
    for (const char *cache :
         {"GPUCache/data_0", "Code Cache/js/index-dir/the-real-index",
          section == u"Browser caches"_qs ? "DawnGraphiteCache/data_1" : "DawnWebGPUCache/data_0"})
        junk(folder + '/' + cache, section, label);
    for (const char *data :
         {"Cookies", "Network/Cookies", "Local Storage/leveldb/000003.log",
          "Session Storage/000005.ldb", "IndexedDB/https_mail.example_0.indexeddb.leveldb/CURRENT",
          "Preferences", "databases/Databases.db", "History", "Login Data", "Web Data", "Bookmarks",
          "Favicons", "Sessions/Session_13300000000000000", "Extensions/abcdef/1.0/manifest.json"})
        sensitive(folder + '/' + data);
}

void RealisticHome::browsers() {
    const QString browser = u"Browser caches"_qs;
    // Chrome and the family that shares its layout.
    for (const auto &[name, label] :
         QList<std::pair<QByteArray, QString>>{{"google-chrome", u"Chrome"_qs},
                                               {"chromium", u"Chromium"_qs},
                                               {"BraveSoftware/Brave-Browser", u"Brave"_qs},
                                               {"microsoft-edge", u"Edge"_qs},
                                               {"vivaldi", u"Vivaldi"_qs}}) {
        const QByteArray config = ".config/" + name;
        profile(config + "/Default", browser, label);
        profile(config + "/Profile 1", browser, label);
        for (const char *cache : {"/component_crx_cache/abc_1", "/extensions_crx_cache/def_2",
                                  "/Crash Reports/pending/report.dmp"})
            junk(config + cache, browser, label);
        junk(".cache/" + name + "/Default/Cache/Cache_Data/f_000001", browser, label);
        sensitive(config + "/Local State");
        sensitive(config + "/First Run");
    }
    // Snaps: Chromium's profile in common/, Brave's in its revision folder.
    profile("snap/chromium/common/chromium/Default", browser, u"Chromium"_qs);
    profile("snap/brave/412/.config/BraveSoftware/Brave-Browser/Default", browser, u"Brave"_qs);
    m_home.symlink("412", "snap/brave/current");
}

void RealisticHome::applications() {
    const QString apps = u"Application caches"_qs;
    // Electron apps: a Chromium profile, plus their own caches and logs.
    for (const auto &[folder, label] : QList<std::pair<QByteArray, QString>>{
             {".config/Slack", u"Slack"_qs},
             {".config/discord", u"discord"_qs},
             {".config/Signal", u"Signal"_qs},
             {".config/Element", u"Element"_qs},
             {".config/obsidian", u"obsidian"_qs},
             {".config/Microsoft/Microsoft Teams", u"Microsoft Teams"_qs},
             {".config/skypeforlinux", u"skypeforlinux"_qs},
             {".config/Code", u"Code"_qs},
             {".var/app/com.slack.Slack/config/Slack", u"Slack (Flatpak)"_qs},
             {"snap/discord/178/.config/discord", u"discord (snap)"_qs}}) {
        profile(folder, apps, label);
        for (const char *cache :
             {"/Cache/Cache_Data/data_1", "/Crashpad/completed/1234.dmp", "/logs/main.log"})
            junk(folder + cache, apps, label);
        for (const char *data : {"/Local State", "/config.json", "/sql/db.sqlite"})
            sensitive(folder + data);
    }
    // Flatpak apps are known as installed by their installation folders.
    for (const char *id :
         {"org.mozilla.firefox", "com.slack.Slack", "com.spotify.Client", "org.gnome.Maps"})
        m_home.folder(".local/share/flatpak/app/" + QByteArray(id));
}

// Files whose content decides: Maven's record of where a download came
// from, core dumps beside a program named like one, Trash entries.
void RealisticHome::special() {
    const QByteArray maven = ".m2/repository/junit/junit/4.13.2/_remote.repositories";
    m_home.text(maven,
                "#NOTE: This is a Maven Resolver internal implementation file\n"
                "junit-4.13.2.jar>central=\njunit-4.13.2.pom>central=\n");
    m_junk.append({maven, u"Developer caches"_qs, u"Maven downloads"_qs});
    // Built here with mvn install: Maven could never fetch it again.
    m_home.text(".m2/repository/com/example/mylib/1.0/_remote.repositories", "mylib-1.0.jar>=\n");
    m_home.text("core", elfFile(4));
    m_junk.append({"core", u"Logs & crash dumps"_qs, u"~/core"_qs});
    m_home.text("core.4242", elfFile(4, true));
    m_junk.append({"core.4242", u"Logs & crash dumps"_qs, u"~/core.4242"_qs});
    // Not core dumps: a program, a text, a cut-off header, other names, a link.
    for (const auto &[name, content] :
         QList<std::pair<QByteArray, QByteArray>>{{"core.17", elfFile(2)},
                                                  {"core.5", QByteArray(9000, 't')},
                                                  {"core.6", elfFile(4).left(17)},
                                                  {"core.txt", elfFile(4)},
                                                  {"core.1a", elfFile(4)},
                                                  {"elsewhere/core", elfFile(4)}}) {
        m_home.text(name, content);
        m_sensitive.append(name);
    }
    m_home.symlink("elsewhere/core", "core.7");
    m_sensitive.append("core.7");
    for (const char *entry : {"old-notes.txt", "olddir/data.bin"}) {
        m_home.trashed(entry);
        m_junk.append({".local/share/Trash/files/" + QByteArray(entry), u"Trash"_qs, u"Trash"_qs});
    }
    // Names the report must carry as they are; links the removal must not follow.
    junk(".cache/line\nbreak/data.bin", u"User caches"_qs, u"line\\nbreak"_qs);
    junk(".cache/bad\xff/data.bin", u"User caches"_qs, u"bad\ufffd"_qs);
    m_home.symlink("../../Documents", ".cache/appB/relative-link");
    m_home.symlink(m_home.at("Documents"), ".cache/appB/absolute-link");
}
