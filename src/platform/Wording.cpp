#include "platform/Wording.h"

#include <QCoreApplication>
#include <QTranslator>

namespace Wording {

QString file(const QString &resources) {
    return resources + u"/translations/brightloft-linux.qm"_qs;
}

bool install(QCoreApplication *app, const QString &resources) {
#ifdef Q_OS_MACOS
    Q_UNUSED(app);
    Q_UNUSED(resources);
    return false;
#else
    if (resources.isEmpty())
        return false;
    auto *translator = new QTranslator(app);
    if (!translator->load(file(resources))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
#endif
}

}  // namespace Wording
