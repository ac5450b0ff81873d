#include "analyze/Walker.h"

#include "analyze/HardLinks.h"
#include "analyze/Scope.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace mole::analyze {

namespace {

// Only what the report uses: asking for less lets some file systems skip work.
constexpr unsigned kEntryFields = STATX_TYPE | STATX_NLINK | STATX_INO | STATX_BLOCKS | STATX_ATIME;
constexpr unsigned kFolderFields = STATX_TYPE | STATX_BLOCKS | STATX_MNT_ID;
constexpr int kNoFollow = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int64_t allocated(const struct statx &st) {
    return int64_t(st.stx_blocks) * 512;
}

// Mount ids, unlike device numbers, match mountinfo for btrfs subvolumes too.
// Kernels before 5.8 have no STATX_MNT_ID; the file handle call reports it.
uint64_t mountOf(int fd, const struct statx &st) {
    if (st.stx_mask & STATX_MNT_ID)
        return st.stx_mnt_id;
    struct {
        file_handle handle;
        unsigned char room[MAX_HANDLE_SZ];
    } handle{};
    handle.handle.handle_bytes = MAX_HANDLE_SZ;
    int mount = 0;
    return ::name_to_handle_at(fd, "", &handle.handle, &mount, AT_EMPTY_PATH) == 0 ? uint64_t(mount)
                                                                                   : 0;
}

// What one direct child accumulates; many threads add to it.
struct Totals {
    int child = 0;  // position in the folder's listing
    std::atomic<int64_t> bytes{0};
    std::atomic<int64_t> lastAccess{0};
    std::atomic<bool> leftOut{false};  // the mount point of a file system outside the walk

    void add(int64_t more, int64_t accessed) {
        bytes.fetch_add(more, std::memory_order_relaxed);
        int64_t seen = lastAccess.load(std::memory_order_relaxed);
        while (accessed > seen && !lastAccess.compare_exchange_weak(seen, accessed)) {
        }
    }
};

// Open folders wait for their subfolders to be opened relative to them. This
// keeps the number held below the open-file limit, with room for the folders
// being read; past it a folder is closed once read and its subfolders are
// opened by path.
class DescriptorBudget {
public:
    explicit DescriptorBudget(unsigned threads) {
        rlimit limit{};
        rlim_t allowed = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
        long spare = long(std::min<rlim_t>(allowed, 1 << 20)) - 32 - 2 * long(threads);
        m_left = int(std::max(0L, spare));
    }
    bool take() {
        int left = m_left.load(std::memory_order_relaxed);
        while (left > 0 && !m_left.compare_exchange_weak(left, left - 1)) {
        }
        return left > 0;
    }
    void give() { m_left.fetch_add(1, std::memory_order_relaxed); }

private:
    std::atomic<int> m_left{0};
};

// A folder that is open while its subfolders wait to be opened relative to
// it; the last pending subfolder to open it closes it.
struct OpenFolder {
    int fd;  // -1 once closed for want of descriptors
    uint64_t mount;
    std::string path;
    DescriptorBudget *budget = nullptr;  // set while the descriptor counts against it
    std::atomic<bool> unexaminable{false};

    OpenFolder(int fd, uint64_t mount, std::string path)
        : fd(fd), mount(mount), path(std::move(path)) {}
    ~OpenFolder() { close(); }
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
    void close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (budget)
            budget->give();
        budget = nullptr;
    }
    int openChild(const std::string &name) const {
        return fd >= 0 ? ::openat(fd, name.c_str(), kOpenFolder)
                       : ::open(joinPath(path, name).c_str(), kOpenFolder);
    }
    int statChild(const std::string &name, unsigned fields, struct statx &st) const {
        return fd >= 0 ? ::statx(fd, name.c_str(), kNoFollow, fields, &st)
                       : ::statx(AT_FDCWD, joinPath(path, name).c_str(), kNoFollow, fields, &st);
    }
};

struct Job {
    std::shared_ptr<OpenFolder> parent;
    std::string name;
    Totals *totals;
    bool direct = false;  // a direct child of the measured folder
};

class Walk {
public:
    Walk(uint64_t startMount, const WalkOptions &options)
        : m_scope(startMount),
          m_largeFiles(options.largeFileCount),
          m_threads(std::max(1u, options.threads)),
          m_stop(options.stop),
          m_budget(m_threads) {}

