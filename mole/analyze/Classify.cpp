#include "analyze/Classify.h"

#include <algorithm>
#include <array>

namespace mole::analyze {

namespace {

constexpr int64_t kOldDownloadBytes = 100'000'000;
constexpr int64_t kOldDownloadSeconds = 90 * 24 * 3600;

// Folders below the home folder that the cleaner empties.
constexpr std::array kCleanableInHome = {
    std::string_view(".cache"),
    std::string_view(".thumbnails"),
    std::string_view(".local/share/Trash"),
    std::string_view(".npm/_cacache"),
    std::string_view(".gradle/caches"),
    std::string_view(".cargo/registry/cache"),
};

// Cache folders that programs keep next to their data, wherever in the home.
constexpr std::array kCleanableNames = {
    std::string_view("__pycache__"), std::string_view(".pytest_cache"),
    std::string_view(".mypy_cache"), std::string_view("Cache"),
    std::string_view("Code Cache"),  std::string_view("GPUCache"),
};

constexpr std::array kDiskImageExtensions = {
    std::string_view(".qcow2"), std::string_view(".vdi"),  std::string_view(".vmdk"),
    std::string_view(".vhd"),   std::string_view(".vhdx"), std::string_view(".iso"),
    std::string_view(".img"),   std::string_view(".ova"),
};

constexpr std::array kInsightFolders = {
    std::string_view("node_modules"),
    std::string_view("VirtualBox VMs"),
};

template <size_t N>
bool contains(const std::array<std::string_view, N> &list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// ASCII case only, as the C locale folds it, without a library call per
// character: every file of a large folder is checked against each extension.
bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

std::string_view parentOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

}  // namespace

Classifier::Classifier(std::string home, int64_t now) : m_home(std::move(home)), m_now(now) {
    while (m_home.size() > 1 && m_home.back() == '/') m_home.pop_back();
    if (m_home == "/")
        m_home.clear();  // a home at the root would make everything "home"
    if (!m_home.empty())
        m_downloads = m_home + "/Downloads";
}

Flags Classifier::classify(const EntryFacts &entry) const {
    return {isCleanable(entry), isInsight(entry)};
}

bool Classifier::isCleanable(const EntryFacts &entry) const {
    if (!entry.isDir || m_home.empty())
        return false;
    std::string_view path = entry.path;
    if (!path.starts_with(m_home) || path.size() <= m_home.size() + 1 || path[m_home.size()] != '/')
        return false;
    std::string_view relative = path.substr(m_home.size() + 1);
    if (contains(kCleanableInHome, relative))
        return true;
    if (parentOf(relative) == ".cache")
        return true;  // each application's cache folder
    return contains(kCleanableNames, entry.name);
}

bool Classifier::isInsight(const EntryFacts &entry) const {
    if (entry.isDir && contains(kInsightFolders, entry.name))
        return true;
    if (!entry.isDir)
        for (std::string_view extension : kDiskImageExtensions)
            if (endsWithIgnoringCase(entry.name, extension))
                return true;
    bool inDownloads = !m_downloads.empty() && parentOf(entry.path) == m_downloads;
    return inDownloads && entry.bytes >= kOldDownloadBytes && entry.lastAccess > 0 &&
           m_now - entry.lastAccess >= kOldDownloadSeconds;
}

}  // namespace mole::analyze
