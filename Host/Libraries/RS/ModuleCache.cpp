// The resource modules registered by loaded add-ons, keyed by the ids RSInitModuleImageCache
// hands out. Everything here runs on the host's user-interface thread, so nothing is locked.

#include "RSHost.hpp"

#include <iostream>
#include <map>

namespace {

struct ModuleCache {
    std::map<GSResModule, RS::Host::ResourceFile> modules;
    GSResModule nextId = 1;
    RS::Host::CallObserver observer;
};

// Never destroyed: a module still loaded when the process exits releases its resources from its
// detach, which runs after the static objects of this library are gone.
ModuleCache& Cache() {
    static ModuleCache* const cache = new ModuleCache;
    return *cache;
}

void Tell(std::string_view call, GSResModule resModule) {
    if (Cache().observer)
        Cache().observer(call, resModule);
}

GSResModule Register(void* moduleInstance) {
    try {
        RS::Host::ResourceFile file = RS::Host::ResourceFile::FromModule(moduleInstance);
        const GSResModule id = Cache().nextId++;
        Cache().modules.emplace(id, std::move(file));
        return id;
    } catch (const std::exception& error) {
        std::cerr << "RS: " << error.what() << '\n';
        return InvalidResModule;
    }
}

} // namespace

GSResModule RSInitModuleImageCache(void* moduleInstance) {
    const GSResModule id = Register(moduleInstance);
    Tell("RSInitModuleImageCache", id);
    return id;
}

void RSRemoveModuleImageCache(GSResModule resModule) {
    Cache().modules.erase(resModule);
    Tell("RSRemoveModuleImageCache", resModule);
}

namespace RS {

void ResModuleClosed(GSResModule resModule) {
    Tell("RS::ResModuleClosed", resModule);
}

} // namespace RS

bool RSGetIndString_ParamAdapter(GS::UniString* string, GSResID resID, Int32 index, GSResModule resModule) {
    const RS::Host::ResourceFile* file = RS::Host::FindModule(resModule);
    if (string == nullptr || index < 1 || file == nullptr)
        return false;
    const auto data = file->Find(RS::Host::FourCC("STRS"), resID);
    if (!data)
        return false;
    try {
        const std::vector<std::string> items = RS::Host::ParseStringList(*data);
        if (static_cast<std::size_t>(index) > items.size())
            return false;
        const std::string& item = items[static_cast<std::size_t>(index) - 1];
        *string = GS::UniString(item.data(), static_cast<USize>(item.size()), GS::CC_UTF8);
        return true;
    } catch (const std::exception& error) { // a malformed list, or no memory for the text
        std::cerr << "RS: string list " << resID << ": " << error.what() << '\n';
        return false;
    }
}

namespace RS::Host {

const ResourceFile* FindModule(GSResModule resModule) {
    const auto found = Cache().modules.find(resModule);
    return found == Cache().modules.end() ? nullptr : &found->second;
}

void SetCallObserver(CallObserver observer) {
    Cache().observer = std::move(observer);
}

} // namespace RS::Host
