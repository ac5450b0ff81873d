#include "analyze/Walker.h"

#include "analyze/HardLinks.h"
#include "analyze/Scope.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace mole::analyze {

namespace {

int64_t allocated(const struct stat &st) {
    return int64_t(st.st_blocks) * 512;
}

// What one direct child accumulates; many threads add to it.
struct Totals {
    int child = 0;  // position in the folder's listing
    std::atomic<int64_t> bytes{0};
    std::atomic<int64_t> lastAccess{0};

    void add(int64_t more, int64_t accessed) {
        bytes.fetch_add(more, std::memory_order_relaxed);
        int64_t seen = lastAccess.load(std::memory_order_relaxed);
        while (accessed > seen && !lastAccess.compare_exchange_weak(seen, accessed)) {
        }
    }
};

// A folder that is open while its subfolders wait to be opened relative to
// it; the last pending subfolder to open it closes it.
struct OpenFolder {
    int fd;
    dev_t device;
    std::string path;
    OpenFolder(int fd, dev_t device, std::string path)
        : fd(fd), device(device), path(std::move(path)) {}
    ~OpenFolder() { ::close(fd); }
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
};

struct Job {
    std::shared_ptr<const OpenFolder> parent;
    std::string name;
    Totals *totals;
};

// Reads every entry of an open folder with large getdents64 batches. Folders
// go to onFolder(name); anything else is stat'ed (without following links)
// and goes to onOther(name, st).
template <class OnFolder, class OnOther>
void listFolder(int fd, std::vector<char> &buffer, OnFolder onFolder, OnOther onOther) {
    for (;;) {
        ssize_t length = ::getdents64(fd, buffer.data(), buffer.size());
        if (length <= 0)
            return;
        for (ssize_t offset = 0; offset < length;) {
            auto *entry = reinterpret_cast<dirent64 *>(buffer.data() + offset);
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if (entry->d_type == DT_DIR) {
                onFolder(name);
                continue;
            }
            struct stat st;
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(st.st_mode))
                onFolder(name);
            else
                onOther(name, st);
        }
    }
}

class Walk {
public:
    Walk(dev_t start, const WalkOptions &options)
        : m_scope(start),
          m_largeFiles(options.largeFileCount),
          m_threads(std::max(1u, options.threads)) {}

    LargeFiles &largeFiles() { return m_largeFiles; }
    const HardLinks &hardLinks() const { return m_links; }
    bool inScope(dev_t device) const { return m_scope.allows(device); }
    int64_t unreadableFolders() const { return m_unreadable.load(); }

    // Counts one non-folder entry of the given child into bytes and newest
    // access time. Hard-linked files are counted once, at the end, for
    // their owner (see HardLinks).
    void countFile(const struct stat &st, int child, std::string_view dir, std::string_view name,
                   int64_t &bytes, int64_t &newest) {
        int64_t size = allocated(st);
        if (st.st_nlink <= 1)
            bytes += size;
        else if (!m_links.sight(st.st_dev, st.st_ino, size, child))
            return;
        if (!S_ISREG(st.st_mode))
            return;
        newest = std::max<int64_t>(newest, st.st_atime);
        if (m_largeFiles.wants(size))
            m_largeFiles.offer(size, st.st_atime, dir, name);
    }

    void run(std::vector<Job> jobs) {
        m_pending = std::move(jobs);
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < m_threads; ++i) helpers.emplace_back([this] { work(); });
        work();
        for (std::thread &helper : helpers) helper.join();
    }

