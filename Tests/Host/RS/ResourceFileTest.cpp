#include "RSHost.hpp"
#include "ResourceContainer.hpp"
#include "TestImages.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace RSTest;
using RS::Host::ResourceError;
using RS::Host::ResourceFile;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = ::testing::TempDir() + "RSTest_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

ElfImage ModuleWith(const Bytes& container) {
    return BuildElf({{".text", Text("code")}, {RS::Section::Name, container}});
}

// Index of the resource section in ModuleWith's section table.
constexpr std::size_t ResourceSectionIndex = 2;

Bytes SampleContainer() {
    return ContainerBuilder()
        .Add(Code("STRS"), 32000, StringList({"KAVELO", "Export"}))
        .Add(Code("GSDG"), 32000, Text("dialog"))
        .Add(Code("STRS"), 32000, StringList({"Bonjour"}), 1036)
        .AddNamed(Code("GICN"), "I32101&96", Text("png"))
        .Build();
}

std::string Str(std::span<const std::byte> data) {
    std::string text;
    std::transform(data.begin(), data.end(), std::back_inserter(text), [](std::byte b) { return char(b); });
    return text;
}

} // namespace

TEST(ResourceFile, ReadsEveryEntryOfAWellFormedSection) {
    const ResourceFile file = ResourceFile::Load(WriteFile("good", ModuleWith(SampleContainer()).bytes));

    ASSERT_EQ(file.Entries().size(), 4u);
    EXPECT_EQ(file.Entries()[0].type, RS::Host::FourCC("STRS"));
    EXPECT_EQ(file.Entries()[0].id, 32000);
    EXPECT_EQ(file.Entries()[0].language, 1033u);
    EXPECT_EQ(file.Entries()[0].name, "");
    EXPECT_EQ(file.Entries()[2].language, 1036u);
    EXPECT_EQ(file.Entries()[3].name, "I32101&96");
    EXPECT_EQ(file.Entries()[3].id, 0);
}

TEST(ResourceFile, FindsByTypeIdAndLanguage) {
    const ResourceFile file = ResourceFile::Load(WriteFile("find", ModuleWith(SampleContainer()).bytes));

    const auto strings = file.Find(RS::Host::FourCC("STRS"), 32000);
    ASSERT_TRUE(strings);
    EXPECT_EQ(Str(*strings), Str(StringList({"KAVELO", "Export"})));
    EXPECT_EQ(Str(*file.Find(RS::Host::FourCC("GSDG"), 32000)), "dialog");
    EXPECT_EQ(Str(*file.Find(RS::Host::FourCC("STRS"), 32000, 1036)), Str(StringList({"Bonjour"})));

    EXPECT_FALSE(file.Find(RS::Host::FourCC("STRS"), 32001));
    EXPECT_FALSE(file.Find(RS::Host::FourCC("DLGH"), 32000));
    EXPECT_FALSE(file.Find(RS::Host::FourCC("GSDG"), 32000, 1036));
    // A named resource is not found by number, nor a numbered one by an empty name.
    EXPECT_FALSE(file.Find(RS::Host::FourCC("GICN"), 0));
    EXPECT_FALSE(file.FindNamed(RS::Host::FourCC("STRS"), ""));
}

TEST(ResourceFile, FindsNamedResources) {
    const ResourceFile file = ResourceFile::Load(WriteFile("named", ModuleWith(SampleContainer()).bytes));

    EXPECT_EQ(Str(*file.FindNamed(RS::Host::FourCC("GICN"), "I32101&96")), "png");
    EXPECT_FALSE(file.FindNamed(RS::Host::FourCC("GICN"), "I32101&192"));
    EXPECT_FALSE(file.FindNamed(RS::Host::FourCC("GICN"), "I32101&9"));
    EXPECT_FALSE(file.FindNamed(RS::Host::FourCC("STRS"), "I32101&96"));
    EXPECT_FALSE(file.FindNamed(RS::Host::FourCC("GICN"), "I32101&96", 1036));
}

