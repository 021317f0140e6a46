// The summary dialog: fixed layout of labels, the warning memo and the OK button.
#include "desktop/import/summary_dialog.h"

#include <QFrame>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "desktop/common/child_widgets.h"

namespace ronvalo {

namespace {

constexpr int clientWidth = 345;
// The caption bar and frame the designed outer heights include (264 outer for 237 client).
constexpr int frameHeight = 27;

const QStringList warningLines{
    QStringLiteral("Daty czytnika i komputera są różne! "),
    QStringLiteral("Jeżeli data czytnika jest nieprawidłowa to odbicia mogą być "),
    QStringLiteral("oznaczone taką datą i tak też zostaną wprowadzone do bazy "),
    QStringLiteral("danych."),
    QStringLiteral("Data pierwszego odbicia określa pod jaką datą należy szukać "),
    QStringLiteral("odbić w bazie danych."),
    QStringLiteral("Jeżeli data komputera jest nieprawidłowa to należy ją porawić (w "),
    QStringLiteral("Panelu Sterowania)."),
};

void setBackground(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

// The OK glyph: a green tick.
QIcon okGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({{3, 8.5}, {6.5, 12}, {13, 4}}));
    return QIcon(pixmap);
}

} // namespace

void ShadowLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const int flags = int(alignment());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(area.translated(-1, -1), flags, text());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, flags, text());
}

TfrUdaloDlg::TfrUdaloDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("frUdaloDlg");
    setWindowTitle(QStringLiteral("Dane wprowadzone"));
    // A dialog frame with a caption and no border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());

    Label1 = new QLabel(QStringLiteral("Odbicia wprowadzono do bazy danych"), this);
    Label1->setObjectName("Label1");
    Label1->setFont(windowFont(11, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setGeometry(0, 8, clientWidth, 13);
    QPalette green = Label1->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    Label1->setPalette(green);

    RxLabel1 = addLabel<ShadowLabel>(this, "RxLabel1", QStringLiteral("Data bieżąca wg czytnika:"),
                                     {64, 40});
    Label2 = addLabel(this, "Label2", QString(), {216, 40});
    RxLabel2 = addLabel<ShadowLabel>(this, "RxLabel2", QStringLiteral("Data bieżąca wg komputera:"),
                                     {64, 56});
    Label3 = addLabel(this, "Label3", QString(), {216, 56});
    RxLabel3 = addLabel<ShadowLabel>(this, "RxLabel3", QStringLiteral("Data pierwszego odbicia:"),
                                     {64, 72});
    Label4 = addLabel(this, "Label4", QString(), {216, 72});
    setBackground(Label2, QColor(0, 255, 0));
    setBackground(Label3, QColor(0, 255, 0));

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(0, 96, clientWidth, 2);

    Label5 = addLabel(this, "Label5", QStringLiteral("Uwaga!"), {8, 104});

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 120, 329, 81);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth); // a wider face must not cut a line
    Memo1->setReadOnly(true);
    Memo1->setPlainText(warningLines.join('\n'));

    BitBtn1 = new QPushButton(okGlyph(), QStringLiteral("OK"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(136, fullButtonTop, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { accept(); }));

    setOuterHeight(fullHeight);
}

void TfrUdaloDlg::setOuterHeight(int height) {
    outerHeight_ = height;
    setFixedSize(clientWidth, height - frameHeight);
}

void TfrUdaloDlg::setDates(const QString& instrumentDate, const QString& transferDate,
                           const QString& firstPunchDate) {
    for (auto [label, text] : {std::pair{Label2, &instrumentDate}, std::pair{Label3, &transferDate},
                               std::pair{Label4, &firstPunchDate}}) {
        label->setText(*text);
        label->adjustSize();
    }
    const bool same = Label2->text() == Label3->text();
    Label5->setVisible(!same);
    Memo1->setVisible(!same);
    BitBtn1->move(BitBtn1->x(), same ? compactButtonTop : fullButtonTop);
    setOuterHeight(same ? compactHeight : fullHeight);
}

std::function<void(const ImportSummary&)> summaryShownIn(TfrUdaloDlg& dialog) {
    return [&dialog](const ImportSummary& dates) {
        dialog.setDates(dates.instrumentDate, dates.transferDate, dates.firstPunchDate);
        dialog.ShowModal();
    };
}

} // namespace ronvalo
