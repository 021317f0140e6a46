// The transmission-error dialog TfrDialog: asks whether to repeat a download that did not agree.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace ronvalo {

class TfrDialog : public QDialog {
    Q_OBJECT

public:
    // The results exec() gives: repeat the download, or give it up.
    static constexpr int RetryResult = 4;
    static constexpr int CancelResult = 2;

    explicit TfrDialog(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // "&Powtórz"
    QPushButton* BitBtn2 = nullptr; // "Anuluj"

    // Esc and the close box end the dialog as "Anuluj" does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace ronvalo
