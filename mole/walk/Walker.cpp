#include "walk/Walker.h"

#include "walk/EntryStats.h"
#include "walk/HardLinks.h"
#include "walk/StatChoice.h"

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
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace mole::walk {

namespace {

// Only what the report uses: asking for less lets some file systems skip work.
constexpr unsigned kFolderFields = STATX_TYPE | STATX_BLOCKS | STATX_MNT_ID;
constexpr int kNoFollow = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;
constexpr int kOwnFigures = AT_EMPTY_PATH | AT_STATX_DONT_SYNC;
constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// One getdents64 call lists a few thousand entries.
constexpr size_t kListingBuffer = 128 * 1024;

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
// it; the last pending subfolder to open it closes it. The subfolders' names
// are kept together here, so a pending folder costs no allocation of its own.
struct OpenFolder {
    int fd;  // -1 once closed for want of descriptors
    uint64_t mount;
    std::string path;
    std::string names;                   // each ended by a NUL
    DescriptorBudget *budget = nullptr;  // set while the descriptor counts against it
    std::atomic<bool> unexaminable{false};

    OpenFolder(int descriptor, uint64_t mountId, std::string folderPath)
        : fd(descriptor), mount(mountId), path(std::move(folderPath)) {}
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
    uint32_t keepName(const char *name) {
        auto at = uint32_t(names.size());
        names.append(name, std::strlen(name) + 1);
        return at;
    }
    const char *name(uint32_t at) const { return names.c_str() + at; }
    int openChild(const char *name) const {
        return fd >= 0 ? ::openat(fd, name, kOpenFolder)
                       : ::open(joinPath(path, name).c_str(), kOpenFolder);
    }
    int statChild(const char *name, unsigned fields, struct statx &st) const {
        return fd >= 0 ? ::statx(fd, name, kNoFollow, fields, &st)
                       : ::statx(AT_FDCWD, joinPath(path, name).c_str(), kNoFollow, fields, &st);
    }
};

// What each walking thread reuses from folder to folder.
struct Scratch {
    std::vector<char> buffer = std::vector<char>(kListingBuffer);
    EntryStats stats;
    std::vector<const char *> names;
    std::vector<struct statx> results;
    std::vector<int> errors;
};

struct Job {
    std::shared_ptr<OpenFolder> parent;
    uint32_t nameAt;  // in parent->names
    Totals *totals;
    bool direct = false;  // a direct child of the measured folder
};

// Pending folders, one stack per walking thread. A thread takes its newest
// (going deep, which keeps few folders open) and, when it has none, the
// oldest of another's (nearest the top, so the most work per theft). Only a
// thread that has run out of work waits, and only then is it woken: the
// cost of sharing does not grow with the number of folders.
class Pending {
public:
    explicit Pending(unsigned threads) : m_stacks(threads), m_busy(threads) {}

    void add(unsigned thread, std::vector<Job> &jobs) {
        {
            Stack &stack = m_stacks[thread];
            std::lock_guard lock(stack.mutex);
            for (Job &job : jobs) stack.jobs.push_back(std::move(job));
        }
        m_queued.fetch_add(jobs.size());
        jobs.clear();
        if (m_waiting.load() > 0) {
            std::lock_guard lock(m_mutex);
            m_wake.notify_all();
        }
    }

    // False when every thread is out of work, or when `stop` is raised.
    bool take(unsigned thread, Job &job, const std::atomic<bool> *stop) {
        for (;;) {
            if (stop && stop->load(std::memory_order_relaxed))
                return false;
            if (m_queued.load() > 0) {
                if (takeFrom(thread, job, true))
                    return true;
                for (size_t other = 1; other < m_stacks.size(); ++other)
                    if (takeFrom((thread + other) % m_stacks.size(), job, false))
                        return true;
            }
            if (!waitForMore(stop))
                return false;
        }
    }

    void clear() {
        for (Stack &stack : m_stacks) stack.jobs.clear();
    }

private:
    struct Stack {
        std::mutex mutex;
        std::deque<Job> jobs;
    };

    bool takeFrom(size_t thread, Job &job, bool newest) {
        Stack &stack = m_stacks[thread];
        std::lock_guard lock(stack.mutex);
        if (stack.jobs.empty())
            return false;
        if (newest) {
            job = std::move(stack.jobs.back());
            stack.jobs.pop_back();
        } else {
            job = std::move(stack.jobs.front());
            stack.jobs.pop_front();
        }
        m_queued.fetch_sub(1);
        return true;
    }

    // A thread is busy until it finds nothing to take; the walk is over when
    // no thread is busy and nothing is queued. The waiting count is raised
    // before the queue is looked at, and adders look at it after queuing, so
    // no wake-up is missed.
    bool waitForMore(const std::atomic<bool> *stop) {
        using namespace std::chrono_literals;
        std::unique_lock lock(m_mutex);
        m_waiting.fetch_add(1);
        if (--m_busy == 0 && m_queued.load() == 0) {
            m_done = true;
            m_wake.notify_all();
        }
        auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
        while (!m_done && m_queued.load() == 0 && !stopped())
            m_wake.wait_for(lock, 20ms);  // a raised stop wakes nobody
        m_waiting.fetch_sub(1);
        if (m_done || stopped())
            return false;
        ++m_busy;
        return true;
    }

    std::vector<Stack> m_stacks;
    std::atomic<size_t> m_queued{0};
    std::atomic<unsigned> m_waiting{0};
    std::mutex m_mutex;  // guards what follows
    std::condition_variable m_wake;
    unsigned m_busy;
    bool m_done = false;
};

class Walk {
public:
    Walk(uint64_t startMount, const WalkOptions &options)
        : m_startMount(startMount),
          m_mounts(options.mounts),
          m_largeFiles(options.largeFileCount),
          m_threads(std::max(1u, options.threads)),
          m_stop(options.stop),
          m_budget(m_threads),
          m_pending(m_threads) {}

    LargeFiles &largeFiles() { return m_largeFiles; }
    // Batches of this many entries or more are stat'ed through io_uring.
    void useRingFrom(size_t batch) { m_ringBatchesFrom = batch; }
    const HardLinks &hardLinks() const { return m_links; }
    int64_t unreadableFolders() const { return m_unreadable.load(); }
    bool stopping() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    // Calls visit(name, d_type) for the entries of one large getdents64
    // batch of an open folder. False at the end of the folder.
    template <class Visit>
    bool readNames(int fd, std::vector<char> &buffer, Visit visit) {
        ssize_t length = ::getdents64(fd, buffer.data(), buffer.size());
        if (length <= 0)
            return false;
        for (ssize_t offset = 0; offset < length;) {
            auto *entry = reinterpret_cast<dirent64 *>(buffer.data() + offset);
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            visit(name, entry->d_type);
        }
        return true;
    }

    // Stats the entries that are not known to be folders, in one batch. An
    // entry that cannot be stat'ed is gone since the listing (not a loss) or
    // in a folder that may be listed but not entered, which then counts as
    // unreadable. Calls found(index, st) for the others.
    template <class Found>
    void examine(OpenFolder &folder, int fd, Scratch &scratch, Found found) {
        StatPath path =
            scratch.names.size() >= m_ringBatchesFrom ? StatPath::ring : StatPath::plain;
        scratch.stats.stat(fd, scratch.names, scratch.results, scratch.errors, path);
        for (size_t i = 0; i < scratch.names.size(); ++i) {
            if (scratch.errors[i] == 0)
                found(i, scratch.results[i]);
            else if (scratch.errors[i] != ENOENT)
                countUnexaminable(folder);
        }
    }

    // Reads every entry of an open folder. Folders go to onFolder(name);
    // anything else is stat'ed (without following links) and goes to
    // onOther(name, st). The names live in the scratch buffer until the next
    // batch.
    template <class OnFolder, class OnOther>
    void list(OpenFolder &folder, int fd, Scratch &scratch, OnFolder onFolder, OnOther onOther) {
        while (!stopping()) {
            scratch.names.clear();
            bool more = readNames(fd, scratch.buffer, [&](const char *name, unsigned char type) {
                if (type == DT_DIR)
                    onFolder(name);
                else
                    scratch.names.push_back(name);
            });
            examine(folder, fd, scratch, [&](size_t i, const struct statx &st) {
                if (S_ISDIR(st.stx_mode))
                    onFolder(scratch.names[i]);
                else
                    onOther(scratch.names[i], st);
            });
            if (!more)
                return;
        }
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
        m_pending.add(0, jobs);
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < m_threads; ++i) helpers.emplace_back([this, i] { work(i); });
        work(0);
        for (std::thread &helper : helpers) helper.join();
        m_pending.clear();  // left over when stopped
    }

private:
    void work(unsigned thread) {
        Scratch scratch;
        std::vector<Job> found;
        Job job;
        while (m_pending.take(thread, job, m_stop)) {
            // Depth first on this thread: keep one subfolder, queue the rest.
            for (;;) {
                visit(job, scratch, found);
                if (found.empty() || stopping())
                    break;
                job = std::move(found.back());
                found.pop_back();
                if (!found.empty())
                    m_pending.add(thread, found);
            }
            found.clear();
            job = {};
        }
    }

    int openFolder(const OpenFolder &parent, const char *name) {
        using namespace std::chrono_literals;
        for (int attempt = 0;; ++attempt) {
            int fd = parent.openChild(name);
            if (fd >= 0 || (errno != EMFILE && errno != ENFILE) || attempt == 500 || stopping())
                return fd;
            // Another thread closes one within moments.
            std::this_thread::sleep_for(2ms);
        }
    }

    void visit(const Job &job, Scratch &scratch, std::vector<Job> &found) {
        OpenFolder &parent = *job.parent;
        const char *name = parent.name(job.nameAt);
        int fd = openFolder(parent, name);
        struct statx st;
        if (fd < 0) {
            // Like du, an unreadable folder still counts its own size. When
            // even that fails, the parent may be listed but not entered.
            if (parent.statChild(name, kFolderFields, st) != 0) {
                if (errno != ENOENT)
                    countUnexaminable(parent);
            } else if (S_ISDIR(st.stx_mode)) {
                job.totals->add(allocated(st), 0);
                m_unreadable.fetch_add(1, std::memory_order_relaxed);
            }
            return;
        }
        if (::statx(fd, "", kOwnFigures, kFolderFields, &st) != 0) {
            ::close(fd);
            return;
        }
        uint64_t mount = mountOf(fd, st);
        if (mount != parent.mount && !enters(mount)) {
            ::close(fd);
            if (job.direct)
                job.totals->leftOut.store(true);
            return;
        }
        auto folder = std::make_shared<OpenFolder>(fd, mount, joinPath(parent.path, name));
        int64_t bytes = allocated(st);
        int64_t newest = 0;
        size_t before = found.size();
        list(
            *folder, fd, scratch,
            [&](const char *sub) {
                found.push_back({folder, folder->keepName(sub), job.totals});
            },
            [&](const char *file, const struct statx &fileStat) {
                countFile(fileStat, job.totals->child, folder->path, file, bytes, newest);
            });
        job.totals->add(bytes, newest);
        if (found.size() == before)
            return;  // no subfolders: closed right away
        if (m_budget.take())
            folder->budget = &m_budget;
        else
            folder->close();
    }

    bool enters(uint64_t mount) const {
        return mount == m_startMount ||
               std::find(m_mounts.begin(), m_mounts.end(), mount) != m_mounts.end();
    }

    const uint64_t m_startMount;
    const std::vector<uint64_t> m_mounts;
    HardLinks m_links;
    LargeFiles m_largeFiles;
    const unsigned m_threads;
    const std::atomic<bool> *m_stop;
    std::atomic<int64_t> m_unreadable{0};
    size_t m_ringBatchesFrom = SIZE_MAX;  // see ringBatchesFrom
    DescriptorBudget m_budget;            // before the pending folders, which give back to it
    Pending m_pending;
};

// Calls work(scratch, start, end) for chunks of [0, count), on several
// threads when there is much to do.
template <class Work>
void inParallel(size_t count, const Walk &walk, unsigned threads, Work work) {
    constexpr size_t kChunk = 512;
    std::atomic<size_t> next{0};
    auto run = [&] {
        Scratch scratch;
        for (size_t start; !walk.stopping() && (start = next.fetch_add(kChunk)) < count;)
            work(scratch, start, std::min(count, start + kChunk));
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
    if (::statx(fd, "", kOwnFigures, kFolderFields, &st) != 0)
        return usage;
    int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return usage;
    // Kept to the end: it holds the children's names.
    auto top = std::make_shared<OpenFolder>(own, mountOf(own, st), path);
    Walk walk(top->mount, options);

    struct Child {
        uint32_t nameAt;  // in top->names
        bool isDir;
        Totals totals;
    };
    std::deque<Child> children;   // stable addresses: the walking threads add to them
    std::vector<size_t> unknown;  // children that may not be folders
    std::vector<char> buffer(kListingBuffer);
    while (!walk.stopping() &&
           walk.readNames(own, buffer, [&](const char *name, unsigned char type) {
               Child &child = children.emplace_back(top->keepName(name), type == DT_DIR);
               child.totals.child = int(children.size() - 1);
               if (type != DT_DIR)
                   unknown.push_back(children.size() - 1);
           })) {
    }
    auto nameOf = [&top](const Child &child) { return top->name(child.nameAt); };
    // A folder of a few files and no subfolders is done before the probe
    // would be: it makes plain calls, and leaves the probe to a larger walk.
    if (children.size() - unknown.size() > 0 || unknown.size() >= 128) {
        std::vector<const char *> names;
        for (size_t i = 0; i < children.size() && names.size() < 128; ++i)
            names.push_back(nameOf(children[i]));
        walk.useRingFrom(ringBatchesFrom(own, names));
    }
    // The entries are examined by all threads: a folder of many files is
    // otherwise the one part of the walk that a single thread does alone.
    inParallel(unknown.size(), walk, options.threads,
               [&](Scratch &scratch, size_t start, size_t end) {
                   scratch.names.clear();
                   for (size_t i = start; i < end; ++i) {
                       Child &child = children[unknown[i]];
                       child.totals.leftOut = true;  // until found
                       scratch.names.push_back(nameOf(child));
                   }
                   walk.examine(*top, own, scratch, [&](size_t i, const struct statx &file) {
                       Child &child = children[unknown[start + i]];
                       child.totals.leftOut = false;
                       if (S_ISDIR(file.stx_mode)) {
                           child.isDir = true;
                           return;
                       }
                       int64_t bytes = 0;
                       int64_t newest = 0;
                       walk.countFile(file, child.totals.child, path, nameOf(child), bytes, newest);
                       child.totals.add(bytes, file.stx_atime.tv_sec);
                   });
               });
    std::vector<Job> jobs;
    for (Child &child : children)
        if (child.isDir)
            jobs.push_back({top, child.nameAt, &child.totals, true});
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
            {nameOf(child), child.isDir, bytes, child.totals.lastAccess.load()});
    }
    usage.largeFiles = walk.largeFiles().largestFirst();
    usage.unreadableFolders = walk.unreadableFolders();
    usage.stopped = walk.stopping();
    return usage;
}

}  // namespace mole::walk
