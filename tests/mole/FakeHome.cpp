#include "FakeHome.h"

#include <QCryptographicHash>
#include <QFile>
#include <QObject>
#include <QTest>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

FakeHome::FakeHome() : m_root(QFile::encodeName(m_env.home())) {
    m_env.installRealEngine();
}

QByteArray FakeHome::at(const QByteArray &relative) const {
    return m_root + '/' + relative;
}

void FakeHome::openToOthers() {
    QVERIFY(::chmod(m_root.left(m_root.lastIndexOf('/')).constData(), 0755) == 0);
    QVERIFY(::chmod(m_root.constData(), 0755) == 0);
}

void FakeHome::folder(const QByteArray &relative) {
    QByteArray path = m_root;
    for (const QByteArray &part : relative.split('/')) {
        path += '/' + part;
        ::mkdir(path.constData(), 0755);
    }
}

void FakeHome::file(const QByteArray &relative, qsizetype bytes) {
    const qsizetype slash = relative.lastIndexOf('/');
    if (slash > 0)
        folder(relative.left(slash));
    const int fd = ::open(at(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, relative.constData());
    const QByteArray data(bytes, 'x');
    QCOMPARE(::write(fd, data.constData(), size_t(bytes)), ssize_t(bytes));
    ::close(fd);
}

void FakeHome::text(const QByteArray &relative, const QByteArray &text) {
    file(relative, 0);
    QFile out(QFile::decodeName(at(relative)));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
}

void FakeHome::symlink(const QByteArray &target, const QByteArray &relative) {
    const qsizetype slash = relative.lastIndexOf('/');
    if (slash > 0)
        folder(relative.left(slash));
    QCOMPARE(::symlink(target.constData(), at(relative).constData()), 0);
}

void FakeHome::program(const QByteArray &relative, qsizetype bytes) {
    file(relative, bytes);
    QCOMPARE(::chmod(at(relative).constData(), 0755), 0);
}

void FakeHome::remove(const QByteArray &relative) {
    QCOMPARE(QProcess::execute(u"rm"_qs, {u"-rf"_qs, QFile::decodeName(at(relative))}), 0);
}

bool FakeHome::has(const QByteArray &relative) const {
    struct stat st;
    return ::lstat(at(relative).constData(), &st) == 0;
}

namespace {
QSet<QByteArray> *g_seen = nullptr;
qsizetype g_prefix = 0;
int collect(const char *path, const struct stat *, int, struct FTW *) {
    const QByteArray full(path);
    if (full.size() > g_prefix)
        g_seen->insert(full.mid(g_prefix + 1));
    return 0;
}
}  // namespace

QSet<QByteArray> FakeHome::snapshot() const {
    QSet<QByteArray> seen;
    g_seen = &seen;
    g_prefix = m_root.size();
    ::nftw(m_root.constData(), collect, 32, FTW_PHYS);
    g_seen = nullptr;
    return seen;
}

namespace {
QMap<QByteArray, QByteArray> *g_prints = nullptr;
int print(const char *path, const struct stat *st, int, struct FTW *) {
    const QByteArray full(path);
    QByteArray description =
        QByteArray::number(st->st_mode, 8) + ' ' + QByteArray::number(qint64(st->st_size)) + ' ';
    if (S_ISLNK(st->st_mode)) {
        char target[4096];
        const ssize_t n = ::readlink(path, target, sizeof target);
        description += QByteArray(target, n > 0 ? n : 0);
    } else if (S_ISREG(st->st_mode)) {
        QFile file(QFile::decodeName(full));
        if (file.open(QIODevice::ReadOnly))
            description +=
                QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
    }
    g_prints->insert(full.mid(g_prefix), description);
    return 0;
}
}  // namespace

QMap<QByteArray, QByteArray> FakeHome::fingerprint(const QByteArray &path) {
    QMap<QByteArray, QByteArray> prints;
    g_prints = &prints;
    g_prefix = path.size();
    ::nftw(path.constData(), print, 32, FTW_PHYS);
    g_prints = nullptr;
    return prints;
}

QSet<QByteArray> FakeHome::below(const QSet<QByteArray> &before, const QList<QByteArray> &roots) {
    QSet<QByteArray> out;
    for (const QByteArray &path : before)
        for (const QByteArray &root : roots)
            if (path == root || path.startsWith(root + '/'))
                out.insert(path);
    return out;
}

RunningApp::RunningApp(const QString &name) {
    const QString program = dir.path() + u'/' + name;
    QFile::copy(u"/bin/sleep"_qs, program);
    process.start(program, {u"60"_qs});
    process.waitForStarted();
}

RunningApp::~RunningApp() {
    process.kill();
    process.waitForFinished();
}
