#include "theme/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>

#include "theme/controls/Status.h"

namespace {

constexpr char kRole[] = "brightloftAccessibleRole";

// Widgets that only decorate: icons, the brand mark, state dots, charts.
bool decorativeClass(QStringView className) {
    return className == u"Icon" || className == u"Logo" || className == u"StatusDot" ||
           className == u"Sparkline";
}

// Present in the tree (Qt lists every child widget) but with no role and
// marked invisible, so a screen reader passes over it.
class Hidden : public QAccessibleWidget {
public:
    explicit Hidden(QWidget *widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = true;
        return s;
    }
    QString text(QAccessible::Text) const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

// A dot and its text heard once: the text, without children.
class Combined : public QAccessibleWidget {
public:
    explicit Combined(Status *status) : QAccessibleWidget(status, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<Status *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

// A painted button read as a tab (checked is selected) or as a list item
// named by the labels it holds; pressing it through assistive tools clicks.
class Button : public QAccessibleWidget {
public:
    Button(QAbstractButton *button, QAccessible::Role role) : QAccessibleWidget(button, role) {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        if (!button()->accessibleName().isEmpty())
            return button()->accessibleName();
        if (!button()->text().isEmpty())
            return button()->text();
        return Accessibility::visibleText(button());
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->isCheckable()) {
            s.checkable = true;
            s.checked = button()->isChecked();
            s.selectable = true;
            s.selected = button()->isChecked();
        }
        return s;
    }
    QStringList actionNames() const override {
        if (!button()->isEnabled())
            return {};
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override {
        if (name == pressAction() && button()->isEnabled())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    const QVariant role = widget->property(kRole);
    if (role.isValid()) {
        const auto r = QAccessible::Role(role.toInt());
        if (r == QAccessible::NoRole)
            return new Hidden(widget);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return new Button(button, r);
        return new QAccessibleWidget(widget, r);
    }
    if (decorativeClass(className))
        return new Hidden(widget);
    if (className == u"Status")
        return new Combined(static_cast<Status *>(widget));
    if (className == u"TabButton")
        return new Button(static_cast<QAbstractButton *>(widget), QAccessible::PageTab);
    if (className == u"HoverRow") {
        // A row that is not a Tab stop is a line of a list; one that is, a button.
        auto *button = static_cast<QAbstractButton *>(widget);
        return new Button(button, button->focusPolicy() == Qt::NoFocus ? QAccessible::ListItem
                                                                       : QAccessible::Button);
    }
    return nullptr;
}

}  // namespace

namespace Accessibility {

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void hide(QWidget *widget) {
    setRole(widget, QAccessible::NoRole);
}

void setRole(QWidget *widget, QAccessible::Role role) {
    install();
    widget->setProperty(kRole, int(role));
}

QString visibleText(const QWidget *row) {
    QStringList parts;
    for (const QLabel *label : row->findChildren<const QLabel *>()) {
        if (label->isHidden() || label->property(kRole).isValid())
            continue;
        const QString text = label->toolTip().isEmpty() ? label->text() : label->toolTip();
        if (!text.isEmpty() && label->pixmap().isNull())
            parts.append(text);
    }
    return parts.join(u", "_qs);
}

}  // namespace Accessibility
