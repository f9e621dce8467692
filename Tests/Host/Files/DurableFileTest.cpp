#include "DurableFile.hpp"

#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <random>

namespace {

namespace fs = std::filesystem;
using namespace HostFiles;
using HostTest::ReadBytes;
using HostTest::WriteBytes;
using ScratchFolder = HostTest::TemporaryFolder;

std::vector<unsigned char> RandomBytes(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    std::mt19937 random(11);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(random());
    return bytes;
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// Synced or not, a file is replaced whole and no temporary file stays behind.
class EitherDurability : public testing::TestWithParam<Durability> {};

TEST_P(EitherDurability, WritesExactlyTheBytesAndReplacesWhatWasThere) {
    ScratchFolder folder;
    const auto first = RandomBytes(300000);
    ASSERT_TRUE(WriteFileDurably(folder / "view.jpg", first, GetParam()).Ok());
    EXPECT_EQ(ReadBytes(folder / "view.jpg"), first);

    const std::vector<unsigned char> shorter{1, 2, 3};
    ASSERT_TRUE(WriteFileDurably(folder / "view.jpg", shorter, GetParam()).Ok());
    EXPECT_EQ(ReadBytes(folder / "view.jpg"), shorter);

    ASSERT_TRUE(WriteFileDurably(folder / "empty.jpg", {}, GetParam()).Ok());
    EXPECT_TRUE(ReadBytes(folder / "empty.jpg").empty());
    ASSERT_TRUE(CopyFileDurably(folder / "view.jpg", folder / "copy.jpg", GetParam()).Ok());
    EXPECT_EQ(ReadBytes(folder / "copy.jpg"), shorter);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"copy.jpg", "empty.jpg", "view.jpg"}));
}

INSTANTIATE_TEST_SUITE_P(SyncedAndUnsynced, EitherDurability,
                         testing::Values(Durability::Synced, Durability::Unsynced));

TEST(WriteFileDurably, WritesBesideTheWorkingFolderForABareName) {
    ScratchFolder folder;
    const fs::path previous = fs::current_path();
    fs::current_path(folder.Path());
    const FileResult result = WriteFileDurably("view.jpg", std::vector<unsigned char>{5, 6});
    fs::current_path(previous);
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(ReadBytes(folder / "view.jpg"), (std::vector<unsigned char>{5, 6}));
}

TEST(WriteFileDurably, FailsInAMissingFolder) {
    ScratchFolder folder;
    const fs::path target = folder / "missing" / "view.jpg";
    EXPECT_EQ(WriteFileDurably(target, std::vector<unsigned char>{1}).error,
              "cannot save " + Quoted(target) + ": cannot create a file in " + Quoted(folder / "missing") +
                  ": No such file or directory");
    EXPECT_TRUE(folder.Entries().empty());
}

TEST(WriteFileDurably, FailsInAReadOnlyFolderAndLeavesTheOldFile) {
    ScratchFolder folder;
    const std::vector<unsigned char> old{9, 9};
    WriteBytes(folder / "view.jpg", old);
    const HostTest::DeniedAccess readOnly(folder.Path(), HostTest::DeniedAccess::Writing);
    if (!readOnly.Unenforced().empty())
        GTEST_SKIP() << readOnly.Unenforced();
    const FileResult result = WriteFileDurably(folder / "view.jpg", std::vector<unsigned char>{1});
    EXPECT_EQ(result.error, "cannot save " + Quoted(folder / "view.jpg") + ": cannot create a file in " +
                                Quoted(folder.Path()) + ": Permission denied");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"view.jpg"});
    EXPECT_EQ(ReadBytes(folder / "view.jpg"), old);
}

TEST(WriteFileDurably, RemovesItsTemporaryFileWhenTheRenameFails) {
    // The bytes are written and synced, but a folder stands where the file should go.
    ScratchFolder folder;
    fs::create_directory(folder / "view.jpg");
    const FileResult result = WriteFileDurably(folder / "view.jpg", RandomBytes(1000));
    EXPECT_TRUE(result.error.starts_with("cannot save " + Quoted(folder / "view.jpg") + ": cannot rename \""))
        << result.error;
    // The reason is the system's: a folder there on POSIX, access denied on Windows.
    EXPECT_NE(result.error.find(".partial\" to it: "), std::string::npos) << result.error;
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"view.jpg"});
    EXPECT_TRUE(fs::is_directory(folder / "view.jpg"));
}

TEST(CopyFileDurably, CopiesTheBytesUnchanged) {
    ScratchFolder folder;
    for (const std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(65536), std::size_t(200001)}) {
        const auto bytes = RandomBytes(size);
        WriteBytes(folder / "given.jpg", bytes);
        const FileResult result = CopyFileDurably(folder / "given.jpg", folder / "view.jpg");
        ASSERT_TRUE(result.Ok()) << result.error;
        EXPECT_EQ(ReadBytes(folder / "view.jpg"), bytes) << size << " bytes";
        EXPECT_EQ(ReadBytes(folder / "given.jpg"), bytes);
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"given.jpg", "view.jpg"}));
}

TEST(CopyFileDurably, FailsOnASourceItCannotReadWithoutTouchingTheTarget) {
    ScratchFolder folder;
    const std::vector<unsigned char> old{4};
    WriteBytes(folder / "view.jpg", old);
    EXPECT_EQ(CopyFileDurably(folder / "absent.jpg", folder / "view.jpg").error,
              "cannot save " + Quoted(folder / "view.jpg") + ": cannot open " +
                  Quoted(folder / "absent.jpg") + ": No such file or directory");

    fs::create_directory(folder / "folder.jpg");
    const std::string cannotRead = "cannot save " + Quoted(folder / "view.jpg") + ": cannot read " +
                                   Quoted(folder / "folder.jpg") + ": ";
    const std::string error = CopyFileDurably(folder / "folder.jpg", folder / "view.jpg").error;
    EXPECT_TRUE(error.starts_with(cannotRead) && error.size() > cannotRead.size())
        << error; // the system's reason
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"folder.jpg", "view.jpg"}));
    EXPECT_EQ(ReadBytes(folder / "view.jpg"), old);
}

} // namespace
