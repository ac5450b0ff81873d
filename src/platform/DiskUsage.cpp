#include "platform/DiskUsage.h"

#include <QFile>
#include <QProcess>

namespace DiskUsage {

QHash<QString, qint64> of(const QStringList &paths) {
    if (paths.isEmpty())
        return {};
    QProcess du;
    du.setStandardErrorFile(QProcess::nullDevice());
    du.setInputChannelMode(QProcess::ForwardedInputChannel);
    // NUL-terminated records keep a path with a newline in one piece, and
    // "--" keeps a path that begins with a dash from reading as an option.
    du.start(u"/usr/bin/du"_qs, QStringList{u"-sk"_qs, u"-0"_qs, u"--"_qs} + paths);
    if (!du.waitForStarted(-1))
        return {};
    // Waiting reads the output as it comes, so a long one never blocks du.
    du.waitForFinished(-1);
    return parse(du.readAllStandardOutput());
}

QHash<QString, qint64> parse(const QByteArray &output) {
    QHash<QString, qint64> sizes;
    for (const QByteArray &record : output.split('\0')) {
        const qsizetype tab = record.indexOf('\t');
        if (tab <= 0 || tab == record.size() - 1)
            continue;
        bool ok = false;
        const qint64 blocks = record.left(tab).toLongLong(&ok);
        qint64 bytes = 0;
        if (!ok || blocks < 0 || __builtin_mul_overflow(blocks, qint64(1024), &bytes))
            continue;
        sizes.insert(QFile::decodeName(record.mid(tab + 1)), bytes);
    }
    return sizes;
}

}  // namespace DiskUsage
