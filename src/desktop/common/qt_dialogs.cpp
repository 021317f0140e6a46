// The real message and confirmation boxes.
#include "desktop/common/qt_dialogs.h"
#include "desktop/common/window_placement.h"

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

} // namespace

QtDialogs::QtDialogs() {
    install();
}

QtDialogs::~QtDialogs() {
    uninstall();
}

void QtDialogs::notice(const QString& text) {
    showBox(QMessageBox::NoIcon, applicationTitle, text);
}
void QtDialogs::error(const QString& text) {
    showBox(QMessageBox::Critical, applicationTitle, text);
}
bool QtDialogs::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no); // Escape and the close box answer No
    box.adjustSize();
    centreOnScreen(box);
    box.exec();
    return box.clickedButton() == yes;
}

QString QtDialogs::saveFileName(const QString& caption, const QString& suggested,
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

} // namespace ronvalo
