#include "tests/e2e/EndToEnd.h"

namespace stp::e2e {
namespace {

// Faults while installing over an earlier installation: the failure message, every file
// the failure had not reached as it was (and the user's own file untouched), and a retry
// that succeeds once the cause is gone. The installer writes Setup.stp, then Karvel.exe,
// readme.txt and data\palette.txt in that order.
class FaultsWhileInstalling : public SetupEndToEnd {
protected:
    // The fault drives back as they were, whatever the test reached.
    void TearDown() override {
        setup_.reset();
        if (HaveFaultDrives()) {
            RemountReadOnlyDrive(u"writable");
            RemoveTree(u"F:\\Karvel");
            DeleteFileW(L"F:\\filler.bin");
            RemoveTree(u"G:\\Karvel");
            RemoveDirectoryW(L"G:\\probe");
        }
        SetupEndToEnd::TearDown();
    }

    struct OldFile {
        const char16_t* name;
        const char* content;
    };
    static constexpr OldFile kOldFiles[] = {
        {u"Karvel.exe", "old program"},
        {u"readme.txt", "old readme"},
        {u"data\\palette.txt", "old palette"},
        {u"notes.txt", "the user's own notes"},
    };

    static void PlaceOldInstallation(const std::u16string& dir) {
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, ToWide(dir + u"data").c_str(), nullptr), ERROR_SUCCESS);
        for (const OldFile& file : kOldFiles) PutFile(dir + file.name, file.content);
    }

    // The old files from `first` on, as they were.
    static void ExpectOldFilesFrom(const std::u16string& dir, const char16_t* first) {
        bool reached = false;
        for (const OldFile& file : kOldFiles) {
            reached = reached || std::u16string(file.name) == first;
            if (reached) {
                EXPECT_TRUE(ReadAll(dir + file.name) == file.content) << ToUtf8(file.name) << " changed";
            }
        }
    }

    // Installs again, now that the cause is gone: the new files, the user's file kept.
    void RetrySucceeds(const std::u16string& dir) {
        ASSERT_NO_FATAL_FAILURE(Install());
        ExpectInstalledFiles(dir);
        EXPECT_EQ(ReadAll(dir + u"notes.txt"), "the user's own notes");
        EXPECT_EQ(ToUtf8(RegReadStringValue(HKEY_LOCAL_MACHINE, kUninstallRoot + u"Orvane画图", u"DisplayIcon")),
                  ToUtf8(dir + u"Karvel.exe"));
        ASSERT_NO_FATAL_FAILURE(SetUncheckedRunOnExit());
        ASSERT_NO_FATAL_FAILURE(Finish());
        EXPECT_EQ(setup_->Wait(kWaitMs), 0u);
    }

    void StartOnFolder(const std::u16string& dir) {
        ASSERT_NO_FATAL_FAILURE(Start(Chinese()));
        ASSERT_NO_FATAL_FAILURE(WalkToFolderPage());
        ASSERT_NO_FATAL_FAILURE(SetFolder(dir));
    }

    // run.sh says so when it has mounted F: and G: and answers remount requests.
    static bool HaveFaultDrives() { return std::getenv("STP_E2E_FAULT_DRIVES") != nullptr; }

    // Asks run.sh to remount G: ("readonly" or "writable") and waits for the outcome.
    static void RemountReadOnlyDrive(const std::u16string& how) {
        const std::u16string control = u"C:\\stp-e2e-control\\";
        DeleteFileW(ToWide(control + how + u".done").c_str());
        PutFile(control + how + u".request", "");
        ASSERT_TRUE(Eventually([&] { return Exists(control + how + u".done"); })) << "run.sh did not answer";
        const std::string answer = ReadAll(control + how + u".done");
        EXPECT_EQ(answer.substr(0, 2), "0\n") << "mount failed: " << answer;
        DeleteFileW(ToWide(control + how + u".done").c_str());
    }

