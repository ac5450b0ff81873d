#include "engine/EngineBinary.h"

#include <QFile>
#include <QFileInfo>

#include "platform/Paths.h"
#include "platform/RunningChild.h"

namespace Engine {

QString binary() {
    const QString resources = Paths::resources();
    const QString candidates[] = {
        resources.isEmpty() ? QString() : resources + u"/engine/mole"_qs,
        u"/opt/homebrew/bin/mo"_qs,
        u"/usr/local/bin/mo"_qs,
        Paths::home() + u"/.local/bin/mo"_qs,
    };
    for (const QString &path : candidates) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return path;
    }
    return {};
}

std::vector<QByteArray> environment() {
    const QByteArray home = QFile::encodeName(Paths::home());
    return RunningChild::environmentWith({
        "PATH=/opt/homebrew/bin:/usr/local/bin:" + home +
            "/.local/bin:/usr/bin:/bin:/usr/sbin:/sbin",
        "TERM=dumb",
        "NO_COLOR=1",
        "LANG=en_US.UTF-8",
        "MO_NO_OPLOG=1",
    });
}

}  // namespace Engine