TEST(ResourceFile, StaysValidAfterCopyAndMove) {
    ResourceFile original = ResourceFile::Load(WriteFile("copy", ModuleWith(SampleContainer()).bytes));
    const ResourceFile copy = original;
    const ResourceFile moved = std::move(original);

    EXPECT_EQ(Str(*copy.FindNamed(RS::Host::FourCC("GICN"), "I32101&96")), "png");
    EXPECT_EQ(Str(*moved.Find(RS::Host::FourCC("GSDG"), 32000)), "dialog");
}

TEST(ResourceFile, ReadsExtendedSectionNumbering) {
    // Files with many sections keep the count in section 0's size and the name table index in its link.
    ElfImage image = ModuleWith(SampleContainer());
    const std::size_t count = 4;
    const std::size_t nameTable = 3;
    PokeLE(image.bytes, ElfImage::SectionCountField, 0, 2);
    PokeLE(image.bytes, ElfImage::NameTableIndexField, 0xFFFF, 2);
    PokeLE(image.bytes, image.SectionField(0, ElfImage::SizeField), count, 8);
    PokeLE(image.bytes, image.SectionField(0, ElfImage::LinkField), nameTable, 4);

    EXPECT_EQ(ResourceFile::Load(WriteFile("extended", image.bytes)).Entries().size(), 4u);
}

TEST(ResourceFile, AcceptsAnEmptyDirectory) {
    EXPECT_TRUE(ResourceFile::Load(WriteFile("empty", ModuleWith(ContainerBuilder().Build()).bytes))
                    .Entries()
                    .empty());
}

// ---- Files that must be refused, each with a message that names the file and the fault ----

struct BadFile {
    std::string name;
    std::function<Bytes()> make;
    std::string expected;
};

void PrintTo(const BadFile& file, std::ostream* out) {
    *out << file.name;
}

class ResourceFileRejects : public ::testing::TestWithParam<BadFile> {};

TEST_P(ResourceFileRejects, WithAClearMessage) {
    const std::string path = WriteFile(GetParam().name, GetParam().make());
    try {
        ResourceFile::Load(path);
        FAIL() << "loaded a bad file";
    } catch (const ResourceError& error) {
        EXPECT_THAT(error.what(), StartsWith(path + ": "));
        EXPECT_THAT(error.what(), HasSubstr(GetParam().expected));
    }
}