private:
    void work() {
        std::vector<char> buffer(64 * 1024);
        std::vector<Job> found;
        while (std::optional<Job> job = take()) {
            // Depth first on this thread: keep one subfolder, share the rest.
            // Going deep first also keeps few folders open at a time.
            for (;;) {
                visit(*job, buffer, found);
                if (found.empty())
                    break;
                job = std::move(found.back());
                found.pop_back();
                if (!found.empty())
                    share(found);
            }
            finish();
        }
    }

    void visit(const Job &job, std::vector<char> &buffer, std::vector<Job> &found) {
        const OpenFolder &parent = *job.parent;
        int fd =
            ::openat(parent.fd, job.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (fd < 0) {
            // Like du, an unreadable folder still counts its own size.
            if (::fstatat(parent.fd, job.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(st.st_mode)) {
                job.totals->add(allocated(st), 0);
                m_unreadable.fetch_add(1, std::memory_order_relaxed);
            }
            return;
        }
        if (::fstat(fd, &st) != 0 || (st.st_dev != parent.device && !m_scope.allows(st.st_dev))) {
            ::close(fd);
            return;
        }
        auto folder =
            std::make_shared<const OpenFolder>(fd, st.st_dev, joinPath(parent.path, job.name));
        int64_t bytes = allocated(st);
        int64_t newest = 0;
        listFolder(
            fd, buffer,
            [&](const char *name) {
                found.push_back({folder, name, job.totals});
            },
            [&](const char *name, const struct stat &file) {
                countFile(file, job.totals->child, folder->path, name, bytes, newest);
            });
        job.totals->add(bytes, newest);
    }

    std::optional<Job> take() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_pending.empty() || m_busy == 0; });
        if (m_pending.empty())
            return std::nullopt;  // nobody busy and nothing left: done
        ++m_busy;
        Job job = std::move(m_pending.back());
        m_pending.pop_back();
        return job;
    }

    void share(std::vector<Job> &jobs) {
        {
            std::lock_guard lock(m_mutex);
            for (Job &job : jobs) m_pending.push_back(std::move(job));
        }
        jobs.clear();
        m_wake.notify_all();
    }

    void finish() {
        std::lock_guard lock(m_mutex);
        if (--m_busy == 0 && m_pending.empty())
            m_wake.notify_all();
    }

    Scope m_scope;
    HardLinks m_links;
    LargeFiles m_largeFiles;
    const unsigned m_threads;
    std::atomic<int64_t> m_unreadable{0};

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Job> m_pending;  // a stack: newest first keeps the walk deep, not wide
    unsigned m_busy = 0;
};

}  // namespace

FolderUsage measureFolder(int fd, const std::string &path, const WalkOptions &options) {
    FolderUsage usage;
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return usage;
    Walk walk(st.st_dev, options);
    int64_t ownBytes = allocated(st);

    struct Child {
        std::string name;
        bool isDir;
        Totals totals;
    };
    std::deque<Child> children;  // stable addresses: the walking threads add to them
    std::vector<Job> jobs;
    int own = ::dup(fd);
    if (own < 0)
        return usage;
    auto top = std::make_shared<const OpenFolder>(own, st.st_dev, path);
    std::vector<char> buffer(64 * 1024);
    listFolder(
        own, buffer,
        [&](const char *name) {
            // A mount point of a file system outside the walk (/proc, a USB
            // stick, a network share) is not part of what is measured at all.
            struct stat folder;
            if (::fstatat(own, name, &folder, AT_SYMLINK_NOFOLLOW) == 0 &&
                folder.st_dev != st.st_dev && !walk.inScope(folder.st_dev))
                return;
            Child &child = children.emplace_back(name, true);
            child.totals.child = int(children.size() - 1);
            jobs.push_back({top, name, &child.totals});
        },
        [&](const char *name, const struct stat &file) {
            Child &child = children.emplace_back(name, false);
            child.totals.child = int(children.size() - 1);
            int64_t bytes = 0;
            int64_t newest = 0;
            walk.countFile(file, child.totals.child, path, name, bytes, newest);
            child.totals.add(bytes, S_ISREG(file.st_mode) ? newest : int64_t(file.st_atime));
        });
    top.reset();
    walk.run(std::move(jobs));
    walk.hardLinks().forEachOwner(
        [&](int child, int64_t bytes) { children[size_t(child)].totals.add(bytes, 0); });

    usage.totalBytes = ownBytes;
    for (Child &child : children) {
        int64_t bytes = child.totals.bytes.load();
        usage.totalBytes += bytes;
        usage.children.push_back(
            {std::move(child.name), child.isDir, bytes, child.totals.lastAccess.load()});
    }
    usage.largeFiles = walk.largeFiles().largestFirst();
    usage.unreadableFolders = walk.unreadableFolders();
    return usage;
}

}  // namespace mole::analyze
