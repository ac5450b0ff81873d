#pragma once

#include "clean/Report.h"
#include "common/Home.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mole::clean {

// The user's keep list, $XDG_CONFIG_HOME/mole/keep: one path per line, "~"
// or "~/..." for the home, absolute otherwise; blank lines and lines
// starting with "#" are skipped. A kept path and everything inside it is
// never removed, whatever a plan says.
class KeepList {
public:
    static std::string file(const Home &home);

    // Lines that do not name a place inside the home are ignored, each with
    // a note on standard error for `command`.
    static KeepList read(const Home &home, std::string_view command);

    // False when the file exists but could not be read safely (a link, a
    // FIFO, too large): then nothing may be removed, since what the user
    // meant to keep is unknown.
    bool readable() const { return m_readable; }
    const std::vector<std::string> &paths() const { return m_paths; }

    // The kept path `path` is at or inside, or nullptr.
    const std::string *keeperOf(std::string_view path) const;

    // Takes out of the section every target at or inside a kept path, and
    // replaces a folder that holds a kept path by its other entries (a
    // folder that changed since it was listed is left as it is, for the
    // removal to refuse). Items left with nothing are dropped. With
    // `measure`, new targets are measured and what was held back is
    // counted for keptSection(). `onKept` hears each path left alone.
    void apply(const Home &home, Section &section, bool measure,
               const std::function<void(const std::string &path)> &onKept = {});

    // Adds paths to the file (as "~/..." lines, after what is there) and
    // takes lines naming `path` out of it, keeping comments and other lines.
    // The file is written beside itself and renamed. False when it could not
    // be read safely or written; a name with a line feed, or white space at
    // its end, cannot be written and makes add() fail.
    bool add(const Home &home, const std::vector<std::string> &paths);
    // The number of lines taken out, -1 when the file could not be changed.
    int release(const Home &home, const std::string &path);

    // A line of the list as the absolute path it names, or nothing (with
    // `problem` saying why).
    static std::optional<std::string> pathOfLine(const Home &home, std::string_view line,
                                                 std::string &problem);

    // "Kept": every kept path with the bytes it held back from this scan,
    // or a warning when the list could not be read. Empty without a list.
    Section keptSection(const Home &home) const;

private:
    bool holdsKept(std::string_view folder) const;
    void split(const Home &home, const Target &target, bool measure, std::vector<Target> &out,
               int64_t &heldBytes, const std::function<void(const std::string &)> &onKept);

    std::vector<std::string> m_paths;
    std::map<std::string, int64_t> m_held, m_heldForReview;
    bool m_readable = true;
};

}  // namespace mole::clean