namespace {

Bytes Good() {
    return ModuleWith(SampleContainer()).bytes;
}

// A well-formed module with one field changed.
std::function<Bytes()> Bent(std::function<std::size_t(const ElfImage&)> field, std::uint64_t value, int width,
                            Bytes container = SampleContainer()) {
    return [=] {
        ElfImage image = ModuleWith(container);
        PokeLE(image.bytes, field(image), value, width);
        return image.bytes;
    };
}

std::function<std::size_t(const ElfImage&)> Header(std::size_t field) {
    return [field](const ElfImage&) { return field; };
}

std::function<std::size_t(const ElfImage&)> Section(std::size_t index, std::size_t field) {
    return [index, field](const ElfImage& image) { return image.SectionField(index, field); };
}

// A module whose resource section holds `container` with one of its bytes ranges rewritten.
std::function<Bytes()> BentContainer(std::size_t offset, std::uint64_t value, int width,
                                     Bytes container = SampleContainer()) {
    return [=]() mutable {
        PokeLE(container, offset, value, width);
        return ModuleWith(container).bytes;
    };
}

Bytes UnterminatedName() {
    Bytes container = ContainerBuilder().AddNamed(Code("GICN"), "I1&96", {}).Build();
    container.pop_back(); // the name's terminator, the section's last byte
    return ModuleWith(container).bytes;
}

const BadFile BadFiles[] = {
    {"empty", [] { return Bytes{}; }, "not an ELF file"},
    {"text", [] { return Text("MZ this is no ELF file at all, but long enough to hold a header........"); },
     "not an ELF file"},
    {"truncated",
     [] {
         Bytes bytes = Good();
         bytes.resize(40);
         return bytes;
     },
     "truncated ELF header"},
    {"class32", Bent(Header(ElfImage::ClassField), 1, 1), "not a 64-bit ELF file"},
    {"bigEndian", Bent(Header(ElfImage::DataField), 2, 1), "not a little-endian ELF file"},
    {"noSectionTable", Bent(Header(ElfImage::SectionTableField), 0, 8), "has no section headers"},
    {"tableOutside", Bent(Header(ElfImage::SectionTableField), 1u << 30, 8),
     "section header table lies outside"},
    {"tableWraps", Bent(Header(ElfImage::SectionTableField), ~std::uint64_t{0} - 8, 8),
     "section header table lies outside"},
    {"smallHeaders", Bent(Header(ElfImage::SectionHeaderSizeField), 32, 2), "too small"},
    {"tooManySections", Bent(Header(ElfImage::SectionCountField), 0xFFF0, 2),
     "runs past the end of the file"},
    {"tableCut",
     [] {
         Bytes bytes = Good();
         bytes.resize(bytes.size() - 10);
         return bytes;
     },
     "runs past the end of the file"},
    {"nameTableIndex", Bent(Header(ElfImage::NameTableIndexField), 9, 2), "no valid section name table"},
    {"nameTableOutside", Bent(Section(3, ElfImage::OffsetField), 1u << 30, 8),
     "the section name table (offset 1073741824"},
    {"noResourceSection",
     [] {
         return BuildElf({{".text", Text("code")}}).bytes;
     },
     std::string("no section ") + RS::Section::Name},
    {"nameOutsideTable", Bent(Section(ResourceSectionIndex, ElfImage::NameField), 0xFFFFFF, 4),
     std::string("no section ") + RS::Section::Name},
    {"resourceNoBits", Bent(Section(ResourceSectionIndex, ElfImage::TypeField), 8, 4),
     std::string("section ") + RS::Section::Name + " has no contents in the file"},
    {"resourceOutside", Bent(Section(ResourceSectionIndex, ElfImage::OffsetField), 1u << 30, 8),
     std::string("section ") + RS::Section::Name + " (offset 1073741824"},
    {"resourceSizeWraps", Bent(Section(ResourceSectionIndex, ElfImage::SizeField), ~std::uint64_t{0}, 8),
     "lies outside the file"},
    {"containerShort", [] { return ModuleWith(Text("KVRS")).bytes; }, "shorter than its 16-byte header"},
    {"containerMagic", BentContainer(0, 0x53525643, 4), "does not start with \"KVRS\""},
    {"containerVersion", BentContainer(4, 2, 4), "version 2 is not supported"},
    {"containerReserved", BentContainer(12, 1, 4), "reserved header word is not zero"},
    {"directoryTooLong", BentContainer(8, 1000, 4),
     "directory of 1000 entries runs past the end of the section"},
    {"dataOutside",
     BentContainer(ContainerBuilder::EntryField(1, ContainerBuilder::DataOffsetField), 5000, 4),
     "resource entry 1 ('GSDG' 32000): its data (offset 5000, 6 bytes) lies outside the section"},
    {"dataSizeWraps",
     BentContainer(ContainerBuilder::EntryField(0, ContainerBuilder::DataSizeField), 0xFFFFFFFF, 4),
     "resource entry 0 ('STRS' 32000): its data"},
    {"nameOutside",
     BentContainer(ContainerBuilder::EntryField(3, ContainerBuilder::NameOffsetField), 5000, 4),
     "resource entry 3 ('GICN' 0): its name lies outside the section"},
    {"nameUnterminated", UnterminatedName, "its name is not terminated inside the section"},
};

} // namespace

INSTANTIATE_TEST_SUITE_P(BadFiles, ResourceFileRejects, ::testing::ValuesIn(BadFiles),
                         [](const auto& test) { return test.param.name; });

TEST(ResourceFile, RefusesAMissingFile) {
    const std::string path = ::testing::TempDir() + "RSTest_does_not_exist";
    std::filesystem::remove(path);
    try {
        ResourceFile::Load(path);
        FAIL() << "loaded a missing file";
    } catch (const ResourceError& error) {
        EXPECT_EQ(std::string(error.what()), path + ": cannot open the file");
    }
}

TEST(ResourceFile, RefusesADirectory) {
    const std::string path = ::testing::TempDir() + "RSTest_folder";
    std::filesystem::create_directories(path);
    try {
        ResourceFile::Load(path);
        FAIL() << "loaded a folder";
    } catch (const ResourceError& error) {
        EXPECT_EQ(std::string(error.what()), path + ": not a regular file");
    }
}
