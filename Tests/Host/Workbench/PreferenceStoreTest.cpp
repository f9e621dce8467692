// The preference store's file: its exact bytes, every way a file can be damaged, and a writer
// killed between writing and renaming.

#include "PreferenceStore.hpp"

#include "ChildProgram.hpp"
#include "HostFixture.hpp"
#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <random>

namespace {

using namespace Workbench;
namespace fs = std::filesystem;

const StoredPreferences Sample{1, {'l', 'i', 'n', 'k', 0, 0, 0x80, 0x51, 0x01, 0xFF}};

std::vector<UInt8> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

void WriteRaw(const fs::path& path, const std::vector<UInt8>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(WorkbenchPreferenceStore, Crc32IsTheIeeeChecksum) {
    EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32({}), 0u);
    EXPECT_EQ(Crc32(Bytes("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
}

TEST(WorkbenchPreferenceStore, TheFileIsMagicVersionsCountBytesAndChecksum) {
    const std::vector<UInt8> file = EncodeStore({-2, {0xAB, 0xCD}});
    const std::vector<UInt8> head = {'K', 'V',  'W',  'B',  'P',  'R', 'E', 'F', 1, 0,    0,
                                     0,   0xFE, 0xFF, 0xFF, 0xFF, 2,   0,   0,   0, 0xAB, 0xCD};
    ASSERT_EQ(file.size(), 26u);
    EXPECT_EQ(std::vector<UInt8>(file.begin(), file.begin() + 22), head);
    const UInt32 crc = Crc32(head);
    EXPECT_EQ(std::vector<UInt8>(file.begin() + 22, file.end()),
              (std::vector<UInt8>{UInt8(crc), UInt8(crc >> 8), UInt8(crc >> 16), UInt8(crc >> 24)}));
}

TEST(WorkbenchPreferenceStore, RecordsDecodeAsTheyWereEncoded) {
    for (const StoredPreferences& record :
         {Sample, StoredPreferences{0, {}}, StoredPreferences{-7, {0}},
          StoredPreferences{INT32_MIN, std::vector<UInt8>(MaxPreferencesBytes, 0x5A)}}) {
        const StoreContent content = DecodeStore(EncodeStore(record));
        EXPECT_EQ(content.damage, "");
        EXPECT_EQ(content.record, record);
    }
}

TEST(WorkbenchPreferenceStore, EveryFlippedByteAndEveryTruncationIsDamage) {
    const std::vector<UInt8> good = EncodeStore(Sample);
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (const UInt8 mask : {UInt8(0x01), UInt8(0x80), UInt8(0xFF)}) {
            std::vector<UInt8> bad = good;
            bad[at] ^= mask;
            const StoreContent content = DecodeStore(bad);
            EXPECT_FALSE(content.record) << "byte " << at << " mask " << int(mask);
            EXPECT_TRUE(content.Damaged());
        }
    }
    for (std::size_t length = 0; length < good.size(); ++length) {
        const StoreContent content = DecodeStore(std::span(good).first(length));
        EXPECT_FALSE(content.record) << "cut to " << length;
        EXPECT_TRUE(content.Damaged());
    }
    std::vector<UInt8> longer = good;
    longer.push_back(0);
    EXPECT_NE(DecodeStore(longer).damage.find("needs " + std::to_string(good.size())), std::string::npos);
}

TEST(WorkbenchPreferenceStore, GarbageAndOtherFormatsAreDamageWithTheirReason) {
    std::mt19937 random(20240501);
    for (std::size_t length : {1u, 23u, 24u, 25u, 72u, 4096u}) {
        std::vector<UInt8> garbage(length);
        for (UInt8& byte : garbage)
            byte = static_cast<UInt8>(random());
        EXPECT_TRUE(DecodeStore(garbage).Damaged()) << length;
        std::copy_n("KVWBPREF", std::min<std::size_t>(8, length), garbage.begin());
        EXPECT_TRUE(DecodeStore(garbage).Damaged()) << length << " with the magic";
    }
    EXPECT_NE(DecodeStore({}).damage.find("0 bytes long, shorter than any record"), std::string::npos);
    EXPECT_NE(DecodeStore(std::vector<UInt8>(24, 'x')).damage.find("does not start with"), std::string::npos);

    // A later format, checksum and all, is not read as this one.
    std::vector<UInt8> later = EncodeStore(Sample);
    later[8] = 2;
    const UInt32 crc = Crc32(std::span(later).first(later.size() - 4));
    for (std::size_t i = 0; i < 4; ++i)
        later[later.size() - 4 + i] = static_cast<UInt8>(crc >> (8 * i));
    EXPECT_NE(DecodeStore(later).damage.find("format version 2"), std::string::npos);

    std::vector<UInt8> huge = EncodeStore(Sample);
    huge[16] = huge[17] = huge[18] = huge[19] = 0xFF;
    EXPECT_NE(DecodeStore(huge).damage.find("more than any record holds"), std::string::npos);
}

struct WorkbenchPreferenceStoreFile : testing::Test {
    const fs::path folder = WorkbenchTest::FreshFolder("store") / "nested" / "preferences";
    const PreferenceStore store{folder, "mdid-4B41564C-00000001"};

    std::vector<fs::path> FolderEntries() const {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(folder))
            entries.push_back(entry.path().filename());
        return entries;
    }
};

TEST_F(WorkbenchPreferenceStoreFile, WritesReadsAndRemovesInItsOwnFile) {
    EXPECT_EQ(store.File(), folder / "mdid-4B41564C-00000001.prefs");
    StoreContent content = store.Read();
    EXPECT_FALSE(content.record);
    EXPECT_FALSE(content.Damaged()) << "no file is nothing stored, not damage";

    ASSERT_EQ(store.Write(Sample), "");
    EXPECT_EQ(store.Read().record, Sample);
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"mdid-4B41564C-00000001.prefs"})
        << "a temporary file is left";
    const StoredPreferences replacement{2, {1, 2, 3}};
    ASSERT_EQ(store.Write(replacement), "");
    EXPECT_EQ(store.Read().record, replacement);

