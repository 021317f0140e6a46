#include "support/text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>
#include <optional>

namespace ronvalo::test {

namespace {

struct Text {
    QWidget* widget;
    QRect inked; // where the text is drawn, in the window's coordinates
};

QString nameOf(const QWidget* widget) {
    return widget->objectName().isEmpty() ? widget->metaObject()->className()
                                          : widget->objectName();
}

// The text's own size: a button's caption without its mnemonic marker.
QSize textSize(const QWidget& widget, QString text) {
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return widget.fontMetrics().size(0, text);
}

// Checks one label and returns where its text is drawn, or nothing for a picture.
std::optional<QRect> labelText(QLabel& label, QStringList& problems) {
    if (!label.pixmap().isNull() || label.text().isEmpty())
        return std::nullopt;
    const QRect room = label.contentsRect();
    QSize needed = textSize(label, label.text());
    if (label.wordWrap())
        needed = {room.width(), label.heightForWidth(room.width())};
    if (needed.width() > room.width() || needed.height() > room.height())
        problems << QStringLiteral("%1 needs %2x%3 of %4x%5")
                        .arg(nameOf(&label))
                        .arg(needed.width())
                        .arg(needed.height())
                        .arg(room.width())
                        .arg(room.height());
    return QStyle::alignedRect(label.layoutDirection(), label.alignment(), needed, room);
}

// Checks one button: its caption (and icon) inside it.
QRect buttonText(QAbstractButton& button, QStringList& problems) {
    int needed = 0;
    if (qobject_cast<QCheckBox*>(&button))
        needed = button.sizeHint().width();
    else if (auto* tool = qobject_cast<QToolButton*>(&button);
             tool && tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
        needed = std::max(textSize(button, button.text()).width(), button.iconSize().width()) + 8;
    else
        needed = textSize(button, button.text()).width() +
                 (button.icon().isNull() ? 0 : button.iconSize().width() + 4) + 8;
    if (needed > button.width())
        problems << QStringLiteral("%1 needs %2 of %3")
                        .arg(nameOf(&button))
                        .arg(needed)
                        .arg(button.width());
    return button.rect();
}

} // namespace

QStringList textProblems(QWidget& window) {
    // A window not shown yet has not laid out its children (a main window's menu bar keeps its
    // default width until then).
    if (window.layout())
        window.layout()->activate();
    QStringList problems;
    QList<Text> texts;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isHidden() || child->window() != &window)
            continue;
        std::optional<QRect> inked;
        if (auto* label = qobject_cast<QLabel*>(child))
            inked = labelText(*label, problems);
        else if (auto* button = qobject_cast<QAbstractButton*>(child);
                 button && !button->text().isEmpty() && !qobject_cast<QToolBar*>(child->parent()))
            inked = buttonText(*button, problems);
        if (!inked)
            continue;
        const QRect placed(child->mapTo(&window, inked->topLeft()), inked->size());
        if (!window.rect().contains(placed))
            problems << nameOf(child) + QStringLiteral(" leaves the window");
        for (const Text& other : texts)
            if (other.inked.intersects(placed) && !other.widget->isAncestorOf(child) &&
                !child->isAncestorOf(other.widget))
                problems << nameOf(child) + QStringLiteral(" overlaps ") + nameOf(other.widget);
        texts << Text{child, placed};
    }
    // A menu bar too narrow for its menus folds them out of sight.
    if (auto* bar = window.findChild<QMenuBar*>(); bar && bar->sizeHint().width() > bar->width())
        problems << QStringLiteral("the menu bar needs %1 of %2")
                        .arg(bar->sizeHint().width())
                        .arg(bar->width());
    return problems;
}

} // namespace ronvalo::test
