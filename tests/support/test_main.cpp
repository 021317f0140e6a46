// The test programs' main(): an offscreen application, Polish regional formats, then GoogleTest.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Discovery and hand runs happen without the test environment: never ask for a display.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("LC_ALL"))
        setenv("LC_ALL", "pl_PL.UTF-8", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ronvalo 2.2");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
