// The summary dialog TfrUdaloDlg shown after an import: the three dates and, when the instrument's
// and the computer's dates differ, a warning.
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>

#include "core/import/punch_import.h"

class QFrame;
class QPlainTextEdit;
class QPushButton;

namespace ronvalo {

// A label that draws its caption a second time one pixel up and left in the button-highlight
// colour, under the text, so the text looks embossed.
class ShadowLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TfrUdaloDlg : public QDialog {
    Q_OBJECT
public:
    // Outer heights (caption and frame included) and button tops of the two layouts.
    static constexpr int compactHeight = 164;
    static constexpr int compactButtonTop = 108;
    static constexpr int fullHeight = 264;
    static constexpr int fullButtonTop = 208;

    explicit TfrUdaloDlg(QWidget* parent = nullptr);

    // Sets the captions of Label2, Label3 and Label4. When the first two read the same the
    // warning is hidden and the dialog is compact; otherwise the warning shows.
    void setDates(const QString& instrumentDate, const QString& transferDate,
                  const QString& firstPunchDate);
    bool compact() const { return outerHeight_ == compactHeight; }
    // The height as the caption bar and frame count in: the client area is that less the frame.
    int outerHeight() const { return outerHeight_; }
    int ShowModal() { return exec(); }

    // Left only through the OK button: Escape and the window manager's close do nothing.
    void reject() override {}

    QLabel* Label1 = nullptr;
    ShadowLabel* RxLabel1 = nullptr;
    QLabel* Label2 = nullptr;
    ShadowLabel* RxLabel2 = nullptr;
    QLabel* Label3 = nullptr;
    ShadowLabel* RxLabel3 = nullptr;
    QLabel* Label4 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Label5 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

private:
    void setOuterHeight(int height);
    int outerHeight_ = 0;
};

// How an import shows its summary in `dialog`: the dates set, then the dialog modally.
std::function<void(const ImportSummary&)> summaryShownIn(TfrUdaloDlg& dialog);

} // namespace ronvalo
