// The About window TfrInfo: the program, its version, its maker and a scrolling description.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

namespace ronvalo {

class ScrollingPanel;

class TfrInfo : public QDialog {
    Q_OBJECT

public:
    explicit TfrInfo(QWidget* parent = nullptr);

    // Hands a link to the desktop's default mail or web program; the outcome is not reported,
    // since having no such program registered is not an error. Tests put their own here.
    std::function<void(const QUrl&)> openUrl;

    void FormShow();
    void FormClose();
    void RxLabel4DblClick();
    void RxLabel5DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildMaker();
    void buildProgram();
    void buildPicture();

    ScrollingPanel* SecretPanel1 = nullptr;
};

} // namespace ronvalo
