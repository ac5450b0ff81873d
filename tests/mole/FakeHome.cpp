#include "FakeHome.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>

FakeHome::FakeHome() : m_root(QFile::encodeName(m_env.home())) {
    m_env.installRealEngine();
}

void FakeHome::openToOthers() {
    QVERIFY(::chmod(m_root.left(m_root.lastIndexOf('/')).constData(), 0755) == 0);
    QVERIFY(::chmod(m_root.constData(), 0755) == 0);
}

void FakeHome::folder(const QByteArray &relative) {
    QByteArray path = m_root;
    for (const QByteArray &part : relative.split('/'))
        ::mkdir((path += '/' + part).constData(), 0755);
}

void FakeHome::text(const QByteArray &relative, const QByteArray &text) {
    if (relative.contains('/'))
        folder(relative.left(relative.lastIndexOf('/')));
    const int fd = ::open(at(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, relative.constData());
    QCOMPARE(::write(fd, text.constData(), size_t(text.size())), ssize_t(text.size()));
    ::close(fd);
}

void FakeHome::file(const QByteArray &relative, qsizetype bytes) {
    text(relative, QByteArray(bytes, 'x'));
}

void FakeHome::symlink(const QByteArray &target, const QByteArray &relative) {
    if (relative.contains('/'))
        folder(relative.left(relative.lastIndexOf('/')));
    QCOMPARE(::symlink(target.constData(), at(relative).constData()), 0);
}

void FakeHome::program(const QByteArray &relative, qsizetype bytes) {
    file(relative, bytes);
    QCOMPARE(::chmod(at(relative).constData(), 0755), 0);
}

void FakeHome::trashed(const QByteArray &entry, qsizetype bytes) {
    const QByteArray top = entry.split('/').first();
    file(".local/share/Trash/files/" + entry, bytes);
    text(".local/share/Trash/info/" + top + ".trashinfo",
         "[Trash Info]\nPath=/x/" + top + "\nDeletionDate=2026-01-01T10:00:00\n");
}

void FakeHome::remove(const QByteArray &relative) {
    QCOMPARE(QProcess::execute(u"rm"_qs, {u"-rf"_qs, QFile::decodeName(at(relative))}), 0);
}

bool FakeHome::has(const QByteArray &relative) const {
    struct stat st;
    return ::lstat(at(relative).constData(), &st) == 0;
}

QSet<QByteArray> FakeHome::snapshot() const {
    QSet<QByteArray> seen;
    for (const QByteArray &path : fingerprint(m_root).keys())
        if (!path.isEmpty())
            seen.insert(path.mid(1));
    return seen;
}

namespace {
QMap<QByteArray, QByteArray> *g_prints = nullptr;
qsizetype g_prefix = 0;
int print(const char *path, const struct stat *st, int, struct FTW *) {
    QByteArray description =
        QByteArray::number(st->st_mode, 8) + ' ' + QByteArray::number(qint64(st->st_size)) + ' ';
    if (S_ISLNK(st->st_mode)) {
        char target[4096];
        description +=
            QByteArray(target, qMax(ssize_t(0), ::readlink(path, target, sizeof target)));
    } else if (QFile file(QFile::decodeName(path));
               S_ISREG(st->st_mode) && file.open(QIODevice::ReadOnly)) {
        description += QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
    }
    g_prints->insert(QByteArray(path).mid(g_prefix), description);
    return 0;
}
}  // namespace

QMap<QByteArray, QByteArray> FakeHome::fingerprint(const QByteArray &path) {
    QMap<QByteArray, QByteArray> prints;
    g_prints = &prints;
    g_prefix = path.size();
    ::nftw(path.constData(), print, 32, FTW_PHYS);
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
