// The desktop's folders as the Newton browses them for packages, on real
// files: where browsing begins and what it cannot leave, what a folder shows
// (and hides), and packages that vanish, grow or lead out between listing
// and loading.
#include "transfer/package_shelf.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/prefs_keys.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using Items = std::vector<std::string>;

class PackageShelfTest : public ::testing::Test {
protected:
    PackageShelfTest() {
        m_oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        ::setenv("HOME", home.c_str(), 1);
        for (const std::string& folder : {home + "/Paket/Spel", home + "/Mottaget", outside})
            fs::create_directories(folder);
        prefs.SetPrefString(home + "/Mottaget", prefs::kDir);
    }
    ~PackageShelfTest() override { ::setenv("HOME", m_oldHome.c_str(), 1); }

    // What List shows in `folders`, folders marked with a slash.
    Items Shown(const std::vector<std::string>& folders) {
        Items shown;
        for (const auto& item : shelf.List(folders).items)
            shown.push_back(item.name + (item.folder ? "/" : ""));
        return shown;
    }

    test::TempDir dir;
    const std::string home = dir.File("hem"), outside = dir.File("usb/Newton");
    PrefsStore prefs{dir.File("z.INI")};
    DiskShelf shelf{prefs};

private:
    std::string m_oldHome;
};

TEST_F(PackageShelfTest, BrowsingBeginsInTheChosenFolderAndCannotLeaveItsRoot) {
    const struct {
        std::string packageDir;
        std::string root;
        std::vector<std::string> start;
        std::string where;
    } cases[] = {
        {"", "hem", {"Mottaget"}, "~/Mottaget"},
        {home + "/Paket/Spel", "hem", {"Paket", "Spel"}, "~/Paket/Spel"},
        {outside, "Newton", {}, outside},
        {home + "/finns-inte", "hem", {}, "~"},
    };
    for (const auto& [packageDir, root, start, where] : cases) {
        prefs.SetPrefString(packageDir, prefs::kPackageDir);
        const auto place = shelf.Open();
        EXPECT_EQ(place.root, root) << packageDir;
        EXPECT_EQ(place.start, start) << packageDir;
        EXPECT_EQ(place.where, where) << packageDir;
        EXPECT_FALSE(place.desktop.empty());
    }
}

TEST_F(PackageShelfTest, AFolderShowsItsFoldersAndPackagesOnly) {
    const std::string paket = home + "/Paket/";
    for (const char* folder : {"Verktyg", ".dold", "Ärenden"})
        fs::create_directories(paket + folder);
    test::WriteFile(paket + "Klocka.pkg", "package0 klocka");
    test::WriteFile(paket + "Gammal.PKG", "package1 gammal");
    test::WriteFile(paket + "Ny.newtonpkg", "package0 ny");
    test::WriteFile(paket + "Falsk.pkg", "inget paket alls");
    test::WriteFile(paket + "Läs mig.txt", "package0 men ingen ändelse");
    test::WriteFile(paket + ".Gömd.pkg", "package0");
    test::WriteFile(paket + "Ny\nrad.pkg", "package0");
    test::WriteFile(outside + "/Ute.pkg", "package0 ute");
    ASSERT_EQ(::mkfifo((paket + "Rör.pkg").c_str(), 0600), 0);
    fs::create_symlink("/etc", paket + "etc");
    fs::create_symlink(outside + "/Ute.pkg", paket + "Ute.pkg");
    fs::create_symlink(paket + "Klocka.pkg", paket + "Länk.pkg");
    fs::create_symlink(paket + "Spel", paket + "Genväg");
    // A sparse file past every cap is listed; loading it says why not.
    {
        std::ofstream big(paket + "Stor.pkg", std::ios::binary);
        big << "package0";
    }
    fs::resize_file(paket + "Stor.pkg", uint64_t{2} << 30);

    prefs.SetPrefString(home + "/Paket", prefs::kPackageDir);
    shelf.Open();
    EXPECT_EQ(Shown({"Paket"}), (Items{"Genväg/", "Spel/", "Verktyg/", "Ärenden/", "Gammal.PKG",
                                       "Klocka.pkg", "Länk.pkg", "Ny.newtonpkg", "Stor.pkg"}));
    const auto big = shelf.Load({"Paket"}, "Stor.pkg");
    EXPECT_FALSE(big.bytes);
    EXPECT_EQ(big.refusal, "2147483648 bytes is more than the 16 MiB a package may have");
    EXPECT_EQ(big.path, "~/Paket/Stor.pkg");
    EXPECT_EQ(shelf.Describe({"Paket"}, "Stor.pkg").size, int64_t{2} << 30);
    EXPECT_EQ(*shelf.Load({"Paket"}, "Länk.pkg").bytes, "package0 klocka");
}

TEST_F(PackageShelfTest, WhatChangedSinceTheListingIsRefused) {
    const std::string spel = home + "/Paket/Spel/";
    test::WriteFile(spel + "Tetris.pkg", "package0 tetris");
    test::WriteFile(outside + "/Ute.pkg", "package0 ute");
    shelf.Open();
    ASSERT_EQ(Shown({"Paket", "Spel"}), Items{"Tetris.pkg"});

    fs::remove(spel + "Tetris.pkg");
    fs::create_symlink(outside + "/Ute.pkg", spel + "Tetris.pkg");
    EXPECT_FALSE(shelf.Load({"Paket", "Spel"}, "Tetris.pkg").bytes) << "a link that now leads out";
    fs::remove(spel + "Tetris.pkg");
    EXPECT_EQ(shelf.Load({"Paket", "Spel"}, "Tetris.pkg").refusal,
              "it is gone, or no longer inside ~");
    test::WriteFile(spel + "Tetris.pkg", "PK\x03\x04 a zip now");
    EXPECT_EQ(shelf.Load({"Paket", "Spel"}, "Tetris.pkg").refusal,
              "not a Newton package (it does not begin with \"package0\" or \"package1\")");
    fs::remove_all(home + "/Paket/Spel");
    fs::create_symlink(outside, home + "/Paket/Spel");
    EXPECT_TRUE(shelf.List({"Paket", "Spel"}).items.empty()) << "a folder that now leads out";
    EXPECT_FALSE(shelf.List({"Paket", "Spel"}).trouble.empty());
    for (const std::vector<std::string>& folders :
         {std::vector<std::string>{".."}, {"Paket", "..", ".."}, {"/etc"}, {""}})
        EXPECT_TRUE(shelf.List(folders).items.empty()) << folders[0];
}

TEST_F(PackageShelfTest, AHugeFolderShowsItsFirstItemsAndSaysSo) {
    for (size_t i = 0; i < kMaxShown + 20; ++i)
        fs::create_directories(home + "/Paket/Spel/" + std::to_string(10000 + i));
    shelf.Open();
    const auto listing = shelf.List({"Paket", "Spel"});
    EXPECT_EQ(listing.items.size(), kMaxShown);
    EXPECT_EQ(listing.trouble,
              "The folder ~/Paket/Spel holds 520 folders and packages; the "
              "first 500 are shown on the Newton.");
}

}  // namespace
}  // namespace zd
