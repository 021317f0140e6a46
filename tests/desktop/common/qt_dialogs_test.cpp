// The real message, error and confirmation boxes, answered from inside their own event loop.
#include "core/common/dialogs.h"
#include "support/qt_printers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

struct SeenBox {
    QString caption, text, defaultButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Notes the box that opens next and answers it by `answer`; the timer dies with `context`.
void answerNextBox(QObject& context, SeenBox& seen, std::function<void(QMessageBox&)> answer) {
    QTimer::singleShot(0, &context, [&seen, answer = std::move(answer)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.buttons.sort();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
        answer(*box);
    });
}

} // namespace

TEST(QtDialogs, NoticeAndErrorHaveOneOkAndTheProgramsName) {
    const struct {
        std::function<void(const QString&)> show;
        QMessageBox::Icon icon;
    } boxes[] = {
        {[](const QString& text) { Dialogs::current().notice(text); }, QMessageBox::NoIcon},
        {[](const QString& text) { Dialogs::current().error(text); }, QMessageBox::Critical},
    };
    QObject context;
    for (const auto& b : boxes) {
        SeenBox seen;
        answerNextBox(context, seen, [](QMessageBox& box) { box.buttons().front()->click(); });
        b.show("Tekst");
        EXPECT_EQ(seen.caption, "Ronvalo 2.2");
        EXPECT_EQ(seen.text, "Tekst");
        EXPECT_EQ(seen.icon, b.icon);
        EXPECT_EQ(seen.buttons, QStringList({"OK"}));
    }
}

TEST(QtDialogs, ConfirmAsksYesOrNoAndOnlyYesGoesOn) {
    auto button = [](const QString& caption) {
        return [caption](QMessageBox& box) {
            for (QAbstractButton* b : box.buttons())
                if (b->text() == caption)
                    b->click();
        };
    };
    const struct {
        const char* how;
        std::function<void(QMessageBox&)> answer;
        bool yes;
    } answers[] = {
        {"Yes", button("&Yes"), true},
        {"No", button("&No"), false},
        {"Enter", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, true},
        {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, false},
        {"close box", [](QMessageBox& box) { box.close(); }, false},
    };
    QObject context;
    for (const auto& a : answers) {
        SeenBox seen;
        answerNextBox(context, seen, a.answer);
        EXPECT_EQ(Dialogs::current().confirm("Pytanie?"), a.yes) << a.how;
        EXPECT_EQ(seen.caption, "Confirm");
        EXPECT_EQ(seen.text, "Pytanie?");
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.buttons, QStringList({"&No", "&Yes"}));
        EXPECT_EQ(seen.defaultButton, "&Yes");
    }
}
