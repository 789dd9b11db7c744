#include "tools/stp/InstallerResources.h"

#include <map>

#include "datatable/Text.h"
#include "pe/ResourceBuilders.h"
#include "pe/VersionInfo.h"

namespace stp::tool {

namespace {

constexpr const char* kManifestTemplate = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="@NAME@" version="1.0.0.0" processorArchitecture="amd64"/>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <!-- Drawn at each monitor's resolution; Windows versions before per-monitor
           awareness v2 draw it at the system's. -->
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, System</dpiAwareness>
    </windowsSettings>
  </application>
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">
    <application>
      <!-- Windows Vista, 7, 8, 8.1 and 10 -->
      <supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>
      <supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
      <supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
      <supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
      <supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
    </application>
  </compatibility>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
</assembly>
)";

// An assembly name may hold letters, digits, "." "-" and "_" only.
std::string AssemblyName(const std::u16string& exeName, const std::string& role) {
    std::string name;
    for (const char16_t c : exeName) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'.' || c == u'-' || c == u'_';
        name += plain ? static_cast<char>(c) : '_';
    }
    return name + "." + role;
}

}  // namespace

std::string ProgramManifest(const std::u16string& exeName, const std::string& role) {
    std::string text = kManifestTemplate;
    text.replace(text.find("@NAME@"), 6, AssemblyName(exeName, role));
    return text;
}

namespace {

// Every setting with a string id; one beyond what every installer carries only when the
// product gives it, so that without it the installer is exactly as before it existed.
void AddStrings(const ProductFolder& product, std::vector<pe::Resource>& resources) {
    std::map<std::uint16_t, std::u16string> strings;
    for (const SettingRow& setting : kSettings)
        if (setting.StringId != 0 && (!setting.Extension || product.IsGiven(setting)))
            strings[setting.StringId] = product.Value(setting.Key);
    if (product.Value("UninstallEntry") == u"full")
        strings[kEstimatedSizeString] = FromUtf8(std::to_string(product.EstimatedKB));
    for (pe::Resource& block : pe::StringTableResources(strings, kResourceLanguage))
        resources.push_back(std::move(block));
}

// The setting's value in the text set of the product's text mode (English for auto).
std::u16string InTextSet(const ProductFolder& product, Setting chinese, Setting english) {
    return product.Value(SettingOf(product.TextModeForResources() == 0 ? chinese : english).Key);
}

// What Explorer's Properties and inventory tools show of the installer or uninstaller:
// the product's name, publisher, version and copyright in its text set.
pe::Resource VersionResource(const ProductFolder& product, bool uninstaller) {
    const bool chinese = product.TextModeForResources() == 0;
    const std::u16string name = InTextSet(product, Setting::DisplayNameChinese, Setting::DisplayNameEnglish);
    const std::u16string version = product.Value("Version");
    const pe::VersionNumbers numbers = pe::ParseVersionNumbers(version);
    const std::u16string role =
        chinese ? (uninstaller ? u" 卸载程序" : u" 安装程序") : (uninstaller ? u" Uninstall" : u" Setup");
    pe::VersionInfo info{numbers, numbers, static_cast<std::uint16_t>(chinese ? 0x0804 : 0x0409), {}};
    info.Strings = {
        {u"CompanyName", InTextSet(product, Setting::PublisherChinese, Setting::PublisherEnglish)},
        {u"FileDescription", name + role},
        {u"FileVersion", version},
        {u"LegalCopyright", InTextSet(product, Setting::CopyrightAuthor, Setting::CopyrightMaker)},
        {u"ProductName", name},
        {u"ProductVersion", version},
    };
    return pe::VersionInfoResource(info);
}

}  // namespace

std::vector<pe::Resource> UninstallerResources(const ProductFolder& product, std::string fileList) {
    using pe::ResourceId;
    std::vector<pe::Resource> resources;
    resources.push_back({ResourceId::Number(pe::rtManifest), ResourceId::Number(1), kResourceLanguage,
                         ProgramManifest(product.Value("ExeName"), "Uninstall")});
    AddStrings(product, resources);
    resources.push_back(VersionResource(product, true));
    for (const ArtFile& art : kArtFiles) {
        if (!art.InUninstaller) continue;
        for (pe::Resource& r :
             pe::IconGroupResources(ResourceId::Named(art.ResourceName), product.Bytes(art), 1, kResourceLanguage))
            resources.push_back(std::move(r));
    }
    resources.push_back({ResourceId::Named(kStpResourceType), ResourceId::Named(kFileListResource), kResourceLanguage,
                         std::move(fileList)});
    return resources;
}

std::vector<pe::Resource> InstallerResources(const ProductFolder& product, std::string package) {
    using pe::Resource;
    using pe::ResourceId;
    std::vector<Resource> resources;
    resources.push_back({ResourceId::Number(pe::rtManifest), ResourceId::Number(1), kResourceLanguage,
                         ProgramManifest(product.Value("ExeName"), "Setup")});
    AddStrings(product, resources);
    resources.push_back(VersionResource(product, false));
    for (const SettingRow& setting : kSettings)
        if (setting.Resource && product.FileBytes.count(setting.Key))
            resources.push_back({ResourceId::Named(kStpTextType), ResourceId::Named(setting.Resource),
                                 kResourceLanguage, product.FileBytes.at(setting.Key)});

    // Icons are numbered from 1 across both groups, as a resource compiler numbers them.
    std::uint16_t nextIcon = 1;
    for (const ArtFile& art : kArtFiles) {
        if (!product.Has(art)) continue;
        const std::string& bytes = product.Bytes(art);
        const ResourceId name = ResourceId::Named(art.ResourceName);
        switch (art.Kind) {
        case ArtKind::Jpeg:
            resources.push_back({ResourceId::Number(pe::rtRcData), name, kResourceLanguage, bytes});
            break;
        case ArtKind::Bitmap:
            resources.push_back(
                {ResourceId::Number(pe::rtBitmap), name, kResourceLanguage, pe::BitmapResourceData(bytes)});
            break;
        case ArtKind::Icon:
            for (Resource& r : pe::IconGroupResources(name, bytes, nextIcon, kResourceLanguage)) {
                if (r.Type == ResourceId::Number(pe::rtIcon)) ++nextIcon;
                resources.push_back(std::move(r));
            }
            break;
        }
    }
    resources.push_back({ResourceId::Named(kStpResourceType), ResourceId::Named(kPackageResource), kResourceLanguage,
                         std::move(package)});
    return resources;
}

}  // namespace stp::tool
