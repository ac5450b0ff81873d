#pragma once

#include <QFile>
#include <QString>

// The hand-written feeds under tests/app/appcasts/.
inline QByteArray appcastFile(const QString &name) {
    QFile file(QStringLiteral(APPCASTS_DIR) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test feed %s", qPrintable(name));
    return file.readAll();
}
