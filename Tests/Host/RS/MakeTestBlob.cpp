// Writes the resource container that the test module carries: well-formed string lists, a
// malformed one, and one in another language block only.
//   RSMakeTestBlob OUTPUT

#include "TestImages.hpp"
#include "TestModuleResources.hpp"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    using namespace RSTest;
    if (argc != 2) {
        std::cerr << "usage: RSMakeTestBlob OUTPUT\n";
        return 2;
    }
    Bytes malformed = StringList({"ab"});
    PokeLE(malformed, 0, 10, 4); // counts more bytes than follow

    const Bytes blob = ContainerBuilder()
                           .Add(Code("STRS"), TestModule::Strings, StringList(TestModule::StringItems))
                           .Add(Code("STRS"), TestModule::Malformed, malformed)
                           .Add(Code("STRS"), TestModule::FrenchOnly, StringList({"Bonjour"}), 1036)
                           .AddNamed(Code("GICN"), "I1&96", Text("picture"))
                           .Build();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(blob.data()), static_cast<std::streamsize>(blob.size()));
    if (!out.flush()) {
        std::cerr << "RSMakeTestBlob: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
