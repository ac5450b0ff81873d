#pragma once

#include <QWidget>

#include <optional>

#include "overview/StatusSnapshot.h"

class StatusDot;
class StatusModel;

// "123 GB free" on a capsule, with a dot coloured by how full the startup
// disk is. Shown only while the status model holds a reading with a disk.
class FreeSpacePill : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int height = 26;
        static constexpr int padding = 10;
        static constexpr int spacing = 6;
        static constexpr qreal textSize = 12;
    };

    // Total minus used of the root disk, in whole bytes; none without a disk,
    // or when the difference is not a finite number a byte count can hold.
    static std::optional<qint64> freeBytes(const StatusSnapshot &snapshot);

    explicit FreeSpacePill(StatusModel *status, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();

    StatusModel *m_status;
    StatusDot *m_dot;
    QString m_text;
};
