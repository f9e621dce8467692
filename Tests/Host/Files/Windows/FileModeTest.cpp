#include <gtest/gtest.h>

namespace {

TEST(WriteFileDurably, GivesTheNewFileTheUsualPermissions) {
    GTEST_SKIP() << "a Windows file has no mode bits: it takes its folder's access list";
}

} // namespace
