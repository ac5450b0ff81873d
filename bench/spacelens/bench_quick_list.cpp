// Times SpaceModel::quickList on a folder of 100,000 entries (files of
// varied sizes, every tenth a folder) against a baseline in the same
// process: a bare readdir + fstatat pass over the same folder, the least any
// listing with sizes can do. Prints medians and two targets: the whole
// listing, sorted, under a second, and at most 1.3 times the bare pass.
//
//   bench_quick_list [--entries 100000] [--runs 5]
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <functional>
#include <vector>

#include "spacelens/SpaceModel.h"
#include "support/Measure.h"

namespace {

double timeOnce(const std::function<void()> &work) {
    const Bench::Stopwatch clock;
    work();
    return clock.seconds();
}

long bareListing(const QByteArray &path) {
    long count = 0;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = ::fdopendir(fd);
    while (const dirent *e = ::readdir(dir)) {
        struct stat info {};
        if (::fstatat(fd, e->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
            count += info.st_blocks > 0 ? 1 : 0;
    }
    ::closedir(dir);
    return count;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    int entries = 100000, runs = 5;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--entries")
            entries = args[i + 1].toInt();
        else if (args[i] == u"--runs")
            runs = args[i + 1].toInt();
    }
    QTemporaryDir root;
    const QString folder = root.path() + u"/many"_qs;
    QDir().mkpath(folder);
    for (int i = 0; i < entries; ++i) {
        const QString name = folder + u"/entry "_qs + QString::number(i * 7919 % entries);
        if (i % 10 == 0) {
            QDir().mkdir(name);
            continue;
        }
        QFile file(name);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray((i % 13) * 1500, 'x'));
    }
    const QByteArray bytes = QFile::encodeName(folder);
    bareListing(bytes);  // warm the caches for both

    std::vector<double> baseline, listing;
    qsizetype listed = 0;
    for (int r = 0; r < runs; ++r) {
        baseline.push_back(timeOnce([&] { bareListing(bytes); }));
        listing.push_back(timeOnce([&] { listed = SpaceModel::quickList(folder).entries.size(); }));
    }
    const double base = Bench::median(baseline), quick = Bench::median(listing);
    std::printf("entries listed                 %lld\n", static_cast<long long>(listed));
    std::printf("readdir + fstatat (baseline)   %.3f s\n", base);
    std::printf("quickList, sorted              %.3f s\n", quick);
    Bench::verdict("whole listing, sorted", quick, 1.0, " s", Bench::Bound::below);
    Bench::verdict("ratio to the bare pass", quick / base, 1.3);
    return 0;
}
