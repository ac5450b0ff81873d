#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

#include "engine/UninstallReport.h"
#include "uninstaller/InstalledApp.h"

namespace Trash {
struct FallbackRun;
struct Outcome;
}  // namespace Trash

// The state behind the Uninstaller: the installed apps with their sizes and
// icons, each app's dry-run removal plan (cached), what the detail pane
// shows, and the removal itself. Lives on the GUI thread; blocking work (du,
// the /proc walk, trash passes) runs on worker threads that hand back plain
// values. Every property has its own change signal, emitted only on change.
class AppsModel : public QObject {
    Q_OBJECT
public:
    // One file or folder a dry run would remove.
    using Leftover = ::Leftover;

    struct Plan {
        QList<Leftover> files;
        QString total;  // formatted, or "—" when the engine stated none

        bool operator==(const Plan &) const = default;
    };

    // What the detail pane shows.
    struct Preview {
        enum Kind { none, loading, files, removing, removed, failed };

        Preview(Kind k = none) : kind(k) {}
        static Preview ofPlan(const Plan &plan);
        static Preview withMessage(Kind kind, const QString &message);  // removed or failed

        Kind kind;
        Plan plan;        // for files
        QString message;  // for removed and failed

        bool operator==(const Preview &) const = default;
    };

    // The outcome of the second trash pass (the desktop's own trash tool).
    struct FallbackResult {
        enum Kind { ok, cancelled, failed };
        Kind kind = ok;
        QString message;  // for failed

        bool operator==(const FallbackResult &) const = default;
    };

    static constexpr int maxPrefetches = 2;  // concurrent dry runs started by hovering
    static constexpr int quitPolls = 20;
    static constexpr int quitPollInterval = 250;  // ms

    explicit AppsModel(QObject *parent = nullptr);

    const QList<InstalledApp> &apps() const { return m_apps; }
    // Bytes on disk per app path; an app without an entry has no known size.
    const QHash<QString, qint64> &sizes() const { return m_sizes; }
    bool isLoading() const { return m_loading; }
    // Why listing failed; never cleared.
    const std::optional<QString> &error() const { return m_error; }
    const std::optional<QString> &selection() const { return m_selection; }
    const Preview &preview() const { return m_preview; }

    // Lists the apps and measures them, unless listed already or listing.
    void load();
    // The app's icon, looked up once per path.
    QIcon icon(const InstalledApp &app);
    // Selects the app at this path (none: nothing) and shows its plan.
    void select(const std::optional<QString> &path);
    // Computes the app's plan in the background, unless it is known, being
    // computed, or two dry runs are already going.
    void prefetch(const InstalledApp &app);
    // Quits the app, then removes it with the files of its shown plan: to
    // the Trash, or through the engine for package-managed apps. Does
    // nothing without a cached plan.
    void uninstall(const InstalledApp &app);

    // The leftovers a dry run lists (UninstallReport::leftovers).
    static QList<Leftover> leftovers(const QString &output);
    // The first summary marker's size, formatted; "—" when there is none.
    static QString planTotal(const QString &output);
    // Sizes of many paths from one `du -sk` run (blocking).
    static QHash<QString, qint64> measure(const QStringList &paths);
    // du's NUL-terminated "<KiB>\t<path>" records, in bytes.
    static QHash<QString, qint64> parseDu(const QByteArray &output);
    // Reads the trash tool's outcome; the message texts are the user's.
    static FallbackResult fallbackResult(const Trash::FallbackRun &run);

Q_SIGNALS:
    void appsChanged();
    void sizesChanged();
    void loadingChanged();
    void errorChanged();
    void selectionChanged();
    void previewChanged();

private:
    using PlanWaiter = std::function<void(const std::optional<Plan> &)>;

    // The one way plans are computed: one dry run per path at a time, its
    // result handed to every waiter.
    void plan(const InstalledApp &app, PlanWaiter waiter);
    void setPreview(const Preview &preview);

    // The removal, step by step (Uninstall.cpp).
    void waitForQuit(const InstalledApp &app, const Plan &plan, int pollsLeft);
    void removeWithEngine(const InstalledApp &app, const Plan &plan);
    void moveToTrash(const InstalledApp &app, const Plan &plan);
    void moveWithDesktopTool(const InstalledApp &app, const Plan &plan,
                             const QList<QByteArray> &failed);
    void finish(const InstalledApp &app, const QString &freed);

    QList<InstalledApp> m_apps;
    QHash<QString, qint64> m_sizes;
    bool m_loading = false;
    std::optional<QString> m_error;
    std::optional<QString> m_selection;
    Preview m_preview;
    QHash<QString, Plan> m_plans;
    QHash<QString, QList<PlanWaiter>> m_inflight;
    QHash<QString, QIcon> m_icons;
};
