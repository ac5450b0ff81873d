#include "theme/IconStore.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

#include "platform/Paths.h"

IconStore::IconStore(QStringList folders) : m_folders(std::move(folders)) {}

IconStore::~IconStore() = default;

const QStringList &IconStore::names() {
    static const QStringList all = {
        u"warning"_qs,       u"check"_qs,       u"check-circle"_qs, u"sliders"_qs,
        u"shield-check"_qs,  u"arrow-right"_qs, u"arrow-left"_qs,   u"arrow-up-right"_qs,
        u"refresh"_qs,       u"search"_qs,      u"stop"_qs,         u"sparkles"_qs,
        u"chevron-right"_qs, u"info"_qs,        u"pulse"_qs,        u"play"_qs,
        u"grid"_qs,          u"box"_qs,         u"bars"_qs,         u"ellipsis"_qs,
        u"folder"_qs,        u"trash"_qs,       u"app"_qs,          u"file"_qs};
    return all;
}

IconStore &IconStore::shared() {
    // The folder is looked up once, not on every paint.
    static IconStore store([] {
        const QString resources = Paths::resources();
        return resources.isEmpty() ? QStringList() : QStringList{resources + u"/Icons"_qs};
    }());
    return store;
}

QSvgRenderer *IconStore::renderer(const QString &name) {
    if (const auto found = m_svgs.find(name); found != m_svgs.end())
        return found->second.get();
    for (const QString &folder : m_folders) {
        QFile file(folder + u'/' + name + u".svg"_qs);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        auto svg = std::make_unique<QSvgRenderer>(file.readAll());
        if (!svg->isValid())
            continue;
        return m_svgs.emplace(name, std::move(svg)).first->second.get();
    }
    return nullptr;
}

bool IconStore::contains(const QString &name) {
    return renderer(name) != nullptr;
}

QPixmap IconStore::pixmap(const QString &name, int size, qreal devicePixelRatio,
                          const QColor &color) {
    const QString key =
        u"%1|%2|%3|%4"_qs.arg(name).arg(size).arg(devicePixelRatio).arg(color.rgba(), 0, 16);
    if (const auto cached = m_pixmaps.constFind(key); cached != m_pixmaps.cend())
        return *cached;

    const int device = qCeil(size * devicePixelRatio);
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer *svg = renderer(name);
    if (svg) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        svg->render(&painter, QRectF(image.rect()));
        // Keep the icon's coverage, replace its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    QPixmap result = QPixmap::fromImage(std::move(image));
    if (svg)
        m_pixmaps.insert(key, result);
    return result;
}

void IconStore::paint(QPainter &painter, const QRectF &rect, const QString &name,
                      const QColor &color) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap icon = pixmap(name, qRound(rect.width()), ratio, color);
    painter.drawPixmap(rect.topLeft(), icon);
}