    LargeFiles &largeFiles() { return m_largeFiles; }
    const HardLinks &hardLinks() const { return m_links; }
    int64_t unreadableFolders() const { return m_unreadable.load(); }
    bool stopping() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    // Calls visit(name, d_type) for every entry of an open folder, read with
    // large getdents64 batches.
    template <class Visit>
    void forEachName(int fd, std::vector<char> &buffer, Visit visit) {
        while (!stopping()) {
            ssize_t length = ::getdents64(fd, buffer.data(), buffer.size());
            if (length <= 0)
                return;
            for (ssize_t offset = 0; offset < length;) {
                auto *entry = reinterpret_cast<dirent64 *>(buffer.data() + offset);
                offset += entry->d_reclen;
                const char *name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                visit(name, entry->d_type);
            }
        }
    }

    // Stats an entry that is not known to be a folder. False when it cannot
    // be: gone since the listing (not a loss), or in a folder that may be
    // listed but not entered, which then counts as unreadable.
    bool examine(OpenFolder &folder, int fd, const char *name, struct statx &st) {
        if (::statx(fd, name, kNoFollow, kEntryFields, &st) == 0)
            return true;
        if (errno != ENOENT)
            countUnexaminable(folder);
        return false;
    }

    // Reads every entry of an open folder. Folders go to onFolder(name);
    // anything else is stat'ed (without following links) and goes to
    // onOther(name, st).
    template <class OnFolder, class OnOther>
    void list(OpenFolder &folder, int fd, std::vector<char> &buffer, OnFolder onFolder,
              OnOther onOther) {
        forEachName(fd, buffer, [&](const char *name, unsigned char type) {
            struct statx st;
            if (type == DT_DIR)
                onFolder(name);
            else if (!examine(folder, fd, name, st))
                return;
            else if (S_ISDIR(st.stx_mode))
                onFolder(name);
            else
                onOther(name, st);
        });
    }

    // Counts one non-folder entry of the given child into bytes and newest
    // access time. Hard-linked files are counted once, at the end, for
    // their owner (see HardLinks).
    void countFile(const struct statx &st, int child, std::string_view dir, std::string_view name,
                   int64_t &bytes, int64_t &newest) {
        int64_t size = allocated(st);
        bool regular = S_ISREG(st.stx_mode);
        int64_t accessed = st.stx_atime.tv_sec;
        if (st.stx_nlink > 1) {
            m_links.sight({makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, size,
                           regular ? accessed : 0, child, regular && m_largeFiles.wants(size), dir,
                           name});
            return;
        }
        bytes += size;
        if (!regular)
            return;
        newest = std::max(newest, accessed);
        if (m_largeFiles.wants(size))
            m_largeFiles.offer(size, accessed, dir, name);
    }

    void countUnexaminable(OpenFolder &folder) {
        if (!folder.unexaminable.exchange(true))
            m_unreadable.fetch_add(1, std::memory_order_relaxed);
    }

    void run(std::vector<Job> jobs) {
        m_pending = std::move(jobs);
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < m_threads; ++i) helpers.emplace_back([this] { work(); });
        work();
        for (std::thread &helper : helpers) helper.join();
        m_pending.clear();  // left over when stopped
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
                if (found.empty() || stopping())
                    break;
                job = std::move(found.back());
                found.pop_back();
                if (!found.empty())
                    share(found);
            }
            found.clear();
            finish();
        }
    }

    int openFolder(const Job &job) {
        using namespace std::chrono_literals;
        for (int attempt = 0;; ++attempt) {
            int fd = job.parent->openChild(job.name);
            if (fd >= 0 || (errno != EMFILE && errno != ENFILE) || attempt == 500 || stopping())
                return fd;
            // Another thread closes one within moments.
            std::this_thread::sleep_for(2ms);
        }
    }

    void visit(const Job &job, std::vector<char> &buffer, std::vector<Job> &found) {
        OpenFolder &parent = *job.parent;
        int fd = openFolder(job);
        struct statx st;
        if (fd < 0) {
            // Like du, an unreadable folder still counts its own size. When
            // even that fails, the parent may be listed but not entered.
            if (parent.statChild(job.name, kFolderFields, st) != 0) {
                if (errno != ENOENT)
                    countUnexaminable(parent);
            } else if (S_ISDIR(st.stx_mode)) {
                job.totals->add(allocated(st), 0);
                m_unreadable.fetch_add(1, std::memory_order_relaxed);
            }
            return;
        }
        if (::statx(fd, "", AT_EMPTY_PATH, kFolderFields, &st) != 0) {
            ::close(fd);
            return;
        }
        uint64_t mount = mountOf(fd, st);
        if (mount != parent.mount && !m_scope.allows(mount)) {
            ::close(fd);
            if (job.direct)
                job.totals->leftOut.store(true);
            return;
        }
        auto folder = std::make_shared<OpenFolder>(fd, mount, joinPath(parent.path, job.name));
        int64_t bytes = allocated(st);
        int64_t newest = 0;
        size_t before = found.size();
        list(
            *folder, fd, buffer,
            [&](const char *name) {
                found.push_back({folder, name, job.totals});
            },
            [&](const char *name, const struct statx &file) {
                countFile(file, job.totals->child, folder->path, name, bytes, newest);
            });
        job.totals->add(bytes, newest);
        if (found.size() == before)
            return;  // no subfolders: closed right away
        if (m_budget.take())
            folder->budget = &m_budget;
        else
            folder->close();
    }

    std::optional<Job> take() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_pending.empty() || m_busy == 0; });
        if (m_pending.empty() || stopping())
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
    const std::atomic<bool> *m_stop;
    std::atomic<int64_t> m_unreadable{0};
    DescriptorBudget m_budget;  // before the pending folders, which give back to it

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Job> m_pending;  // a stack: newest first keeps the walk deep, not wide
    unsigned m_busy = 0;
};

