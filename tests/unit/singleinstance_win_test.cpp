// SPDX-License-Identifier: GPL-3.0-or-later
// The named mutex that tells a second copy of the program from the first.
#include <gtest/gtest.h>

#include <string>

#include "windows/WinSingleInstance.h"

#include <windows.h>

namespace {

std::string TestName() { return "Local\\Quillfen.VoltaraTest." + std::to_string(GetCurrentProcessId()); }

TEST(NamedMutexInstance, FirstHoldsTheGuardUntilItEnds) {
    {
        NamedMutexInstance first(TestName());
        EXPECT_FALSE(first.AnotherCopyRuns());
        EXPECT_FALSE(first.AnotherCopyRuns());  // asking again does not find itself

        NamedMutexInstance second(TestName());
        EXPECT_TRUE(second.AnotherCopyRuns());
        EXPECT_TRUE(second.AnotherCopyRuns());

        // A refused copy takes nothing with it when it ends.
        {
            NamedMutexInstance third(TestName());
            EXPECT_TRUE(third.AnotherCopyRuns());
        }
        NamedMutexInstance fourth(TestName());
        EXPECT_TRUE(fourth.AnotherCopyRuns());
    }
    NamedMutexInstance next(TestName());
    EXPECT_FALSE(next.AnotherCopyRuns());
}

}  // namespace
