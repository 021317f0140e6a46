// Building a window's children at fixed places, the way its designer laid them out.
#pragma once

#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

namespace ronvalo {

// A child of type W named `name` at `place` in its parent.
template <class W> W* placed(QWidget* parent, const char* name, const QRect& place) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

// A caption at `place`.
template <class Label = QLabel>
Label* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* label = placed<Label>(parent, name, place);
    label->setText(text);
    return label;
}

// A caption of its text's own size with its top left corner at `at`.
template <class Label = QLabel>
Label* addLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = addLabel<Label>(parent, name, text, QRect(at, QSize()));
    label->adjustSize();
    return label;
}

} // namespace ronvalo
