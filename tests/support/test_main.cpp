// The test programs' main(): an offscreen application, Polish regional formats, then GoogleTest.
#include <QApplication>

#include "desktop/app/program.h"
#include "desktop/common/qt_dialogs.h"
#include "support/postgres_server.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    // Discovery and hand runs happen without the test environment: never ask for a display.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("LC_ALL"))
        setenv("LC_ALL", "pl_PL.UTF-8", 1);
    // Every port a port number can name opens nothing unless a test points it somewhere: a test
    // never reaches a real device such as /dev/ttyS0, which is often the console.
    for (int n = 1; n <= 255; ++n) {
        const std::string name = "RONVALO_COM" + std::to_string(n);
        setenv(name.c_str(), ("/nonexistent/ronvalo-test-COM" + std::to_string(n)).c_str(), 0);
    }
    QApplication app(argc, argv);
    ronvalo::nameApplication();
    // The windows' real boxes, as the program has them, wherever a test installs none of its own.
    const ronvalo::QtDialogs boxes;
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    ronvalo::test::stopSharedPostgresServer();
    return result;
}
