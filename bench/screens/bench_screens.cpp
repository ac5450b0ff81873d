// Streams a clean run of 100,000 log lines and a dry run of a 5,000-item
// report through the real Cleanup screen, offscreen, and through the model
// alone as the baseline, with a scripted engine in a throwaway home.
//
//   build/bench/screens/bench_screens [log lines] [report items]
//
// Prints the longest stall of the GUI thread (its CPU time between two ticks of
// a 16 ms timer; target under 50 ms), its ratio to the model alone, the longest stall while every
// report section is opened, and the memory each log line costs (RSS growth per line).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include "cleanup/CleanModel.h"
#include "cleanup/ReportRows.h"
#include "cleanup/ui/CleanView.h"
#include "cleanup/ui/ReportTable.h"
#include "support/Measure.h"
#include "support/StallMeter.h"

namespace {

constexpr double kStallTarget = 50;  // ms

long residentKb() {
    QFile f(u"/proc/self/statm"_qs);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

void write(const QString &path, const QByteArray &data) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

QByteArray report(int items) {
    QByteArray out;
    for (int i = 0; i < items; ++i) {
        if (i % 100 == 0)
            out += "\xe2\x9e\xa4 Section " + QByteArray::number(i / 100) + "\n";
        out += "  \xe2\x86\x92 Cache folder " + QByteArray::number(i) + " \xc2\xb7 ~/.cache/app" +
               QByteArray::number(i) + ", " + QByteArray::number(1 + i % 900) + " MB\n";
    }
    return out + "Potential space: 4.5 GB | Items: " + QByteArray::number(items) + "\n";
}

QByteArray cleanLog(int lines) {
    QByteArray out;
    for (int i = 0; i < lines; ++i) {
        if (i % 1000 == 0)
            out += "\xe2\x9e\xa4 Section " + QByteArray::number(i / 1000) + "\n";
        else
            out += "  \xe2\x9c\x93 Removed ~/.cache/app" + QByteArray::number(i) +
                   "/blobs \xc2\xb7 1.2 MB\n";
    }
    return out + "Space freed: 4.5 GB\n";
}

bool waitForEnd(CleanModel &model) {
    return waitFor([&] { return !model.isRunning(); }, 300000);
}

struct Run {
    double scanStall = 0;
    double cleanStall = 0;
    double kbPerLine = 0;
    double openStall = 0;
};

// One scan and one clean; with a view when `screen`.
Run measure(bool screen, int lines) {
    Run run;
    CleanModel model;
    std::unique_ptr<CleanView> view;
    if (screen) {
        view = std::make_unique<CleanView>(&model);
        view->resize(1080, 820);
        view->show();
    }
    StallMeter meter;
    meter.start();
    model.scan();
    waitForEnd(model);
    QCoreApplication::processEvents();
    run.scanStall = meter.stop();

    const long before = residentKb();
    meter.start();
    model.clean();
    waitForEnd(model);
    QCoreApplication::processEvents();
    run.cleanStall = meter.stop();
    run.kbPerLine = double(residentKb() - before) / lines;

    if (screen) {
        // Back to the report, then every section opened one after another.
        model.scan();
        waitForEnd(model);
        QCoreApplication::processEvents();
        ReportRows *rows = view->report()->rows();
        meter.start();
        for (int row = rows->rowCount() - 1; row >= 0; --row) {
            const double opening = StallMeter::threadMs();
            rows->toggle(row);
            view->repaint();
            run.openStall = qMax(run.openStall, StallMeter::threadMs() - opening);
        }
        meter.stop();
    }
    return run;
}

// The figure with its target, or alone; then its baseline and ratio.
void line(const char *what, double value, double baseline, const char *unit, double target) {
    if (target > 0)
        Bench::verdict(what, value, target, unit, Bench::Bound::below);
    else
        std::printf("  %-34s %9.2f%s\n", what, value, unit);
    if (baseline >= 0)
        std::printf("    model alone %.2f%s, ratio %.2f\n", baseline, unit,
                    baseline > 0 ? value / baseline : 0.0);
}

}  // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("BRIGHTLOFT_NO_ANIMATIONS", "1");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int items = argc > 2 ? std::atoi(argv[2]) : 5000;

    QTemporaryDir dir;
    const QString home = dir.path() + u"/home"_qs, resources = dir.path() + u"/resources"_qs;
    QDir().mkpath(home);
    QDir().mkpath(resources + u"/engine"_qs);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + u"/.cache"_qs));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + u"/.config"_qs));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + u"/.local/share"_qs));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home + u"/.local/state"_qs));
    qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(resources));
    write(dir.path() + u"/report.txt"_qs, report(items));
    write(dir.path() + u"/log.txt"_qs, cleanLog(lines));
    const QString engine = resources + u"/engine/mole"_qs;
    write(engine, "#!/bin/sh\ncase \"$*\" in\n'clean --dry-run') cat '" +
                      QFile::encodeName(dir.path()) + "/report.txt' ;;\nclean) cat '" +
                      QFile::encodeName(dir.path()) + "/log.txt' ;;\nesac\n");
    QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    std::printf("Cleanup screen, %d log lines, %d report items\n", lines, items);
    const Run base = measure(false, lines);
    const Run screen = measure(true, lines);
    line("longest stall, scan (report)", screen.scanStall, base.scanStall, " ms", kStallTarget);
    line("longest stall, clean (log)", screen.cleanStall, base.cleanStall, " ms", kStallTarget);
    line("longest section opening", screen.openStall, -1, " ms", kStallTarget);
    line("memory per log line", screen.kbPerLine * 1024, base.kbPerLine * 1024, " bytes", 0);
    return 0;
}
