// Save Setting File as onto a symbolic link writes the file it points to.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "dxparams/SettingFiles.h"

using namespace dxtest;

TEST(SaveAs, WritesThroughALinkAndTheLinkStays) {
    TempDir dir;
    const std::string current = dir.file("current.orn");
    const std::string text = "[APPTYPE]\r\nAPPNAME=DX410_430\r\n";
    writeRaw(current, text);
    std::filesystem::create_directory(dir.path() / "sets");
    writeRaw(dir.file("sets/site.dat"), "an older setting file");
    std::filesystem::create_symlink("sets/site.dat", dir.file("site.dat"));  // relative to the link's folder

    EXPECT_EQ(dxparams::SaveSettingFileAs(current, dir.file("site.dat")), dxparams::SaveAsResult::Copied);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("site.dat")));
    EXPECT_EQ(readRaw(dir.file("sets/site.dat")), text);
}
