#pragma once

#include <QFile>

#include "EngineProcess.h"

// File systems mounted for one test and taken down again in reverse order:
// loop images (btrfs, ext4) and tmpfs. Needs root and the mkfs tools; every
// step returns false (or nothing) with a reason in error() when it fails.
class LoopMounts {
public:
    LoopMounts() = default;
    LoopMounts(const LoopMounts &) = delete;
    LoopMounts &operator=(const LoopMounts &) = delete;
    ~LoopMounts() {
        for (qsizetype i = m_points.size() - 1; i >= 0; --i)
            QProcess::execute(u"umount"_qs, {m_points[i]});
        for (const QString &loop : m_loops) QProcess::execute(u"losetup"_qs, {u"-d"_qs, loop});
    }

    // Why these tests cannot run here, or empty.
    static QString unavailable(const QStringList &tools) {
        if (::geteuid() != 0)
            return u"mounting needs root"_qs;
        for (const QString &tool : tools + QStringList{u"losetup"_qs, u"mount"_qs})
            if (QStandardPaths::findExecutable(tool).isEmpty() &&
                QStandardPaths::findExecutable(tool, {u"/usr/sbin"_qs, u"/sbin"_qs}).isEmpty())
                return tool + u" is not installed"_qs;
        return {};
    }

    // A sparse image file of the given size, formatted by the given command
    // (the image path is appended), attached to a loop device. Returns the
    // device, empty on failure.
    QString image(const QString &path, qint64 megabytes, const QStringList &mkfs) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(megabytes << 20)) {
            m_error = u"cannot create "_qs + path;
            return {};
        }
        file.close();
        QString device;
        if (!run(mkfs + QStringList{path}) ||
            !run({u"losetup"_qs, u"--find"_qs, u"--show"_qs, path}, &device))
            return {};
        m_loops.prepend(device);
        return device;
    }

    bool mount(const QString &source, const QString &point, const QStringList &options = {}) {
        QDir().mkpath(point);
        if (!run(QStringList{u"mount"_qs} + options + QStringList{source, point}))
            return false;
        m_points << point;
        return true;
    }

    // Runs a command to its end; false, with its output in error(), when it
    // fails. Its output goes to `output` when asked for.
    bool run(const QStringList &command, QString *output = nullptr) {
        const auto [code, bytes] = runCommand(command);
        const QString text = QString::fromLocal8Bit(bytes).trimmed();
        if (code != 0)
            m_error = command.first() + u": "_qs + text;
        else if (output)
            *output = text;
        return code == 0;
    }

    QString error() const { return m_error; }

private:
    QStringList m_points;  // in mounting order
    QStringList m_loops;
    QString m_error;
};
