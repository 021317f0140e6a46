// The download dialog and the transmission-error dialog as the operator reads them: captions,
// texts, fonts, size and the results of the question's buttons.
#include "core/link/receive_buffer.h"
#include "desktop/link/download_dialog.h"
#include "desktop/link/transmission_error_dialog.h"

#include "support/qt_printers.h"

#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

bool closeBoxOnly(const QWidget& window) {
    const Qt::WindowFlags flags = window.windowFlags();
    return flags.testFlag(Qt::WindowCloseButtonHint) &&
           !flags.testFlag(Qt::WindowMaximizeButtonHint) &&
           !flags.testFlag(Qt::WindowMinimizeButtonHint);
}

} // namespace

TEST(DownloadDialogTexts, CaptionFixedSizeAndLabelFonts) {
    ReceiveBuffer first, second;
    QDateTime transferDate;
    TfrOdbior dialog{{first, second, [] { return quint8(0); }, [](const QString&) {}, transferDate,
                      [] { return TfrDialog::CancelResult; }}};
    EXPECT_EQ(dialog.windowTitle(), "Odbiór danych");
    EXPECT_EQ(dialog.size(), QSize(395, 110));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(closeBoxOnly(dialog));
    EXPECT_EQ(dialog.BitBtn1->text(), "Anuluj");
    EXPECT_EQ(dialog.RxLabel1->text(), "COM");
    EXPECT_EQ(QFontInfo(dialog.RxLabel1->font()).pixelSize(), 19);
    EXPECT_EQ(QFontInfo(dialog.Label1->font()).pixelSize(), 11);
}

TEST(TransmissionErrorDialog, AsksInBoldRedAndAnswersByItsButtons) {
    TfrDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Błąd transmisji");
    EXPECT_TRUE(closeBoxOnly(dialog));
    EXPECT_EQ(dialog.Label1->text(), "Wystąpiły błędy transmisji! Czy powtórzyć przesył danych?");
    EXPECT_TRUE(QFontInfo(dialog.Label1->font()).bold());
    EXPECT_EQ(dialog.Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    const struct {
        QPushButton* button;
        QString caption;
        int result;
    } buttons[] = {{dialog.BitBtn1, "&Powtórz", 4}, // the modal results the caller tests
                   {dialog.BitBtn2, "Anuluj", 2}};
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), b.caption);
        QTimer::singleShot(0, b.button, &QPushButton::click);
        EXPECT_EQ(dialog.exec(), b.result) << b.caption.toStdString();
    }
}
