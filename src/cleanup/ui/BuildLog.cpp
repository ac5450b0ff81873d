#include "cleanup/ui/BuildLog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include "cleanup/ui/LogLines.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/Spinner.h"

namespace {

constexpr int kRule = 1;

TextStyle mono(Color color = Color::gray900) {
    return monoStyle(LogDelegate::textSize, QFont::Normal, color);
}

}  // namespace

QSize LogDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const {
    return {0, rowHeight};
}

void LogDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const {
    const Theme &theme = Theme::instance();
    const QRectF row = option.rect;
    if (option.state & QStyle::State_Selected)
        painter->fillRect(row, theme.color(Color::gray100));
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    qreal x = row.left() + padding;
    drawText(*painter, QRectF(x, row.top(), idWidth, row.height()), flags | Qt::AlignRight,
             QString::number(index.data(LogLines::IdRole).toInt()), mono(Color::gray600));
    x += idWidth + spacing;
    const QString time = index.data(LogLines::TimeRole).toString();
    const TextStyle timeStyle = mono(Color::gray600);
    const qreal timeWidth = textWidth(time, timeStyle);
    drawText(*painter, QRectF(x, row.top(), timeWidth, row.height()), flags, time, timeStyle);
    x += timeWidth + spacing;
    const TextStyle text = mono(Color(index.data(LogLines::ColorRole).toInt()));
    const QRectF rest(x, row.top(), qMax(0.0, row.right() - padding - x), row.height());
    drawText(
        *painter, rest, flags | Qt::AlignLeft,
        QFontMetricsF(text.font).elidedText(index.data().toString(), Qt::ElideRight, rest.width()),
        text);
}

BuildLog::BuildLog(const CleanModel *model, QWidget *parent)
    : QWidget(parent), m_lines(new LogLines(model, this)), m_list(new QListView) {
    auto *header = new QWidget;
    header->setFixedHeight(headerHeight);
    auto *top = new QHBoxLayout(header);
    top->setContentsMargins(LogDelegate::padding, 0, LogDelegate::padding, 0);
    top->addWidget(new Label(tr("Output"), mono(Color::gray1000)));
    top->addStretch();
    m_count = new Label({}, mono());
    top->addWidget(m_count);

    m_list->setModel(m_lines);
    m_list->setAccessibleName(tr("Output"));
    m_list->setItemDelegate(new LogDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setFixedHeight(listHeight);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->installEventFilter(this);
    // Scrolling up to read stops the following; back at the end resumes it.
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { m_follow = value >= m_list->verticalScrollBar()->maximum(); });
    connect(m_lines, &LogLines::grew, this, &BuildLog::grew);
    connect(m_lines, &QAbstractItemModel::modelReset, this, [this] {
        m_follow = true;
        grew();
    });

    m_running = new QWidget;
    m_running->setFixedHeight(runningHeight);
    auto *running = new QHBoxLayout(m_running);
    running->setContentsMargins(LogDelegate::padding, 0, LogDelegate::padding, 0);
    running->setSpacing(8);
    running->addWidget(new Spinner(10, Color::gray900));
    running->addWidget(new Label(tr("Running…"), mono()));
    running->addStretch();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header);
    column->addSpacing(kRule);
    column->addWidget(m_list);
    column->addWidget(m_running);
    grew();
}

void BuildLog::setRunning(bool running) {
    m_running->setVisible(running);
}

void BuildLog::grew() {
    m_count->setText(tr("%n lines", nullptr, m_lines->rowCount()));
    if (m_follow)
        m_list->scrollToBottom();
}

void BuildLog::copySelection() const {
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList text;
    for (const QModelIndex &row : rows) text.append(row.data().toString());
    QApplication::clipboard()->setText(text.join(u'\n'));
}

bool BuildLog::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void BuildLog::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    paintCard(painter, rect(), radius);
    painter.fillRect(QRectF(0, headerHeight, width(), kRule), theme.color(Color::border));
}