    EXPECT_EQ(store.Remove(), "");
    EXPECT_FALSE(fs::exists(store.File()));
    EXPECT_FALSE(store.Read().Damaged());
    EXPECT_EQ(store.Remove(), "");
}

TEST_F(WorkbenchPreferenceStoreFile, DamagedFilesReadAsNothingStored) {
    ASSERT_EQ(store.Write(Sample), "");
    std::vector<UInt8> flipped = EncodeStore(Sample);
    flipped[21] ^= 0x10;
    const std::vector<std::pair<std::string, std::vector<UInt8>>> files = {
        {"empty", {}},
        {"flipped", flipped},
        {"truncated", std::vector<UInt8>(flipped.begin(), flipped.begin() + 30)},
        {"garbage", Bytes("\x89PNG\r\n\x1a\n not a store at all, just some bytes")},
        {"too long", std::vector<UInt8>(MaxPreferencesBytes + 25, 0)},
    };
    for (const auto& [name, bytes] : files) {
        WriteRaw(store.File(), bytes);
        const StoreContent content = store.Read();
        EXPECT_FALSE(content.record) << name;
        EXPECT_TRUE(content.Damaged()) << name;
    }
    EXPECT_NE(store.Read().damage.find("more than any record needs"), std::string::npos);

    fs::remove(store.File());
    fs::create_directory(store.File());
    EXPECT_EQ(store.Read().damage, "it is not a regular file");
    EXPECT_NE(store.Write(Sample), "") << "a folder in the way is no place for the record";
}

TEST_F(WorkbenchPreferenceStoreFile, AFailedWriteLeavesTheOldRecord) {
    ASSERT_EQ(store.Write(Sample), "");
    const std::string problem = store.Write({1, std::vector<UInt8>(MaxPreferencesBytes + 1, 0)});
    EXPECT_NE(problem.find("more than the store keeps"), std::string::npos);
    EXPECT_EQ(store.Read().record, Sample);

    const PreferenceStore blocked(store.File() / "below-a-file", "key");
    EXPECT_NE(blocked.Write(Sample).find("cannot make the folder"), std::string::npos);
}

// The record's bytes as the stalling writer takes them.
std::string Hex(const std::vector<UInt8>& bytes) {
    std::string hex;
    for (const UInt8 byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        hex += digits;
    }
    return hex;
}

TEST_F(WorkbenchPreferenceStoreFile, AWriterKilledBeforeTheRenameLeavesTheOldRecordIntact) {
    ASSERT_EQ(store.Write(Sample), "");
    const StoredPreferences replacement{1, std::vector<UInt8>(48, 0x42)};

    Testing::ChildProgram writer(
        HostTest::BuiltFile(KAVELO_STALLING_STORE_WRITER),
        {folder.string(), store.Key(), std::to_string(replacement.version), Hex(replacement.bytes)});
    const std::optional<std::string> temporary = writer.ReadLine();
    ASSERT_TRUE(temporary) << "the writer did not reach the rename";
    // It stands between writing and renaming: the new record is complete in the temporary file.
    EXPECT_EQ(fs::path(*temporary).parent_path(), folder);
    std::ifstream partial(*temporary, std::ios::binary);
    const std::vector<UInt8> written((std::istreambuf_iterator<char>(partial)), {});
    partial.close();
    EXPECT_EQ(DecodeStore(written).record, replacement);

    ASSERT_TRUE(writer.Kill()) << "the writer ended by itself";

    const StoreContent content = store.Read();
    EXPECT_FALSE(content.Damaged()) << content.damage;
    EXPECT_EQ(content.record, Sample);

    // The leftover temporary file is in nobody's way.
    ASSERT_EQ(store.Write(replacement), "");
    EXPECT_EQ(store.Read().record, replacement);
}

} // namespace
