#include "IO/File.hpp"

#include "GSRootHost.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

IO::Location LocationOf(const fs::path& path) {
    return IO::Location(GS::UniString(path.c_str(), GS::CC_UTF8));
}

std::size_t OpenDescriptorCount() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Permission tests mean nothing to root, who reads and writes whatever the mode says.
bool RunsAsRoot() {
    return geteuid() == 0;
}

class FileTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) / ("kavelo-io-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }

    void TearDown() override {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }

    fs::path Write(const std::string& name, const std::string& content) const {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Opens for reading the way the capture does, and reads the whole file back.
    static std::string ReadBack(const fs::path& path) {
        IO::File file(LocationOf(path), IO::File::Fail);
        EXPECT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
        UInt32 length = 0;
        EXPECT_EQ(file.GetDataLength(&length), NoError);
        std::string content(length, '\0');
        UInt32 read = 0;
        EXPECT_EQ(file.ReadBin(content.data(), length, &read), NoError);
        EXPECT_EQ(read, length);
        EXPECT_EQ(file.Close(), NoError);
        return content;
    }

    // The code every call that needs an open file gives after a failed Open.
    static GSErrCode OpenFailure(const IO::Location& location, Int32 onNotFound = IO::File::Fail,
                                 Int32 openMode = IO::File::ReadMode,
                                 Int32 treatment = IO::File::AcceptAccessDenied) {
        IO::File file(location, onNotFound);
        const GSErrCode opened = file.Open(openMode, treatment);
        UInt32 length = 7;
        EXPECT_EQ(file.GetDataLength(&length), opened);
        EXPECT_EQ(length, 7u);
        char byte = 0;
        UInt32 read = 9;
        EXPECT_EQ(file.ReadBin(&byte, 1, &read), opened);
        EXPECT_EQ(read, 0u);
        return opened;
    }

    fs::path folder;
};

TEST_F(FileTest, ReadsEmptyOneByteAndLargeFilesWhole) {
    EXPECT_EQ(ReadBack(Write("empty", "")), "");
    EXPECT_EQ(ReadBack(Write("one", "\xFF")), "\xFF");
    std::string large(8 * 1024 * 1024 + 3, '\0');
    std::mt19937 random(7);
    std::generate(large.begin(), large.end(), [&] { return static_cast<char>(random()); });
    EXPECT_EQ(ReadBack(Write("large", large)), large);
}

TEST_F(FileTest, ReadBinStopsAtTheEndAndContinuesWhereItStopped) {
    IO::File file(LocationOf(Write("text", "abcdef")), IO::File::Fail);
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    char buffer[16] = {};
    UInt32 read = 0;
    EXPECT_EQ(file.ReadBin(buffer, 4, &read), NoError);
    EXPECT_EQ(std::string(buffer, read), "abcd");
    EXPECT_EQ(file.ReadBin(buffer, sizeof(buffer), &read), NoError);
    EXPECT_EQ(std::string(buffer, read), "ef");
    EXPECT_EQ(file.ReadBin(buffer, sizeof(buffer), &read), NoError);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(file.ReadBin(buffer, 1, nullptr), NoError); // the count is optional
    EXPECT_EQ(file.ReadBin(nullptr, 0, &read), NoError);
}

TEST_F(FileTest, NonAsciiPathsOpen) {
    EXPECT_EQ(ReadBack(Write("Caf\xC3\xA9 \xF0\x9F\x98\x80.jpeg", "jpeg")), "jpeg");
}

TEST_F(FileTest, MissingFileOrFolderIsNotFound) {
    EXPECT_EQ(OpenFailure(LocationOf(folder / "missing.jpeg")), IO::ErrFileNotFound);
    EXPECT_EQ(OpenFailure(LocationOf(folder / "no-folder" / "x")), IO::ErrFileNotFound);
    EXPECT_EQ(OpenFailure(LocationOf(Write("plain", "x") / "below")), IO::ErrFileNotFound);
}

TEST_F(FileTest, FolderIsRefused) {
    EXPECT_EQ(OpenFailure(LocationOf(folder)), IO::ErrIsAFolder);
    EXPECT_EQ(OpenFailure(LocationOf(folder), IO::File::Fail, IO::File::WriteMode), IO::ErrIsAFolder);
}

TEST_F(FileTest, DevicesAndPipesAreRefusedWithoutBlocking) {
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenFailure(LocationOf(fifo)), IO::ErrNotAFile);
    EXPECT_EQ(OpenFailure(LocationOf("/dev/null")), IO::ErrNotAFile);
}

TEST_F(FileTest, UnreadableFileIsAccessDenied) {
    if (RunsAsRoot()) {
        GTEST_SKIP() << "root reads files whatever their mode";
    }
    const fs::path locked = Write("locked", "secret");
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(OpenFailure(LocationOf(locked)), IO::ErrAccessDenied);
    EXPECT_EQ(
        OpenFailure(LocationOf(locked), IO::File::Fail, IO::File::ReadMode, IO::File::AccessDeniedIsError),
        IO::ErrAccessDenied);
    fs::permissions(folder, fs::perms::none);
    EXPECT_EQ(OpenFailure(LocationOf(folder / "locked")), IO::ErrAccessDenied);
}