    // The size of the package the demo installer carries.
    static std::uint64_t PackageSize() {
        HMODULE module = LoadLibraryExW(ToWide(BinDir() + u"Karvel-3.40-setup.exe").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (!module) return 0;
        HRSRC resource = FindResourceW(module, L"SetupPackage", L"StpFile");
        const std::uint64_t size = resource ? SizeofResource(module, resource) : 0;
        FreeLibrary(module);
        return size;
    }

    // Fills the drive of `root` until `keep` bytes are free, with real data: a tmpfs
    // does not count the holes of a sparse file.
    static void FillDrive(const std::u16string& root, const std::u16string& filler, std::uint64_t keep) {
        ULARGE_INTEGER free{};
        ASSERT_TRUE(GetDiskFreeSpaceExW(ToWide(root).c_str(), &free, nullptr, nullptr));
        ASSERT_GT(free.QuadPart, keep);
        std::ofstream out(std::filesystem::path(ToWide(filler)), std::ios::binary);
        const std::string block(4096, 'x');
        for (std::uint64_t left = free.QuadPart - keep; left >= block.size() && out; left -= block.size())
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        ASSERT_TRUE(out.flush()) << "could not fill the drive";
    }
};

// The installed program's folder with readme.txt open in another program without
// sharing: Karvel.exe before it is replaced, readme.txt and what follows are not touched.
TEST_F(FaultsWhileInstalling, AFileHeldOpenElsewhereFailsUntilItIsClosed) {
    const std::u16string dir = u"C:\\Apps\\Held\\";
    ASSERT_NO_FATAL_FAILURE(PlaceOldInstallation(dir));
    std::unique_ptr<void, decltype(&CloseHandle)> held(
        CreateFileW(ToWide(dir + u"readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                    nullptr),
        &CloseHandle);
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartOnFolder(dir));
    ASSERT_NO_FATAL_FAILURE(InstallFails());
    held.reset();
    EXPECT_TRUE(ReadAll(dir + u"Karvel.exe") == ReadAll(BinDir() + u"Karvel.exe")) << "Karvel.exe not replaced";
    ExpectOldFilesFrom(dir, u"readme.txt");
    RetrySucceeds(dir);
}

// F: filled so that Setup.stp fits and Karvel.exe does not: the files after Karvel.exe
// are as they were; freeing the space lets the retry through.
TEST_F(FaultsWhileInstalling, AFullDriveFailsUntilSpaceIsFreed) {
    if (!HaveFaultDrives()) GTEST_SKIP() << "run.sh could not mount the fault drives";
    const std::u16string dir = u"F:\\Karvel\\";
    ASSERT_NO_FATAL_FAILURE(PlaceOldInstallation(dir));
    const std::uint64_t package = PackageSize();
    ASSERT_GT(package, 0u);
    const std::uint64_t program = FileSize(BinDir() + u"Karvel.exe");
    ASSERT_GT(program, 0u);
    const std::u16string filler = u"F:\\filler.bin";
    ASSERT_NO_FATAL_FAILURE(FillDrive(u"F:\\", filler, package + program / 2));

    ASSERT_NO_FATAL_FAILURE(StartOnFolder(dir));
    ASSERT_NO_FATAL_FAILURE(InstallFails());
    // It stopped at Karvel.exe: the package written whole, the program begun.
    EXPECT_EQ(FileSize(dir + u"Setup.stp"), package);
    EXPECT_NE(ReadAll(dir + u"Karvel.exe"), "old program");
    ExpectOldFilesFrom(dir, u"readme.txt");

    ASSERT_TRUE(DeleteFileW(ToWide(filler).c_str()));
    RetrySucceeds(dir);
}

// G: turned read-only under an earlier installation: nothing can be written, so every
// file is as it was; writable again, the retry goes through.
TEST_F(FaultsWhileInstalling, AReadOnlyDriveFailsUntilItIsWritable) {
    if (!HaveFaultDrives()) GTEST_SKIP() << "run.sh could not mount the fault drives";
    const std::u16string dir = u"G:\\Karvel\\";
    ASSERT_NO_FATAL_FAILURE(PlaceOldInstallation(dir));
    ASSERT_NO_FATAL_FAILURE(RemountReadOnlyDrive(u"readonly"));
    ASSERT_FALSE(CreateDirectoryW(L"G:\\probe", nullptr)) << "G: is still writable";

    ASSERT_NO_FATAL_FAILURE(StartOnFolder(dir));
    ASSERT_NO_FATAL_FAILURE(InstallFails());
    ExpectOldFilesFrom(dir, u"Karvel.exe");
    EXPECT_FALSE(Exists(dir + u"Setup.stp"));

    ASSERT_NO_FATAL_FAILURE(RemountReadOnlyDrive(u"writable"));
    RetrySucceeds(dir);
}

}  // namespace
}  // namespace stp::e2e
