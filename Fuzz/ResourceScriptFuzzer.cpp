// The resource compiler's lexer and parser on any source text: a script is compiled or refused with
// a CompileError, nothing else.

#include "Lexer.hpp"
#include "Parser.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    try {
        ResourceCompiler::Parse(ResourceCompiler::Tokenize(source, "fuzz.grc"));
    } catch (const ResourceCompiler::CompileError&) {
    }
    return 0;
}