TEST_F(FileTest, WritingDeniedCanBeRetriedForReading) {
    if (RunsAsRoot()) {
        GTEST_SKIP() << "root writes files whatever their mode";
    }
    const fs::path readOnly = Write("read-only", "kept");
    fs::permissions(readOnly, fs::perms::owner_read);
    EXPECT_EQ(
        OpenFailure(LocationOf(readOnly), IO::File::Fail, IO::File::WriteMode, IO::File::AccessDeniedIsError),
        IO::ErrAccessDenied);
    IO::File file(LocationOf(readOnly), IO::File::Fail);
    ASSERT_EQ(file.Open(IO::File::ReadWriteMode, IO::File::AccessDeniedRetryReadOnly), NoError);
    char buffer[8] = {};
    UInt32 read = 0;
    EXPECT_EQ(file.ReadBin(buffer, sizeof(buffer), &read), NoError);
    EXPECT_EQ(std::string(buffer, read), "kept");
}

TEST_F(FileTest, CreatePolicyMakesAMissingFile) {
    const fs::path made = folder / "made";
    IO::File file(LocationOf(made), IO::File::Create);
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    UInt32 length = 1;
    EXPECT_EQ(file.GetDataLength(&length), NoError);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(fs::is_regular_file(made));
}

TEST_F(FileTest, EmptyOrImpossibleLocationIsRefused) {
    EXPECT_EQ(OpenFailure(IO::Location()), IO::ErrBadLocation);
    const std::u16string withZero = std::u16string(u"/tmp/a\0b", 8);
    EXPECT_EQ(OpenFailure(IO::Location(GS::UniString(withZero.data(), 8))), IO::ErrBadLocation);
}

TEST_F(FileTest, UnknownModesAndNullPointersAreRefused) {
    const IO::Location location = LocationOf(Write("x", "x"));
    EXPECT_EQ(OpenFailure(location, 2), IO::ErrBadParameter);
    EXPECT_EQ(OpenFailure(location, IO::File::Fail, 3), IO::ErrBadParameter);
    EXPECT_EQ(OpenFailure(location, IO::File::Fail, IO::File::ReadMode, -1), IO::ErrBadParameter);
    IO::File file(location, IO::File::Fail);
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    EXPECT_EQ(file.GetDataLength(nullptr), IO::ErrBadParameter);
    UInt32 read = 5;
    EXPECT_EQ(file.ReadBin(nullptr, 1, &read), IO::ErrBadParameter);
    EXPECT_EQ(read, 0u);
}

TEST_F(FileTest, FileThatWasNeverOpenedOrIsClosedIsNotOpen) {
    IO::File file(LocationOf(Write("x", "x")), IO::File::Fail);
    UInt32 length = 0;
    char byte = 0;
    EXPECT_EQ(file.GetDataLength(&length), IO::ErrNotOpen);
    EXPECT_EQ(file.ReadBin(&byte, 1, nullptr), IO::ErrNotOpen);
    EXPECT_EQ(file.Close(), NoError);
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    EXPECT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), IO::ErrAlreadyOpen);
    EXPECT_EQ(file.GetDataLength(&length), NoError); // still open after the refused second Open
    EXPECT_EQ(file.Close(), NoError);
    EXPECT_EQ(file.Close(), NoError);
    EXPECT_EQ(file.GetDataLength(&length), IO::ErrNotOpen);
}

TEST_F(FileTest, FailedOpenCanBeRetriedOnceTheFileExists) {
    const fs::path later = folder / "later";
    IO::File file(LocationOf(later), IO::File::Fail);
    EXPECT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), IO::ErrFileNotFound);
    Write("later", "now");
    EXPECT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    UInt32 length = 0;
    EXPECT_EQ(file.GetDataLength(&length), NoError);
    EXPECT_EQ(length, 3u);
}

TEST_F(FileTest, LengthBeyondThirtyTwoBitsIsRefused) {
    const fs::path sparse = Write("sparse", "");
    fs::resize_file(sparse, (UInt64(1) << 32) + 1); // sparse: takes no space
    IO::File file(LocationOf(sparse), IO::File::Fail);
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    UInt32 length = 0;
    EXPECT_EQ(file.GetDataLength(&length), IO::ErrFileTooLarge);
}

TEST_F(FileTest, DestructorClosesTheFile) {
    const std::size_t before = OpenDescriptorCount();
    {
        IO::File file(LocationOf(Write("x", "x")), IO::File::Fail);
        ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
        EXPECT_EQ(OpenDescriptorCount(), before + 1);
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(FileTest, AllocationFailureIsACodeNotAnException) {
    // A path beyond ASCII, whose UTF-8 copy takes a block of its own.
    IO::File file(LocationOf(Write("\xC3\xA9", "x")), IO::File::Fail);
    GS::Host::FailNthAllocation(1); // the path's UTF-8 copy
    const GSErrCode opened = file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied);
    GS::Host::FailNthAllocation(0);
    EXPECT_EQ(opened, IO::ErrOutOfMemory);
    EXPECT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
}

TEST(FileErrors, CodesAreDistinctAndOutsideTheApiRange) {
    const std::vector<GSErrCode> codes = {
        IO::ErrBadLocation,  IO::ErrFileNotFound, IO::ErrAccessDenied, IO::ErrIsAFolder,    IO::ErrNotAFile,
        IO::ErrBadParameter, IO::ErrNotOpen,      IO::ErrAlreadyOpen,  IO::ErrFileTooLarge, IO::ErrOpenFailed,
        IO::ErrReadFailed,   IO::ErrCloseFailed,  IO::ErrOutOfMemory};
    EXPECT_EQ(std::set<GSErrCode>(codes.begin(), codes.end()).size(), codes.size());
    for (const GSErrCode code : codes) {
        EXPECT_NE(code, NoError);
        EXPECT_NE(static_cast<UInt32>(code) & 0xFFFF0000u, 0x81060000u) << std::hex << code;
    }
}

} // namespace
