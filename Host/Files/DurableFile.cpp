#include "DurableFile.hpp"
#include "FileDescriptor.hpp"

#include <atomic>
#include <string>
#include <string_view>

namespace HostFiles {

namespace {

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// What failed, with the system's reason.
std::string Because(std::string_view step, const std::filesystem::path& path, const std::error_code& reason,
                    std::string_view rest = "") {
    return std::string(step) + " " + Quoted(path) + std::string(rest) + ": " + reason.message();
}

FileResult CannotSave(const std::filesystem::path& target, const std::string& reason) {
    return {"cannot save " + Quoted(target) + ": " + reason};
}

// Creates the temporary file under a name no other writer in this or another process picks.
std::error_code CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary,
                                int& descriptor) {
    static std::atomic<unsigned> counter{0};
    for (;;) {
        temporary = target;
        temporary.replace_filename("." + target.filename().string() + "." +
                                   std::to_string(FileSystem::ProcessId()) + "." + std::to_string(counter++) +
                                   ".partial");
        const std::error_code error = FileSystem::CreateNew(temporary, descriptor);
        if (error != std::errc::file_exists)
            return error;
    }
}

// Puts what `fill` writes to the descriptor in place of `target`; `fill` returns an error text or "".
template <class Fill>
FileResult ReplaceDurably(const std::filesystem::path& target, Durability durability, Fill fill) {
    const bool synced = durability == Durability::Synced;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::filesystem::path temporary;
    int descriptor = -1;
    if (const std::error_code error = CreateTemporary(target, temporary, descriptor))
        return CannotSave(target, Because("cannot create a file in", folder, error));
    Descriptor file(descriptor);

    std::string problem = fill(file.Get(), temporary);
    if (problem.empty() && synced)
        if (const std::error_code error = FileSystem::Sync(file.Get()))
            problem = Because("cannot sync", temporary, error);
    if (const std::error_code error = file.Close(); error && problem.empty())
        problem = Because("cannot close", temporary, error);
    if (problem.empty())
        if (const std::error_code error = FileSystem::Rename(temporary, target))
            problem = Because("cannot rename", temporary, error, " to it");
    if (!problem.empty()) {
        FileSystem::Remove(temporary);
        return CannotSave(target, problem);
    }

    if (!synced)
        return {};
    // The rename itself lasts only once the folder is synced.
    if (const std::error_code error = FileSystem::SyncFolder(folder))
        return CannotSave(target, Because("cannot sync the folder", folder, error));
    return {};
}

} // namespace

FileResult WriteFileDurably(const std::filesystem::path& target, std::span<const unsigned char> bytes,
                            Durability durability) {
    return ReplaceDurably(target, durability, [&](int fd, const std::filesystem::path& temporary) {
        const std::error_code error = FileSystem::WriteAll(fd, bytes.data(), bytes.size());
        return error ? Because("cannot write", temporary, error) : std::string();
    });
}

FileResult CopyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target,
                           Durability durability) {
    int descriptor = -1;
    if (const std::error_code error = FileSystem::OpenToRead(source, descriptor))
        return CannotSave(target, Because("cannot open", source, error));
    const Descriptor input(descriptor);
    return ReplaceDurably(target, durability, [&](int fd, const std::filesystem::path& temporary) {
        unsigned char buffer[1 << 16];
        for (;;) {
            std::size_t got = 0;
            if (const std::error_code error = FileSystem::ReadSome(input.Get(), buffer, sizeof buffer, got))
                return Because("cannot read", source, error);
            if (got == 0)
                return std::string();
            if (const std::error_code error = FileSystem::WriteAll(fd, buffer, got))
                return Because("cannot write", temporary, error);
        }
    });
}

} // namespace HostFiles
