// Writes the seed images of fuzz/corpus/PeResources into the folder given: small PE32 and
// PE32+ images without resources, with a hand-made directory, and with written ones.
//   pe_make_seeds fuzz/corpus/PeResources
#include <cstdio>
#include <fstream>
#include <string>

#include "PeImageFixture.h"
#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"

using namespace stp::pe;
using namespace stp::pe::test;

namespace {

std::vector<Resource> SomeResources() {
    std::vector<Resource> resources = StringTableResources({{1, u"Setup"}, {2, u"two\nlines"}, {17, u"next block"}});
    std::string ico = std::string("\0\0\1\0\1\0", 6) + std::string("\x10\x10\0\0\1\0\x20\0", 8);
    ico += std::string("\4\0\0\0\x16\0\0\0", 8) + "icon";
    for (Resource& r : IconGroupResources(ResourceId::Named(u"MainIcon"), ico, 1)) resources.push_back(r);
    resources.push_back({ResourceId::Named(u"StpFile"), ResourceId::Named(u"SetupPackage"), 0, "package"});
    resources.push_back({ResourceId::Number(rtManifest), ResourceId::Number(1), 0x409, "<assembly/>"});
    return resources;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pe_make_seeds FOLDER\n", stderr);
        return 2;
    }
    const ImageShape tiny = {
        .PlainSections = 1, .SizeOfHeaders = 0x200, .FileAlignment = 0x20, .SectionAlignment = 0x40};
    ImageShape handMade = tiny;
    handMade.Rsrc = RsrcAt::Last;
    ImageShape notLast = tiny;
    notLast.PlainSections = 2;
    notLast.Rsrc = RsrcAt::Middle;
    ImageShape pe32 = tiny;
    pe32.Pe32 = true;
    const std::pair<const char*, std::string> seeds[] = {
        {"seed-empty", MakeImage(tiny)},
        {"seed-handmade", MakeImage(handMade)},
        {"seed-not-last", MakeImage(notLast)},
        {"seed-written", WriteResources(MakeImage(tiny), SomeResources(), 0)},
        {"seed-pe32", WriteResources(MakeImage(pe32), SomeResources(), 0)},
    };
    for (const auto& [name, bytes] : seeds)
        std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return 0;
}
