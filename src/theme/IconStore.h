#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QStringList>

#include <memory>
#include <unordered_map>

class QPainter;
class QSvgRenderer;

// SVG icons by name ("<folder>/<name>.svg", first folder that has a valid
// file wins), drawn as template images: only their shape counts, filled with
// whatever colour the caller paints in. Loaded files and rendered pixmaps are
// kept for the store's life; a name that loads nowhere is tried again on the
// next request. GUI thread only.
class IconStore {
public:
    explicit IconStore(QStringList folders);
    IconStore(const IconStore &) = delete;
    IconStore &operator=(const IconStore &) = delete;
    ~IconStore();

    // The application's store, reading the resources' Icons folder.
    static IconStore &shared();

    // Every icon the screens draw; each is installed as "<name>.svg".
    static const QStringList &names();

    const QStringList &folders() const { return m_folders; }
    bool contains(const QString &name);

    // The icon filling a `size` square at `devicePixelRatio`, in `color`; a
    // transparent pixmap of that size when the icon cannot be found.
    QPixmap pixmap(const QString &name, int size, qreal devicePixelRatio, const QColor &color);

    // Draws the icon into `rect` (square) in `color`, sharp on the painter's device.
    void paint(QPainter &painter, const QRectF &rect, const QString &name, const QColor &color);

private:
    QSvgRenderer *renderer(const QString &name);

    QStringList m_folders;
    std::unordered_map<QString, std::unique_ptr<QSvgRenderer>> m_svgs;
    QHash<QString, QPixmap> m_pixmaps;
};
