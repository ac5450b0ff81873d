#include "platform/InfoDictionary.h"

#include "BuildInfo.h"

namespace InfoDictionary {

QString version() {
    return QString::fromUtf8(BuildInfo::version);
}
QString buildNumber() {
    return QString::fromUtf8(BuildInfo::buildNumber);
}
QString feedUrl() {
    return QString::fromUtf8(BuildInfo::feedUrl).trimmed();
}

}  // namespace InfoDictionary
