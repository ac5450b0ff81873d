#include "spacelens/DiskReport.h"

#include "engine/Engine.h"

namespace {

// Absent optionals hash differently from every present value.
template <typename T>
size_t hashOptional(const std::optional<T> &value, size_t seed) {
    return value ? qHashMulti(seed, true, *value) : qHashMulti(seed, false);
}

}  // namespace

DiskEntry DiskEntry::decode(const Json::Object &o) {
    return {o.required<QString>("name"),      o.required<QString>("path"),
            o.required<qint64>("size"),       o.optional<bool>("isDir"),
            o.optional<bool>("insight"),      o.optional<bool>("cleanable"),
            o.optional<QString>("lastAccess")};
}

size_t qHash(const DiskEntry &e, size_t seed) {
    seed = qHashMulti(seed, e.name, e.path, e.size);
    seed = hashOptional(e.isDir, seed);
    seed = hashOptional(e.insight, seed);
    seed = hashOptional(e.cleanable, seed);
    return hashOptional(e.lastAccess, seed);
}

DiskReport DiskReport::decode(const Json::Object &o) {
    return {o.required<QString>("path"), o.required<QList<DiskEntry>>("entries"),
            o.optional<QList<DiskEntry>>("largeFiles"), o.optional<Json::Count>("totalSize")};
}

DiskReport DiskReport::fromOutput(const QString &output) {
    const qsizetype start = output.indexOf(u'{');
    if (start < 0)
        throw Json::Error(EngineError::notInstalled);
    return Json::decode<DiskReport>(Json::parse(QStringView(output).mid(start).toUtf8()));
}

DiskReport DiskReport::without(const QString &gone) const {
    DiskReport copy = *this;
    const QString inside = gone.endsWith(u'/') ? gone : gone + u'/';
    const auto at = [&](const DiskEntry &e) { return e.path == gone || e.path.startsWith(inside); };
    copy.entries.removeIf(at);
    if (copy.largeFiles)
        copy.largeFiles->removeIf(at);
    return copy;
}
