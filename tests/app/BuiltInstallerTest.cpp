// The installer stp build made, as Windows reads it: every setting of the product folder
// through LoadStringW, the pictures and the package through FindResourceW, the icons and
// the header bitmap through LoadImageW.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>

#include "datatable/Text.h"
#include "product/ProductTable.h"
#include "tests/support/BinDir.h"

namespace stp {
namespace {

using test::BinDir;

std::string ReadAll(const std::string& unixPath) {
    std::ifstream in("Z:" + unixPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string kProduct = std::string(STP_PRODUCT_DIR) + "/";

// product.ini read plainly here, as the expectation: NAME = value lines.
std::map<std::string, std::string> ProductSettings() {
    std::istringstream in(ReadAll(kProduct + "product.ini"));
    std::map<std::string, std::string> settings;
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t\r"));
            s.erase(s.find_last_not_of(" \t\r") + 1);
            return s;
        };
        settings[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
    return settings;
}

class BuiltInstaller : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW((BinDir() + L"Karvel-3.40-setup.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "Windows does not load the installer's resources";
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    std::string String(UINT id) const {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(module_, id, reinterpret_cast<LPWSTR>(&text), 0);
        return ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text), length > 0 ? length : 0));
    }

    std::string Data(const wchar_t* name, const wchar_t* type) const {
        HRSRC info = FindResourceW(module_, name, type);
        if (!info) return {};
        const void* data = LockResource(LoadResource(module_, info));
        return std::string(static_cast<const char*>(data), SizeofResource(module_, info));
    }

    HMODULE module_ = nullptr;
};

TEST_F(BuiltInstaller, StringsSayWhatTheProductFolderSays) {
    const auto settings = ProductSettings();
    // A setting beyond the specified ones is carried only when the product gives it.
    for (const SettingRow& setting : kSettings) {
        if (!setting.StringId) continue;
        const auto given = settings.find(setting.Key);
        EXPECT_EQ(String(setting.StringId),
                  given == settings.end() && setting.Extension ? "" : settings.at(setting.Key))
            << setting.Key;
    }
}

TEST_F(BuiltInstaller, PicturesIconsAndThePackageAreWhereTheWizardLooks) {
    EXPECT_EQ(Data(L"ImageLeft0", MAKEINTRESOURCEW(10)), ReadAll(kProduct + "art/ImageLeft0.jpg"));
    EXPECT_EQ(Data(L"ImageLeft2", MAKEINTRESOURCEW(10)), ReadAll(kProduct + "art/ImageLeft2.jpg"));
    const std::string package =
        Data(reinterpret_cast<const wchar_t*>(kPackageResource), reinterpret_cast<const wchar_t*>(kStpResourceType));
    ASSERT_GT(package.size(), 3u);
    EXPECT_EQ(package.substr(package.size() - 3), "\x0A\x14\x02");

    HANDLE bitmap = LoadImageW(module_, L"ImageIcon", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, 32);
    DeleteObject(bitmap);

    // Each group's entries lead to the images of its own icon file, in their order.
    const auto le = [](const std::string& b, std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
        return v;
    };
    for (const auto& [group, file] : {std::pair{L"AppIcon", "AppIcon.ico"}, std::pair{L"MAINICON", "MainIcon.ico"}}) {
        const std::string ico = ReadAll(kProduct + "art/" + file);
        const std::string directory = Data(group, MAKEINTRESOURCEW(14));
        ASSERT_GE(directory.size(), 6u) << file;
        ASSERT_EQ(le(directory, 4, 2), le(ico, 4, 2)) << file;
        for (std::uint32_t i = 0; i < le(ico, 4, 2); ++i) {
            const std::uint32_t id = le(directory, 6 + 14 * i + 12, 2);
            const std::string image = ico.substr(le(ico, 6 + 16 * i + 12, 4), le(ico, 6 + 16 * i + 8, 4));
            EXPECT_EQ(Data(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)), image) << file << " image " << i;
        }
        for (int size : {16, 32}) {
            HANDLE icon = LoadImageW(module_, group, IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
            EXPECT_NE(icon, nullptr) << size;
            if (icon) DestroyIcon(static_cast<HICON>(icon));
        }
    }
    const std::string manifest = Data(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find("requireAdministrator"), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Karvel.Setup\""), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, System</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

}  // namespace
}  // namespace stp
