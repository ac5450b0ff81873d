#include "platform/OpenUrl.h"

#include <QDesktopServices>
#include <QFileInfo>

#include "platform/Paths.h"

namespace OpenUrl {

bool open(const QUrl &url) {
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool openResource(const QString &relative) {
    const QString resources = Paths::resources();
    if (resources.isEmpty())
        return false;
    const QString path = resources + u'/' + relative;
    if (!QFileInfo::exists(path))
        return false;
    return open(QUrl::fromLocalFile(path));
}

}  // namespace OpenUrl