// Calls work(i) for i in [0, count), on several threads when there is much to do.
template <class Work>
void inParallel(size_t count, const Walk &walk, unsigned threads, Work work) {
    constexpr size_t kChunk = 512;
    std::atomic<size_t> next{0};
    auto run = [&] {
        for (size_t start; !walk.stopping() && (start = next.fetch_add(kChunk)) < count;)
            for (size_t i = start; i < std::min(count, start + kChunk); ++i) work(i);
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < std::min<size_t>(threads, count / kChunk); ++i)
        helpers.emplace_back(run);
    run();
    for (std::thread &helper : helpers) helper.join();
}

}  // namespace

unsigned defaultThreadCount() {
    // Walking is mostly waiting on the kernel; a second thread per core keeps
    // the cores busy while one blocks on a cold disk.
    if (const char *forced = std::getenv("MOLE_ANALYZE_THREADS"); forced && std::atoi(forced) > 0)
        return std::min(unsigned(std::atoi(forced)), 256u);
    return std::clamp(std::thread::hardware_concurrency() * 2, 2u, 32u);
}

FolderUsage measureFolder(int fd, const std::string &path, const WalkOptions &options) {
    FolderUsage usage;
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, kFolderFields, &st) != 0)
        return usage;
    int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return usage;
    auto top = std::make_shared<OpenFolder>(own, mountOf(own, st), path);
    Walk walk(top->mount, options);

    struct Child {
        std::string name;
        bool isDir;
        Totals totals;
    };
    std::deque<Child> children;   // stable addresses: the walking threads add to them
    std::vector<size_t> unknown;  // children that may not be folders
    std::vector<char> buffer(64 * 1024);
    walk.forEachName(own, buffer, [&](const char *name, unsigned char type) {
        Child &child = children.emplace_back(name, type == DT_DIR);
        child.totals.child = int(children.size() - 1);
        if (type != DT_DIR)
            unknown.push_back(children.size() - 1);
    });
    // The entries are examined by all threads: a folder of many files is
    // otherwise the one part of the walk that a single thread does alone.
    inParallel(unknown.size(), walk, options.threads, [&](size_t i) {
        Child &child = children[unknown[i]];
        struct statx file;
        if (!walk.examine(*top, own, child.name.c_str(), file)) {
            child.totals.leftOut = true;
        } else if (S_ISDIR(file.stx_mode)) {
            child.isDir = true;
        } else {
            int64_t bytes = 0;
            int64_t newest = 0;
            walk.countFile(file, child.totals.child, path, child.name, bytes, newest);
            child.totals.add(bytes, file.stx_atime.tv_sec);
        }
    });
    std::vector<Job> jobs;
    for (Child &child : children)
        if (child.isDir)
            jobs.push_back({top, child.name, &child.totals, true});
    top.reset();
    walk.run(std::move(jobs));
    walk.hardLinks().forEachOwner([&](const HardLinks::Owner &owner) {
        children[size_t(owner.child)].totals.add(owner.bytes, owner.lastAccess);
        if (!owner.path.empty())
            walk.largeFiles().offer({owner.bytes, owner.lastAccess, owner.path});
    });

    usage.totalBytes = allocated(st);
    usage.children.reserve(children.size());
    for (Child &child : children) {
        if (child.totals.leftOut.load())
            continue;
        int64_t bytes = child.totals.bytes.load();
        usage.totalBytes += bytes;
        usage.children.push_back(
            {std::move(child.name), child.isDir, bytes, child.totals.lastAccess.load()});
    }
    usage.largeFiles = walk.largeFiles().largestFirst();
    usage.unreadableFolders = walk.unreadableFolders();
    usage.stopped = walk.stopping();
    return usage;
}

}  // namespace mole::analyze
