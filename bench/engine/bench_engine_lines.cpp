// Streams a million report-like lines from a scripted engine to a consumer on
// the GUI thread, and compares with a sed+grep pipeline doing the same
// cleaning and filtering on the same bytes.
//
//   build/bench/engine/bench_engine_lines [line count]
//
// Prints lines per second delivered, the ratio against the pipeline, and the
// longest stall of a 16 ms timer on the consumer's thread during the stream.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "engine/Engine.h"

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

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;

    // Everything happens in a throwaway home with a scripted engine.
    QTemporaryDir dir;
    const QString home = dir.path() + u"/home"_qs;
    const QString resources = dir.path() + u"/resources"_qs;
    QDir().mkpath(home);
    QDir().mkpath(resources + u"/engine"_qs);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(resources));

    const QString data = dir.path() + u"/report.txt"_qs;
    {
        QFile f(data);
        f.open(QIODevice::WriteOnly);
        f.write(reportLines(count));
    }
    const QString engine = resources + u"/engine/mole"_qs;
    {
        QFile f(engine);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\nexec cat '" + QFile::encodeName(data) + "'\n");
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

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

    // The stream, with a 16 ms timer watching the consumer's thread.
    long delivered = 0;
    qint64 longestStallNs = 0;
    QElapsedTimer tick;
    QTimer frame;
    frame.setTimerType(Qt::PreciseTimer);
    frame.setInterval(16);
    QObject::connect(&frame, &QTimer::timeout, [&] {
        longestStallNs = std::max(longestStallNs, tick.nsecsElapsed() - 16'000'000);
        tick.restart();
    });

    QElapsedTimer streamTimer;
    streamTimer.start();
    tick.start();
    frame.start();
    EngineRun *run = Engine::lines({}, std::nullopt, &app);
    QObject::connect(run, &EngineRun::linesArrived,
                     [&](const QStringList &lines) { delivered += lines.size(); });
    QObject::connect(run, &EngineRun::finished, &app, &QCoreApplication::quit);
    QObject::connect(run, &EngineRun::failed, [&](const QString &message) {
        std::fprintf(stderr, "engine run failed: %s\n", qPrintable(message));
        QCoreApplication::exit(1);
    });
    if (QCoreApplication::exec() != 0)
        return 1;
    const double streamSeconds = seconds(streamTimer);

    std::printf("lines written:        %d\n", count);
    std::printf("lines delivered:      %ld (pipeline kept %ld)\n", delivered, pipelineLines);
    std::printf("lines per second:     %.0f delivered (target >= 1,000,000)\n",
                delivered / streamSeconds);
    std::printf("stream / pipeline:    %.2fx  (%.3f s vs %.3f s; target <= 2x)\n",
                streamSeconds / pipelineSeconds, streamSeconds, pipelineSeconds);
    std::printf("longest timer stall:  %.1f ms (target <= 50 ms)\n", double(longestStallNs) / 1e6);
    return delivered == pipelineLines ? 0 : 2;
}
