// The About window TfrInfo: the program, its version, its maker and a scrolling description.
#include "desktop/app/about_window.h"

#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "desktop/app/about_pictures.h"
#include "desktop/app/double_click_label.h"
#include "desktop/app/scrolling_panel.h"
#include "desktop/common/child_widgets.h"
#include "desktop/common/window_placement.h"
#include "platform/shell.h"

#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace ronvalo {

namespace {

const QString MakerEmail = "biuro@kerbis.example";
const QString MakerWeb = "www.kerbis.example";

const QStringList Description{
    "Program do odbioru,",      "archiwizacji i wizualizacji", "danych pochodzących",
    "z przyrządu Veruru firmy", "Durared, służącego ",         "do kontroli służb ",
    "wartowniczych.",
};

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

DoubleClickLabel* addLink(QWidget* parent, const char* name, const QString& text,
                          const QRect& place) {
    auto* label = addLabel<DoubleClickLabel>(parent, name, text, place);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    setTextColour(label, Qt::blue);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

} // namespace

TfrInfo::TfrInfo(QWidget* parent)
    : QDialog(parent), openUrl([this](const QUrl& url) {
          platform::shellOpen(url.toString().toStdString(), static_cast<std::uintptr_t>(winId()));
      }) {
    setObjectName("frInfo");
    setWindowTitle("Informacje o programie");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont(11));
    setFixedSize(379, 280);

    // The picture first, so that the labels written over it lie above it.
    buildPicture();
    buildMaker();
    buildProgram();
}

void TfrInfo::buildPicture() {
    auto* frame = addLabel(this, "Image1", {}, {4, 8, 177, 265});
    frame->setPixmap(drawPatrolPicture());
    frame->setAlignment(Qt::AlignCenter);

    auto* author = addLabel(this, "Label9", "programował\nMarek Zawilski", {10, 243, 86, 28});
    author->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    auto* date = addLabel(this, "Label8", "kwiecień 2004", {96, 257, 80, 14});
    date->setFont(windowFont(10));
    date->setAlignment(Qt::AlignRight | Qt::AlignBottom);
}

void TfrInfo::buildMaker() {
    auto* emblem = addLabel(this, "Image2", {}, {322, 8, 50, 50});
    emblem->setPixmap(drawMakerEmblem());
    emblem->setScaledContents(true);

    QFont serif = legacyFont(LegacyFace::TimesNewRoman);
    serif.setPixelSize(32);
    serif.setBold(true);
    auto* company = addLabel(this, "Label1", "Kerbis", {188, 6, 128, 36});
    company->setFont(serif);
    setTextColour(company, QColor(0x0b, 0x25, 0x50));
    addLabel(this, "Label2", "Sp. z o.o.", {190, 41, 120, 14});
    addLabel(this, "Label3", "ul. Strażnicza 7, 61-806 Poznań\ntel. (0-61) 855 12 34",
             {188, 62, 188, 28});

    auto* email = addLink(this, "RxLabel4", MakerEmail, {188, 92, 188, 14});
    connect(email, &DoubleClickLabel::doubleClicked, this,
            guarded([this](auto&&...) { RxLabel4DblClick(); }));
    auto* web = addLink(this, "RxLabel5", MakerWeb, {188, 107, 188, 14});
    connect(web, &DoubleClickLabel::doubleClicked, this,
            guarded([this](auto&&...) { RxLabel5DblClick(); }));

    auto* rule = new QFrame(this);
    rule->setObjectName("Bevel1");
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setGeometry(185, 126, 189, 2);
}

void TfrInfo::buildProgram() {
    auto* name = addLabel(this, "Label6", "Ronvalo", {183, 131, 193, 32});
    name->setFont(windowFont(26, true));
    name->setAlignment(Qt::AlignCenter);
    setTextColour(name, Qt::red);
    addLabel(this, "Label7", "wersja 2.2", {183, 164, 193, 15})->setAlignment(Qt::AlignCenter);

    SecretPanel1 = new ScrollingPanel(this);
    SecretPanel1->setObjectName("SecretPanel1");
    SecretPanel1->setGeometry(183, 184, 193, 57);
    SecretPanel1->setLines(Description);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Button1");
    ok->setGeometry(242, 248, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, guarded([this](auto&&...) { accept(); }));
}

void TfrInfo::FormShow() {
    SecretPanel1->start();
}

void TfrInfo::FormClose() {
    SecretPanel1->stop();
}

void TfrInfo::RxLabel4DblClick() {
    openUrl(QUrl("mailto:" + MakerEmail));
}

void TfrInfo::RxLabel5DblClick() {
    openUrl(QUrl("http://" + MakerWeb));
}

void TfrInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the screen rather than over the main window; not a position the user chose,
    // so every showing centres again.
    centreOnScreen(*this);
    guarded([this] { FormShow(); })();
}

void TfrInfo::hideEvent(QHideEvent* event) {
    // Closing by the close box, by "OK" or by Escape all end in hiding the window.
    if (!event->spontaneous())
        guarded([this] { FormClose(); })();
    QDialog::hideEvent(event);
}

} // namespace ronvalo
