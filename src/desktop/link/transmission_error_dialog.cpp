// The transmission-error dialog TfrDialog: asks whether to repeat a download that did not agree.
#include "desktop/link/transmission_error_dialog.h"

#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "desktop/common/window_placement.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace ronvalo {

TfrDialog::TfrDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frDialog");
    setWindowTitle(QStringLiteral("Błąd transmisji"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const QFont font = windowFont();
    setFont(font);
    setFixedSize(300, 100);

    Label1 = new QLabel(QStringLiteral("Wystąpiły błędy transmisji! Czy powtórzyć przesył danych?"),
                        this);
    Label1->setObjectName("Label1");
    QFont bold = font;
    bold.setBold(true);
    Label1->setFont(bold);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label1->setPalette(palette);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setGeometry(8, 10, 284, 40);

    BitBtn1 = new QPushButton(QStringLiteral("&Powtórz"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(64, 62, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Anuluj"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(161, 62, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { done(RetryResult); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { done(CancelResult); }));
}

void TfrDialog::reject() {
    done(CancelResult);
}

void TfrDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the desktop rather than over the download dialog, at every showing.
    centreOnScreen(*this);
}

} // namespace ronvalo
