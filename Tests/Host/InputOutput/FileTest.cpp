#include "IO/File.hpp"

#include "GSRootHost.hpp"
#include "TestPlatform.hpp"

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
    const std::u16string units = path.u16string();
    return IO::Location(GS::UniString(units.data(), static_cast<USize>(units.size())));
}

class FileTest : public testing::Test {
protected:
    // `name` is UTF-8 on every platform.
    fs::path Write(const std::string& name, const std::string& content) const {
        const fs::path path = folder / std::u8string(name.begin(), name.end());
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

    const HostTest::TemporaryFolder temporary;
    const fs::path folder = temporary.Path();
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
    const HostTest::NamedPipe pipe(folder);
    EXPECT_EQ(OpenFailure(LocationOf(pipe.Path())), IO::ErrNotAFile);
    EXPECT_EQ(OpenFailure(LocationOf(HostTest::NullDevice())), IO::ErrNotAFile);
}

TEST_F(FileTest, UnreadableFileIsAccessDenied) {
    const fs::path locked = Write("locked", "secret");
    const HostTest::DeniedAccess denied(locked, HostTest::DeniedAccess::Everything);
    if (!denied.Unenforced().empty()) {
        GTEST_SKIP() << denied.Unenforced();
    }
    EXPECT_EQ(OpenFailure(LocationOf(locked)), IO::ErrAccessDenied);
    EXPECT_EQ(
        OpenFailure(LocationOf(locked), IO::File::Fail, IO::File::ReadMode, IO::File::AccessDeniedIsError),
        IO::ErrAccessDenied);
}

TEST_F(FileTest, FileInAnUnreadableFolderIsAccessDenied) {
    Write("inside", "secret");
    const HostTest::DeniedAccess denied(folder, HostTest::DeniedAccess::Everything);
    if (!denied.Unenforced().empty()) {
        GTEST_SKIP() << denied.Unenforced();
    }
    EXPECT_EQ(OpenFailure(LocationOf(folder / "inside")), IO::ErrAccessDenied);
}

TEST_F(FileTest, WritingDeniedCanBeRetriedForReading) {
    const fs::path readOnly = Write("read-only", "kept");
    const HostTest::DeniedAccess denied(readOnly, HostTest::DeniedAccess::Writing);
    if (!denied.Unenforced().empty()) {
        GTEST_SKIP() << denied.Unenforced();
    }
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
    const std::size_t before = HostTest::OpenHandleCount();
    {
        IO::File file(LocationOf(Write("x", "x")), IO::File::Fail);
        ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
        EXPECT_EQ(HostTest::OpenHandleCount(), before + 1);
    }
    EXPECT_EQ(HostTest::OpenHandleCount(), before);
}

TEST_F(FileTest, AllocationFailureIsACodeNotAnException) {
    // A path beyond ASCII, whose UTF-8 copy takes a block of its own.
    IO::File file(LocationOf(Write("\xC3\xA9", "x")), IO::File::Fail);
    const UInt64 before = GS::Host::GetMemoryStats().allocations;
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied), NoError);
    ASSERT_EQ(file.Close(), NoError);
    if (GS::Host::GetMemoryStats().allocations == before) {
        GTEST_SKIP() << "the system takes the path in UTF-16 as the location holds it: no copy to fail";
    }
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
