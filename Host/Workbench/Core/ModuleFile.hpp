#pragma once

// The add-on's module file loaded into the process, with its two exports found by name.

#include "ACAPI/APIdefs.hpp"
#include "RSHost.hpp"

#include <stdexcept>
#include <string>

namespace Workbench {

class ModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ModuleFile {
public:
    // Loads the file (its attach runs now) and finds both exports; throws ModuleError naming the
    // problem, with the file unloaded again.
    explicit ModuleFile(const std::string& path);
    ~ModuleFile();
    ModuleFile(const ModuleFile&) = delete;
    ModuleFile& operator=(const ModuleFile&) = delete;

    const std::string& Path() const { return path; }
    // The system loader's handle; null once closed.
    void* Handle() const { return handle; }
    GetExportedFuncAddrsProc* GetExportedFuncAddrs() const { return getExportedFuncAddrs; }
    SetImportedFuncAddrsProc* SetImportedFuncAddrs() const { return setImportedFuncAddrs; }

    // The module's resources, copied out so that they outlive the module; throws
    // RS::Host::ResourceError naming what is wrong.
    RS::Host::ResourceFile Resources() const;

    // Unloads the file (its detach runs now, unless something else keeps it loaded). True when the
    // file has really left the process.
    bool Close();

private:
    std::string path;
    void* handle = nullptr;
    GetExportedFuncAddrsProc* getExportedFuncAddrs = nullptr;
    SetImportedFuncAddrsProc* setImportedFuncAddrs = nullptr;
};

} // namespace Workbench
