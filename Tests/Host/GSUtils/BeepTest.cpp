#include "GSUtils/GSUtils.hpp"

#include "GSUtilsHost.hpp"

#include <gtest/gtest.h>

namespace {

TEST(GSSysBeep, GoesToTheSinkOncePerCall) {
    int beeps = 0;
    GSUtils::Host::SetBeepSink([&beeps] { ++beeps; });
    testing::internal::CaptureStderr();
    GSSysBeep();
    GSSysBeep();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    GSUtils::Host::SetBeepSink({});
    EXPECT_EQ(beeps, 2);
}

TEST(GSSysBeep, EmptySinkRingsTheTerminalBell) {
    int beeps = 0;
    GSUtils::Host::SetBeepSink([&beeps] { ++beeps; });
    GSUtils::Host::SetBeepSink({});
    testing::internal::CaptureStderr();
    GSSysBeep();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\a");
    EXPECT_EQ(beeps, 0);
}

} // namespace
