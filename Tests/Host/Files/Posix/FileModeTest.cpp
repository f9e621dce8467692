// A saved view is readable by all and writable by its owner, whatever the process's umask.

#include "DurableFile.hpp"

#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace HostFiles;
using ScratchFolder = HostTest::TemporaryFolder;

TEST(WriteFileDurably, GivesTheNewFileTheUsualPermissions) {
    ScratchFolder folder;
    const mode_t previous = ::umask(022);
    const FileResult result = WriteFileDurably(folder / "view.jpg", std::vector<unsigned char>{7});
    ::umask(previous);
    ASSERT_TRUE(result.Ok()) << result.error;
    struct stat status {};
    ASSERT_EQ(::stat((folder / "view.jpg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

} // namespace
