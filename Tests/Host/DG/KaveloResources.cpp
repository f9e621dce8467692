#include "KaveloResources.hpp"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace DGTest {

namespace {

// Loads the module before the first test and unloads it after the last, while RS is still
// alive: the module's detach releases its own registration with RS.
class KaveloModule : public testing::Environment {
public:
    void SetUp() override {
        try {
            resModule = Register();
        } catch (const std::runtime_error& failure) {
            error = failure.what();
        }
    }

    void TearDown() override {
        if (resModule != InvalidResModule)
            RSRemoveModuleImageCache(resModule);
        if (handle != nullptr)
            dlclose(handle);
        resModule = InvalidResModule;
        handle = nullptr;
    }

    GSResModule ResModule() const {
        if (resModule == InvalidResModule)
            throw std::runtime_error("KAVELO.apx is not available: " + error);
        return resModule;
    }

private:
    GSResModule Register() {
        const char* binDir = std::getenv("KAVELO_BIN_DIR");
        if (binDir == nullptr)
            throw std::runtime_error("KAVELO_BIN_DIR is not set");
        const std::string path = std::string(binDir) + "/KAVELO.apx";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            throw std::runtime_error("cannot load " + path + ": " + dlerror());
        void* exported = dlsym(handle, "GetExportedFuncAddrs");
        Dl_info info{};
        if (exported == nullptr || dladdr(exported, &info) == 0)
            throw std::runtime_error(path + " has no GetExportedFuncAddrs");
        const GSResModule registered = RSInitModuleImageCache(info.dli_fbase);
        if (registered == InvalidResModule)
            throw std::runtime_error(path + " has no readable resources");
        return registered;
    }

    void* handle = nullptr;
    GSResModule resModule = InvalidResModule;
    std::string error = "not loaded yet";
};

KaveloModule* const module = static_cast<KaveloModule*>(testing::AddGlobalTestEnvironment(new KaveloModule));

} // namespace

GSResModule KaveloResModule() {
    return module->ResModule();
}

} // namespace DGTest
