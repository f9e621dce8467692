#include "Win32/Windows.hpp"

#include "CallRecorder.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The probe library under a name with non-ASCII characters, one of them outside the BMP.
constexpr const char* ProbeFileName = "Pr\xC3\xBC"
                                      "fmodul-\xF0\x9F\x98\x80.so";
constexpr const char16_t* ProbeFileNameUtf16 = u"Pr\u00fcfmodul-\U0001F600.so";

HMODULE BaseOf(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

std::u16string ModuleFileName(HMODULE module, DWORD size = MAX_PATH) {
    std::u16string buffer(size, u'#');
    const DWORD length = GetModuleFileNameW(module, buffer.data(), size);
    return buffer.substr(0, length);
}

class GetModuleFileNameWTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) / ("kavelo-win32-" + std::to_string(getpid()));
        fs::create_directories(folder);
        path = folder / ProbeFileName; // bytes as they stand: UTF-8
        fs::copy_file(KAVELO_PROBE_MODULE, path, fs::copy_options::overwrite_existing);
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        void* marker = dlsym(library, "Win32ProbeModuleMarker");
        ASSERT_NE(marker, nullptr);
        base = BaseOf(marker);
        expected = folder.u16string() + u"/" + ProbeFileNameUtf16;
    }

    void TearDown() override {
        if (library != nullptr) {
            dlclose(library);
        }
        fs::remove_all(folder);
    }

    fs::path folder;
    fs::path path;
    void* library = nullptr;
    HMODULE base = nullptr;
    std::u16string expected;
};

TEST_F(GetModuleFileNameWTest, GivesTheLoadedLibrarysPathInUtf16AndTellsTheObserver) {
    ASSERT_EQ(expected.front(), u'/');
    CallRecorder recorder;
    std::u16string buffer(MAX_PATH, u'#');
    const DWORD length = GetModuleFileNameW(base, buffer.data(), MAX_PATH);
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(buffer.substr(0, length), expected);
    EXPECT_EQ(buffer[length], u'\0');
    EXPECT_EQ(recorder.calls, (std::vector<CallRecorder::Call>{{"GetModuleFileNameW", path.string()}}));
}

TEST_F(GetModuleFileNameWTest, TruncatesLikeWindows) {
    const auto fullLength = static_cast<DWORD>(expected.size());
    for (DWORD size : {DWORD(1), DWORD(10), fullLength}) {
        std::u16string buffer(size + 1, u'#');
        EXPECT_EQ(GetModuleFileNameW(base, buffer.data(), size), size) << "size " << size;
        EXPECT_EQ(buffer.substr(0, size - 1), expected.substr(0, size - 1)) << "size " << size;
        EXPECT_EQ(buffer[size - 1], u'\0') << "size " << size;
        EXPECT_EQ(buffer[size], u'#') << "size " << size;
    }
    EXPECT_EQ(ModuleFileName(base, fullLength + 1), expected);

    char16_t untouched = u'#';
    EXPECT_EQ(GetModuleFileNameW(base, &untouched, 0), 0u);
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(GetModuleFileNameW(base, nullptr, MAX_PATH), 0u);
}

TEST_F(GetModuleFileNameWTest, UnloadedLibraryIsUnknown) {
    ASSERT_EQ(dlclose(library), 0);
    library = nullptr;
    CallRecorder recorder;
    char16_t buffer[MAX_PATH] = {u'#'};
    EXPECT_EQ(GetModuleFileNameW(base, buffer, MAX_PATH), 0u);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(recorder.calls, (std::vector<CallRecorder::Call>{{"GetModuleFileNameW", ""}}));
}

TEST(GetModuleFileNameW, AddressThatIsNoModuleBaseIsUnknown) {
    int local = 0;
    char16_t buffer[MAX_PATH] = {u'#'};
    EXPECT_EQ(GetModuleFileNameW(&local, buffer, MAX_PATH), 0u);
    // An address inside a library is not its base.
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(&GetModuleFileNameW), buffer, MAX_PATH), 0u);
    EXPECT_EQ(buffer[0], u'#');
}

TEST(GetModuleFileNameW, NullModuleIsTheProgram) {
    const std::u16string program = ModuleFileName(nullptr);
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.front(), u'/');
    EXPECT_TRUE(program.ends_with(u"/Win32Tests")) << fs::path(program).string();
    EXPECT_EQ(ModuleFileName(BaseOf(reinterpret_cast<const void*>(&BaseOf))), program);
}

TEST(GetModuleFileNameW, LinkedLibraryIsFoundByItsBase) {
    const std::u16string library = ModuleFileName(BaseOf(reinterpret_cast<const void*>(&GetModuleFileNameW)));
    EXPECT_TRUE(library.ends_with(u"/libWin32.so")) << fs::path(library).string();
}

} // namespace
