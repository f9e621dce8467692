#include "TestResources.hpp"

#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace DGTest {

namespace {

// Loads the module before the first test and unloads it after the last, while RS is still alive.
class TestModule : public testing::Environment {
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
        library.reset();
        resModule = InvalidResModule;
    }

    GSResModule ResModule() const {
        if (resModule == InvalidResModule)
            throw std::runtime_error("the test resource module is not available: " + error);
        return resModule;
    }

private:
    GSResModule Register() {
        library = std::make_unique<HostTest::LoadedLibrary>(HostTest::BuiltFile(DG_TEST_MODULE_FILE));
        const GSResModule registered = RSInitModuleImageCache(library->Instance());
        if (registered == InvalidResModule)
            throw std::runtime_error(std::string(DG_TEST_MODULE_FILE) + " has no readable resources");
        return registered;
    }

    std::unique_ptr<HostTest::LoadedLibrary> library;
    GSResModule resModule = InvalidResModule;
    std::string error = "not loaded yet";
};

TestModule* const module = static_cast<TestModule*>(testing::AddGlobalTestEnvironment(new TestModule));

} // namespace

std::string Numbered(std::string_view text, short id) {
    std::string line;
    for (char c : text)
        line += c == '#' ? std::to_string(id) : std::string(1, c);
    return line;
}

GSResModule TestResModule() {
    return module->ResModule();
}

} // namespace DGTest
