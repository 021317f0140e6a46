// A label that reports a double click with the left button and ignores single clicks.
#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace ronvalo {

class DoubleClickLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            emit doubleClicked();
        QLabel::mouseDoubleClickEvent(event);
    }
};

} // namespace ronvalo
