#pragma once

#include "walk/LargeFiles.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace mole::walk {

// One direct child of the analysed folder, with everything below it.
struct ChildUsage {
    std::string name;
    bool isDir = false;
    int64_t bytes = 0;       // allocated bytes, like du
    int64_t lastAccess = 0;  // newest access time of the files inside (its own for a file)
};

struct FolderUsage {
    int64_t totalBytes = 0;  // the folder itself and all it holds
    std::vector<ChildUsage> children;
    std::vector<LargeFile> largeFiles;  // largest first
    int64_t unreadableFolders = 0;
    bool stopped = false;  // WalkOptions::stop was set: the figures are incomplete
};

struct WalkOptions {
    unsigned threads = 1;
    size_t largeFileCount = 20;
    // Set by another thread to end the walk early; checked between batches of
    // entries, so a walk ends within milliseconds.
    const std::atomic<bool> *stop = nullptr;
    // Mounts besides its own that the walk enters (mole::walkableMounts);
    // any other file system mounted below is left out.
    std::vector<uint64_t> mounts;
};

// Two threads per processor, 2 to 32; MOLE_ANALYZE_THREADS overrides.
unsigned defaultThreadCount();

// Measures the open folder `fd` found at `path`, in parallel, never following
// symbolic links, counting each hard-linked file once and skipping folders
// that cannot be read and file systems outside `options.mounts` (direct
// children that are mount points of such file systems are left out).
FolderUsage measureFolder(int fd, const std::string &path, const WalkOptions &options);

}  // namespace mole::walk
