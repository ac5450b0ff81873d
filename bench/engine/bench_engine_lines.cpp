// Streams report-like lines from a scripted engine to consumers on the GUI
// thread and prints each figure with its target and PASS or MISS:
//  - a million lines to a counting consumer, against a sed+grep pipeline doing
//    the same cleaning and filtering on the same bytes;
//  - the same lines to a consumer that parses each one as the Cleanup model
//    does, and the longest stall of a 16 ms timer meanwhile;
//  - one 16 MB line against 16 MB of ordinary lines, in cost per byte;
//  - a Cleanup scan of 64k items against one of 4k, in time per item.
//
//   build/bench/engine/bench_engine_lines [line count]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

#include "cleanup/CleanModel.h"
#include "engine/Engine.h"
#include "engine/Report.h"
#include "engine/SizeMarkers.h"

namespace {

QByteArray reportLines(int count) {
    QByteArray out;
    out.reserve(qsizetype(count) * 48);
    for (int i = 0; i < count; ++i) {
        switch (i % 10) {
            case 0:
                out += "\x1b[1m\xe2\x9e\xa4 Section " + QByteArray::number(i) + "\x1b[0m\n";
                break;
            case 1:
                out += "  \x1b[32m\xe2\x86\x92\x1b[0m User caches \xc2\xb7 1.2 GB\n";
                break;
            case 2:
                out += "Scanning 10%\rScanning 50%\rScanning 100%\n";
                break;
            case 3:
                out += "Tip: run mo clean to free space\n";
                break;
            case 4:
                out += "   \n";
                break;
            case 5:
                out += "  \xe2\x9a\xa0 Disk almost full, 512 MB\n";
                break;
            case 6:
                out += "Mole is working\n";
                break;
            default:
                out += "  \xe2\x9c\x93 Item " + QByteArray::number(i) + " \xc2\xb7 3.4 MB\n";
                break;
        }
    }
    return out;
}

double seconds(const QElapsedTimer &t) {
    return double(t.nsecsElapsed()) / 1e9;
}

// PASS or MISS, with the one-minute load average beside it.
std::string verdict(bool met) {
    char text[32];
    double load[1] = {0};
    std::snprintf(text, sizeof text, "%s  load %.2f", met ? "PASS" : "MISS",
                  ::getloadavg(load, 1) == 1 ? load[0] : 0.0);
    return text;
}

// A throwaway home whose engine prints a file.
struct Setup {
    QTemporaryDir dir;
    QString resources = dir.path() + u"/resources"_qs;

    Setup() {
        QDir().mkpath(dir.path() + u"/home"_qs);
        QDir().mkpath(resources + u"/engine"_qs);
        qputenv("HOME", QFile::encodeName(dir.path() + u"/home"_qs));
        qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(resources));
    }

    // Writes `bytes` to a data file the engine prints; returns the file.
    QString engineCatting(const QByteArray &bytes, const QString &name = u"data"_qs) {
        const QString data = dir.path() + u"/"_qs + name;
        QFile f(data);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        QFile e(resources + u"/engine/mole"_qs);
        e.open(QIODevice::WriteOnly);
        e.write("#!/bin/sh\nexec cat '" + QFile::encodeName(data) + "'\n");
        e.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return data;
    }
};

qint64 threadCpuNs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Watches the GUI thread with a 16 ms timer: the longest it came late, and
// the most processor time the thread spent between two ticks (which other
// processes on a busy machine cannot inflate).
struct StallWatch {
    qint64 longestNs = 0, longestCpuNs = 0;
    QElapsedTimer tick;
    qint64 cpuAtTick = threadCpuNs();
    QTimer frame;

    StallWatch() {
        frame.setTimerType(Qt::PreciseTimer);
        frame.setInterval(16);
        QObject::connect(&frame, &QTimer::timeout, [this] {
            longestNs = std::max(longestNs, tick.nsecsElapsed() - 16'000'000);
            const qint64 cpu = threadCpuNs();
            longestCpuNs = std::max(longestCpuNs, cpu - cpuAtTick);
            cpuAtTick = cpu;
            tick.restart();
        });
        tick.start();
        frame.start();
    }
};

struct Stream {
    long delivered = 0;
    double seconds = 0;
    double longestStallMs = 0;
    double longestBusyMs = 0;
};

// Runs the engine once, handing every batch to `consume`.
Stream stream(const std::function<void(const QStringList &)> &consume) {
    Stream out;
    QObject owner;
    StallWatch watch;
    QElapsedTimer timer;
    timer.start();
    EngineRun *run = Engine::lines({}, std::nullopt, &owner);
    QObject::connect(run, &EngineRun::linesArrived, [&](const QStringList &lines) {
        out.delivered += lines.size();
        consume(lines);
    });
    QObject::connect(run, &EngineRun::finished, [] { QCoreApplication::exit(0); });
    QObject::connect(run, &EngineRun::failed, [](const QString &message) {
        std::fprintf(stderr, "engine run failed: %s\n", qPrintable(message));
        QCoreApplication::exit(1);
    });
    if (QCoreApplication::exec() != 0)
        std::exit(1);
    out.seconds = seconds(timer);
    out.longestStallMs = double(watch.longestNs) / 1e6;
    out.longestBusyMs = double(watch.longestCpuNs) / 1e6;
    return out;
}

