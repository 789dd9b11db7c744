// stp build in the tests: a copy of the demo product folder with a stand-in program, a
// small stub for both programs, and product.ini's settings read and changed line by line.
#pragma once

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pe/ResourceBuilders.h"
#include "pe/ResourceSection.h"
#include "tests/pe/PeImageFixture.h"
#include "tests/tools/StpProgram.h"

namespace stp::test {

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// A copy of the demo product folder with a stand-in program, and a small stub.
class StpBuild : public test::StpProgram {
public:
    void SetUp() override {
        StpProgram::SetUp();
        MakeProduct();
        WriteFile(File("stub.exe"), pe::test::MakeImage({}));
        SetEnvironment("SOURCE_DATE_EPOCH", nullptr);
    }

    // A fresh copy of the demo product folder with a stand-in program.
    void MakeProduct() {
        fs::remove_all(Product());
        fs::copy(fs::path(STP_SOURCE_DIR) / "examples" / "karvel", Product(), fs::copy_options::recursive);
        fs::remove_all(Product() / "src");
        WriteFile(Product() / "Karvel.exe", "MZ the program");
    }
    void TearDown() override {
        SetEnvironment("SOURCE_DATE_EPOCH", nullptr);
        StpProgram::TearDown();
    }

    fs::path Product() const { return File("product"); }
    fs::path Output() const { return File("installer") / "setup.exe"; }

    // stp build of the product into Output() with the stand-in stubs.
    std::vector<std::string> BuildArgs() const {
        return {"build",
                Product().string(),
                "-o",
                Output().string(),
                "--stub",
                File("stub.exe").string(),
                "--uninstaller-stub",
                File("stub.exe").string()};
    }

    Result Build(std::vector<std::string> extra = {}) {
        fs::create_directories(File("installer"));
        std::vector<std::string> args = BuildArgs();
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }

    std::map<std::uint16_t, std::u16string> Strings() const {
        return pe::ReadStringTable(pe::ReadResources(ReadFile(Output())));
    }

    // The value product.ini gives key.
    std::string ReadSetting(const std::string& key) const {
        std::istringstream in(ReadFile(Product() / "product.ini"));
        for (std::string l; std::getline(in, l);)
            if (l.rfind(key + " ", 0) == 0) {
                std::string value = l.substr(l.find('=') + 1);
                value.erase(0, value.find_first_not_of(' '));
                while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
                return value;
            }
        return {};
    }

    // Replaces the first line of product.ini that starts with key (or adds one).
    void SetSetting(const std::string& key, const std::string& line) {
        std::string ini = ReadFile(Product() / "product.ini");
        std::string out;
        std::istringstream in(ini);
        bool replaced = false;
        for (std::string l; std::getline(in, l);) {
            if (!replaced && l.rfind(key + " ", 0) == 0) {
                if (!line.empty()) out += line + "\n";
                replaced = true;
            } else {
                out += l + "\n";
            }
        }
        if (!replaced) out += line + "\n";
        WriteFile(Product() / "product.ini", out);
    }
};

}  // namespace stp::test
