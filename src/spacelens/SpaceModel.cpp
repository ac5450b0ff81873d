#include "spacelens/SpaceModel.h"

#include <QFile>

#include <algorithm>

#include "engine/Commands.h"
#include "engine/Engine.h"
#include "engine/Publish.h"
#include "platform/Background.h"
#include "platform/FolderListing.h"
#include "engine/TrashCommand.h"

namespace {

// Case folding, with plain ASCII kept out of the Unicode tables: a large
// folder's listing compares names a million times.
char32_t folded(QChar c) {
    const char16_t u = c.unicode();
    if (u < 128)
        return u >= u'A' && u <= u'Z' ? char32_t(u + (u'a' - u'A')) : char32_t(u);
    return c.toCaseFolded().unicode();
}

// Names as a file manager sorts them: case ignored, and runs of digits by
// their value, so "folder9" comes before "folder10". Ties fall back to the
// exact text so the order never depends on the listing's.
int compareNames(QStringView a, QStringView b) {
    // What both share compares equal: start where they differ, or at the
    // start of the run of digits that the difference falls in.
    qsizetype i = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    while (i > 0 && a[i - 1].isDigit()) --i;
    qsizetype j = i;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit()) ++ei;
            while (ej < b.size() && b[ej].isDigit()) ++ej;
            // Leading zeros do not change a number's value.
            qsizetype si = i, sj = j;
            while (si + 1 < ei && a[si] == u'0') ++si;
            while (sj + 1 < ej && b[sj] == u'0') ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            if (const int c = a.mid(si, ei - si).compare(b.mid(sj, ej - sj)))
                return c;
            i = ei, j = ej;
            continue;
        }
        const char32_t ca = folded(a[i]), cb = folded(b[j]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i, ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

}  // namespace

SpaceModel::SpaceModel(QObject *parent) : QObject(parent) {}

void SpaceModel::setTrail(const Trail &trail) {
    // The whole computer always leads the trail.
    Trail value = trail;
    if (value.isEmpty() || value.first())
        value.prepend(std::nullopt);
    publish(this, m_trail, value, &SpaceModel::trailChanged);
}

QString SpaceModel::key() const {
    if (m_trail.isEmpty() || !m_trail.last())
        return wholeComputer;
    return m_trail.last()->path;
}

std::optional<DiskReport> SpaceModel::report() const {
    const QString k = key();
    if (const auto it = m_reports.constFind(k); it != m_reports.cend())
        return *it;
    if (const auto it = m_provisional.constFind(k); it != m_provisional.cend())
        return *it;
    return std::nullopt;
}

void SpaceModel::open(const std::optional<DiskEntry> &entry) {
    if (entry) {
        m_trail.append(entry);
        Q_EMIT trailChanged();
        const QString path = entry->path;
        if (!m_reports.contains(path) && !m_provisional.contains(path)) {
            runInBackground(
                this, [path] { return quickList(path); },
                [this, path](const DiskReport &listing) {
                    // The engine may have been quicker.
                    if (m_reports.contains(path) || m_provisional.contains(path))
                        return;
                    m_provisional.insert(path, listing);
                    Q_EMIT provisionalChanged();
                });
        }
    }
    load(false);
}

void SpaceModel::load(bool force) {
    publish(this, m_error, std::nullopt, &SpaceModel::errorChanged);
    std::optional<QString> path;
    if (!m_trail.isEmpty() && m_trail.last())
        path = m_trail.last()->path;
    measure(path, force, [this] {
        if (const auto it = m_reports.constFind(key()); it != m_reports.cend())
            prefetch(*it);
    });
}

void SpaceModel::measure(const std::optional<QString> &path, bool force,
                         std::function<void()> done) {
    const QString k = path.value_or(wholeComputer);
    if ((!force && m_reports.contains(k)) || m_measuring.contains(k)) {
        done();
        return;
    }
    m_measuring.insert(k);
    Q_EMIT measuringChanged();
    Engine::output(Commands::analyze(path.value_or(QString())), this,
                   [this, k, done = std::move(done)](const Engine::Output &out) mutable {
                       // A large folder's report takes long to read: off the GUI thread.
                       runInBackground(
                           this, [out] { return parsed(out); },
                           [this, k, done = std::move(done)](const Parsed &result) {
                               store(k, result);
                               done();
                           });
                   });
}