// Seconds for one Cleanup scan over `items` sized action items.
double scanSeconds(Setup &setup, int items) {
    QByteArray report = "\xe2\x9e\xa4 Caches\n";
    for (int i = 0; i < items; ++i)
        report += "\xe2\x86\x92 Item " + QByteArray::number(i) + " \xc2\xb7 1.5 MB\n";
    setup.engineCatting(report, u"scan"_qs);
    CleanModel model;
    QObject::connect(&model, &CleanModel::phaseChanged, [&] {
        if (model.phase() == CleanModel::Phase::ready)
            QCoreApplication::exit(0);
    });
    model.scan();
    QElapsedTimer wall;
    wall.start();
    QCoreApplication::exec();
    return seconds(wall);
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    Setup setup;
    const QString data = setup.engineCatting(reportLines(count));

    // Baseline: the same cleaning and filtering as a shell pipeline.
    QElapsedTimer pipelineTimer;
    pipelineTimer.start();
    QProcess pipeline;
    pipeline.start(u"/bin/sh"_qs,
                   {u"-c"_qs,
                    uR"(LC_ALL=C.UTF-8 sed -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$1" | tr '\r' '\n' |
                        grep -v -E '^[[:space:]]*$' |
                        grep -v -E '\bmo (clean|purge|analy[sz]e|uninstall|optimize|history|status|update|installer|touchid)\b' |
                        grep -v -w -F Mole | wc -l)"_qs,
                    u"sh"_qs, data});
    pipeline.waitForFinished(-1);
    const double pipelineSeconds = seconds(pipelineTimer);
    const long pipelineLines = pipeline.readAllStandardOutput().trimmed().toLong();

    const Stream counted = stream([](const QStringList &) {});
    QList<ReportSection> sections;
    qint64 total = 0;
    const Stream parsed = stream([&](const QStringList &lines) {
        for (const QString &line : lines) {
            if (const std::optional<qint64> size = SizeMarkers::sizeIn(line))
                total = *size;
            else
                ReportParser::feed(line, sections);
        }
    });

    std::printf("lines written:          %d\n", count);
    std::printf("lines delivered:        %ld (pipeline kept %ld)\n", counted.delivered,
                pipelineLines);
    const double perSecond = counted.delivered / counted.seconds;
    std::printf("lines per second:       %.0f delivered (target >= 1,000,000) %s\n", perSecond,
                verdict(perSecond >= 1e6).c_str());
    const double ratio = counted.seconds / pipelineSeconds;
    std::printf("stream / pipeline:      %.2fx (%.3f s vs %.3f s; target <= 2x) %s\n", ratio,
                counted.seconds, pipelineSeconds, verdict(ratio <= 2).c_str());
    for (const auto &[name, s] : {std::pair("counting", counted), std::pair("parsing", parsed)}) {
        std::printf(
            "GUI stall, %s: %.1f ms late at most (target < 50 ms) %s; %.1f ms busy "
            "between ticks at most (target < 50 ms) %s\n",
            name, s.longestStallMs, verdict(s.longestStallMs < 50).c_str(), s.longestBusyMs,
            verdict(s.longestBusyMs < 50).c_str());
    }
    std::printf("parsed:                 %lld sections in %.3f s\n", qint64(sections.size()),
                parsed.seconds);

    // One 16 MB line against the same bytes as ordinary lines.
    constexpr qsizetype lineBytes = 16 * 1024 * 1024;
    QByteArray ordinary = reportLines(count);
    while (ordinary.size() < lineBytes) ordinary += ordinary;
    ordinary.truncate(lineBytes);
    setup.engineCatting(ordinary);
    const Stream many = stream([](const QStringList &) {});
    setup.engineCatting("\xe2\x86\x92 " + QByteArray(lineBytes - 5, 'x') + "\n");
    const Stream single = stream([](const QStringList &) {});
    const double perByte = single.seconds / many.seconds;
    std::printf(
        "16 MB line / 16 MB of lines: %.2fx per byte (%.3f s vs %.3f s; target <= 1.5x) %s\n",
        perByte, single.seconds, many.seconds, verdict(perByte <= 1.5).c_str());

    // The scan total is kept as a running sum, so items cost the same late as early.
    const double small = scanSeconds(setup, 4096) / 4096;
    const double large = scanSeconds(setup, 65536) / 65536;
    std::printf(
        "scan of 64k items / 4k items: %.2fx per item (%.1f us vs %.1f us; target <= 2x) %s\n",
        large / small, large * 1e6, small * 1e6, verdict(large / small <= 2).c_str());
    return counted.delivered == pipelineLines ? 0 : 2;
}
