// Qt's own dialogs in Polish: the translation found and installed, the buttons translated.
#include "desktop/app/qt_polish.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace ronvalo;

TEST(QtPolish, StandardButtonsSpeakPolishOnceInstalled) {
    {
        QTranslator translator;
        ASSERT_TRUE(installQtPolish(translator))
            << "no qtbase_pl.qm in " << qtTranslationFolders().join(", ").toStdString();
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        const struct {
            QMessageBox::StandardButton button;
            const char* text;
        } cases[] = {
            {QMessageBox::Yes, "&Tak"}, {QMessageBox::No, "&Nie"}, {QMessageBox::Cancel, "Anuluj"}};
        for (const auto& c : cases)
            EXPECT_EQ(box.button(c.button)->text(), QString::fromUtf8(c.text));
    }
    // The translator gone, Qt's own texts are back: no other test sees it.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}
