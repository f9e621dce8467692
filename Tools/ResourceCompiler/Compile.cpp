#include "Compile.hpp"

#include "Encode.hpp"
#include "Png.hpp"

#include <fstream>
#include <iterator>

namespace ResourceCompiler {

namespace {

Bytes ReadIconFile(const std::filesystem::path& path, const Location& where) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw CompileError(where, "cannot read icon file " + path.string());
    Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw CompileError(where, "cannot read icon file " + path.string());
    return bytes;
}

CompiledResource IconPicture(const Icon& icon, const std::filesystem::path& iconDir, unsigned dpi) {
    const unsigned pixels = icon.size * dpi / 96;
    const std::filesystem::path path = iconDir / (icon.baseName + "-" + std::to_string(pixels) + ".png");
    Bytes png = ReadIconFile(path, icon.where);
    PngSize size;
    try {
        size = ReadPngSize(png);
    } catch (const std::runtime_error& error) {
        throw CompileError(icon.where, path.string() + ": " + error.what());
    }
    if (size.width != pixels || size.height != pixels)
        throw CompileError(icon.where, path.string() + " is " + std::to_string(size.width) + "x" +
                                           std::to_string(size.height) + ", expected " +
                                           std::to_string(pixels) + "x" + std::to_string(pixels));
    return CompiledResource{FourCC("GICN"), 0, "I" + std::to_string(icon.id) + "&" + std::to_string(dpi),
                            std::move(png)};
}

} // namespace

std::vector<CompiledResource> Compile(const ResourceScript& script, const std::filesystem::path& iconDir) {
    std::vector<CompiledResource> resources;
    for (const StringList& list : script.stringLists)
        resources.push_back({FourCC("STRS"), list.id, {}, EncodeStringList(list)});
    for (const Dialog& dialog : script.dialogs)
        resources.push_back({FourCC("GSDG"), dialog.id, {}, EncodeDialog(dialog)});
    for (const DialogItemNames& names : script.itemNames)
        resources.push_back({FourCC("DLGH"), names.id, {}, EncodeItemNames(names)});
    for (const ModuleIdentity& identity : script.identities)
        resources.push_back({FourCC("MDID"), identity.id, {}, EncodeModuleIdentity(identity)});
    for (const Icon& icon : script.icons) {
        resources.push_back(IconPicture(icon, iconDir, 96));
        resources.push_back(IconPicture(icon, iconDir, 192));
    }
    return resources;
}

} // namespace ResourceCompiler
