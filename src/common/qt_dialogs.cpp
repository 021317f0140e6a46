// The real message and confirmation boxes, and the seam that picks them or a test's.
#include "common/dialogs.h"
#include "common/window_placement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

namespace ronvalo {

namespace {

const QString applicationTitle = QStringLiteral("Ronvalo 2.2");

int showBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    return box.exec();
}

class QtDialogs final : public Dialogs {
public:
    void notice(const QString& text) override {
        showBox(QMessageBox::NoIcon, applicationTitle, text);
    }
    void error(const QString& text) override {
        showBox(QMessageBox::Critical, applicationTitle, text);
    }
    bool confirm(const QString& text) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                        QMessageBox::NoButton);
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no); // Escape and the close box answer No
        box.adjustSize();
        centreOnScreen(box);
        box.exec();
        return box.clickedButton() == yes;
    }
};

} // namespace

QString Dialogs::saveFileName(const QString& caption, const QString& suggested,
                              const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow(), caption, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the filter's ("raport" is saved as "raport.csv").
    const QRegularExpressionMatch suffix =
        QRegularExpression(QStringLiteral(R"(\(\*\.(\w+))")).match(filter);
    if (suffix.hasMatch())
        dialog.setDefaultSuffix(suffix.captured(1));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

Dialogs*& Dialogs::installed() {
    static Dialogs* dialogs = nullptr;
    return dialogs;
}

Dialogs& Dialogs::current() {
    static QtDialogs real;
    return installed() ? *installed() : real;
}

void Dialogs::install() {
    installed() = this;
}

void Dialogs::uninstall() {
    if (installed() == this)
        installed() = nullptr;
}

} // namespace ronvalo