SpaceModel::Parsed SpaceModel::parsed(const Engine::Output &out) {
    if (out.error)
        return {std::nullopt, out.error};
    try {
        return {DiskReport::fromOutput(out.text), std::nullopt};
    } catch (const Json::Error &e) {
        return {std::nullopt, QString::fromUtf8(e.what())};
    }
}

void SpaceModel::store(const QString &k, const Parsed &result) {
    m_measuring.remove(k);
    Q_EMIT measuringChanged();
    if (result.report) {
        const auto stored = m_reports.constFind(k);
        if (stored == m_reports.cend() || *stored != *result.report) {
            m_reports.insert(k, *result.report);
            Q_EMIT reportsChanged();
        }
        if (m_provisional.remove(k))
            Q_EMIT provisionalChanged();
    }
    // Failures of folders the user has left are of no interest.
    if (result.failure && k == key())
        publish(this, m_error, result.failure, &SpaceModel::errorChanged);
}

void SpaceModel::prefetch(const DiskReport &report) {
    QStringList next;
    for (const DiskEntry &entry : report.entries) {
        if (next.size() == prefetchDepth)
            break;
        if (entry.isFolder() && !m_reports.contains(entry.path))
            next.append(entry.path);
    }
    measureInTurn(next);
}

void SpaceModel::measureInTurn(QStringList paths) {
    if (paths.isEmpty())
        return;
    const QString first = paths.takeFirst();
    measure(first, false, [this, rest = std::move(paths)] { measureInTurn(rest); });
}

void SpaceModel::trash(const DiskEntry &entry) {
    const QString path = entry.path;
    // The engine reports a name that is not valid text with U+FFFD in its
    // place: such a path names nothing on disk, and "already gone" would
    // read as moved.
    if (path.contains(QChar::ReplacementCharacter)) {
        publish(this, m_error,
                std::optional(tr("This item's name can't be read, so it can't be moved to the "
                                 "Trash here.")),
                &SpaceModel::errorChanged);
        return;
    }
    Trash::moveToTrash(
        {QFile::encodeName(path)}, this, [this, path](const QList<Trash::Outcome> &outcomes) {
            if (outcomes.value(0).status != Trash::Outcome::moved) {
                publish(this, m_error, outcomes.value(0).message, &SpaceModel::errorChanged);
                return;
            }
            // Gone, with everything inside it, from every folder that listed
            // it, measured or not; the folders' totals stay as measured.
            const auto drop = [&path](QHash<QString, DiskReport> &reports) {
                bool changed = false;
                for (DiskReport &report : reports) {
                    DiskReport kept = report.without(path);
                    if (kept != report) {
                        report = std::move(kept);
                        changed = true;
                    }
                }
                return changed;
            };
            if (drop(m_reports))
                Q_EMIT reportsChanged();
            if (drop(m_provisional))
                Q_EMIT provisionalChanged();
        });
}

DiskReport SpaceModel::quickList(const QString &path) {
    DiskReport report{path, {}, std::nullopt, std::nullopt};
    const QString prefix = path.endsWith(u'/') ? path : path + u'/';
    for (const FolderListing::Entry &item : FolderListing::entries(path)) {
        DiskEntry entry;
        entry.name = item.name;
        entry.path = prefix + item.name;
        entry.isDir = item.isDir;
        entry.size = item.isDir ? DiskEntry::unmeasured : item.bytes;
        report.entries.append(std::move(entry));
    }

    std::sort(report.entries.begin(), report.entries.end(),
              [](const DiskEntry &a, const DiskEntry &b) {
                  const bool aFolder = a.size < 0, bFolder = b.size < 0;
                  if (aFolder != bFolder)
                      return aFolder;
                  if (!aFolder && a.size != b.size)
                      return a.size > b.size;
                  return compareNames(a.name, b.name) < 0;
              });
    return report;
}
