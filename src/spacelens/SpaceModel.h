#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

#include "spacelens/DiskReport.h"

namespace Engine {
struct Output;
}

// The state behind Space Lens: where the user is (`trail`), every folder
// measured by the engine so far (kept for the model's life), quick listings
// shown until a folder is measured, and moving items to the Trash. Lives on
// the GUI thread; every property has its own change signal, emitted only
// when the value changes.
class SpaceModel : public QObject {
    Q_OBJECT
public:
    // None stands for the whole computer and is always the first element.
    using Trail = QList<std::optional<DiskEntry>>;

    static inline const QString wholeComputer = u"/"_qs;  // its folder key
    static constexpr int prefetchDepth = 3;

    explicit SpaceModel(QObject *parent = nullptr);

    const Trail &trail() const { return m_trail; }
    // Breadcrumbs and Back set the trail directly; nothing is measured.
    void setTrail(const Trail &trail);
    const QHash<QString, DiskReport> &reports() const { return m_reports; }
    const QHash<QString, DiskReport> &provisional() const { return m_provisional; }
    const std::optional<QString> &error() const { return m_error; }
    const QSet<QString> &measuring() const { return m_measuring; }

    // The folder on screen: "/" for the whole computer, else its path.
    QString key() const;
    // Its measured report, else its quick listing, else none.
    std::optional<DiskReport> report() const;

    // Descends into a folder (none: the folder on screen) and loads it. A
    // quick listing stands in until the engine has measured it.
    void open(const std::optional<DiskEntry> &entry);
    // Measures the folder on screen unless cached (always when `force`),
    // then measures up to three of its unmeasured child folders, one at a time.
    void load(bool force);
    // Moves the entry to the Trash; on success it leaves every stored report.
    void trash(const DiskEntry &entry);

    // A provisional report from a plain directory listing (blocking: the
    // model calls it on a worker thread). Folders first with unknown sizes,
    // by name as a file manager sorts; then files by allocated size,
    // largest first. An unreadable folder lists as empty.
    static DiskReport quickList(const QString &path);

Q_SIGNALS:
    void trailChanged();
    void reportsChanged();
    void provisionalChanged();
    void errorChanged();
    void measuringChanged();

private:
    // The engine's answer for one folder, read on a worker thread.
    struct Parsed {
        std::optional<DiskReport> report;
        std::optional<QString> failure;
    };
    static Parsed parsed(const Engine::Output &out);
    void store(const QString &k, const Parsed &result);

    // Runs the engine for one folder (none: the whole computer) unless it
    // is cached or already being measured; `done` is called either way.
    void measure(const std::optional<QString> &path, bool force, std::function<void()> done);
    void prefetch(const DiskReport &report);
    void measureInTurn(QStringList paths);

    Trail m_trail{std::nullopt};
    QHash<QString, DiskReport> m_reports;
    QHash<QString, DiskReport> m_provisional;
    std::optional<QString> m_error;
    QSet<QString> m_measuring;
};
