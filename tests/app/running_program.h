// The program as an operator starts it on a fresh installation, for the tests of its commands:
// its own folder and settings, the clock at 9 March 2024, the boxes answered by the test.
#pragma once

#include <gtest/gtest.h>
#include <memory>

#include "app/main_window.h"
#include "app/program.h"
#include "common/clock.h"
#include "common/error_handler.h"
#include "store/schema.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

namespace ronvalo::test {

struct RunningProgram {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 3, 9), QTime(8, 0))};
    TestDialogs dialogs;
    std::unique_ptr<Program> program;

    RunningProgram() {
        EXPECT_TRUE(createEmptyDatabase(folder.path(), nullptr));
        program = std::make_unique<Program>(folder.base());
        guarded([this] { program->frGlowna().FormShow(); })();
    }

    TfrGlowna& main() const { return program->frGlowna(); }
};

} // namespace ronvalo::test
