#include "install/InstallSteps.h"

#include <windows.h>

#include "datatable/DataTable.h"
#include "datatable/Errors.h"
#include "package/FileSystem.h"
#include "product/ProductTable.h"
#include "ui/Resources.h"

namespace stp {

namespace {

std::u16string TrimControl(const std::u16string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && text[first] <= u' ') ++first;
    while (last > first && text[last - 1] <= u' ') --last;
    return text.substr(first, last - first);
}

}  // namespace

std::u16string NormaliseSetupDir(const std::u16string& FolderText) {
    if (!FolderText.empty() && FolderText.back() == u'\\') return TrimControl(FolderText);
    return TrimControl(FolderText + u"\\");
}

void WritePayload(TFile& File) {
    HMODULE module = ResourceModule();
    HRSRC info = FindResourceW(module, reinterpret_cast<const wchar_t*>(kPackageResource),
                               reinterpret_cast<const wchar_t*>(kStpResourceType));
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) throw EFileError("The setup package resource is missing.");
    // Written straight from the mapped image: the payload may be large.
    File.Write(bytes, SizeofResource(module, info));
}

bool IsConflictingAntivirusRunning(const TDataTable& Processes) {
    return Processes.IndexOfText(0, u"kxetray.exe") >= 0 || Processes.IndexOfText(0, u"KAVSvc.exe") >= 0;
}

}  // namespace stp
