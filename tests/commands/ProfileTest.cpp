#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "TempDir.h"
#include "dxcmd/Profile.h"

using namespace dxcmd;
using dxtest::readRaw;
using dxtest::TempDir;
using dxtest::writeRaw;

namespace {

// UTF-16LE of single-byte (Latin-1) text
std::string u16(std::string_view s) {
    std::string out;
    for (char c : s) out += {c, '\0'};
    return out;
}

const std::string kNoFile = "<no file>";
const std::string kBom16 = "\xFF\xFE", kKa = "\x3A\x04", kSmiley("\x3D\xD8\x00\xDE", 4);
const std::string kWide = kBom16 + u16("[APPTYPE]\r\nAPPNAME=DX410_430\r\n[S]\r\nT=") + kKa + u16("\r\n");

// A row with a value writes it and expects the file's bytes after (and the
// value read back); a row without one reads `expect`.
struct FileCase {
    const char* what;
    std::string before, section, key;
    std::optional<std::string> write;
    std::string expect;
};

const FileCase kFileCases[] = {
    {"new file", kNoFile, "VALUE02", "03-ExDR MODE", "83:42:0B:00", "[VALUE02]\r\n03-ExDR MODE=83:42:0B:00\r\n"},
    {"missing section", "[OPTION]\r\nMODEL=1\r\n", "VALUE02", "MODEL", {}, ""},
    {"missing key", "[OPTION]\r\nMODEL=1\r\n", "OPTION", "DEVICETYPE", {}, ""},
    {"names ignore case, blanks trimmed", "  [ option ]  \r\nComPort\t=\t3 \r\n", "Option", "comport", {}, "3"},
    {"the key keeps its spelling", "  [ option ]  \r\n  Model  =  1  \r\nX=3\r\n", "OPTION", "MODEL", "0",
     "  [ option ]  \r\n  Model  =0\r\nX=3\r\n"},
    {"replaced in place", "; by hand\r\n[A]\r\n\r\n[VALUE02]\r\nEXDR=00\r\nAGC = 02\r\n", "value02", "exdr", "03",
     "; by hand\r\n[A]\r\n\r\n[VALUE02]\r\nEXDR=03\r\nAGC = 02\r\n"},
    {"new key before the blank lines", "[OPTION]\r\nMODEL=1\r\n\r\n[V]\r\n", "OPTION", "COMPORT", "3",
     "[OPTION]\r\nMODEL=1\r\nCOMPORT=3\r\n\r\n[V]\r\n"},
    {"new section at the end", "[OPTION]\r\nMODEL=1\r\n", "STRING", "T", "86", "[OPTION]\r\nMODEL=1\r\n[STRING]\r\nT=86\r\n"},
    {"LF file, new key", "[OPTION]\nMODEL=1\n", "OPTION", "COMPORT", "2", "[OPTION]\nMODEL=1\nCOMPORT=2\n"},
    // an entry that already reads as it would be written leaves the file as it is
    {"unchanged", "[V]\r\nK=1\r\n", "V", "K", "1", "[V]\r\nK=1\r\n"},
    {"unchanged, empty", "[V]\r\nK=\r\n", "V", "K", "", "[V]\r\nK=\r\n"},
    {"the value's blanks go", "[ v ]\r\n k = 1\r\n", "V", "K", "1", "[ v ]\r\n k =1\r\n"},
    {"LF file, new section", "[OPTION]\nMODEL=1\n", "C", "STYLE", "1", "[OPTION]\nMODEL=1\n[C]\nSTYLE=1\n"},

    {"no final newline, new key", "[OPTION]\r\nMODEL=1", "OPTION", "COMPORT", "4", "[OPTION]\r\nMODEL=1\r\nCOMPORT=4\r\n"},
    {"no final newline, new section", "[OPTION]\r\nMODEL=1", "APPTYPE", "APPNAME", "DX410_430",
     "[OPTION]\r\nMODEL=1\r\n[APPTYPE]\r\nAPPNAME=DX410_430\r\n"},
    {"no final newline, replaced", "[OPTION]\r\nMODEL=1", "OPTION", "MODEL", "0", "[OPTION]\r\nMODEL=0"},

    {"CR CR LF, CR inside a name", "[OPTION \r]\r\r\nMODEL\r=\r1\r\r\n", "OPTION", "MODEL", {}, "1"},
    {"CR CR LF, replaced", "[APPTYPE]\r\r\nAPPNAME=DX410_430\r\r\n[S]\r\r\n", "APPTYPE", "APPNAME", "X",
     "[APPTYPE]\r\r\nAPPNAME=X\r\r\n[S]\r\r\n"},
    {"CR CR LF, new key", "[OPTION]\r\r\nMODEL=1\r\r\n\r\r\n[S]\r\r\n", "OPTION", "COMPORT", "3",
     "[OPTION]\r\r\nMODEL=1\r\r\nCOMPORT=3\r\r\n\r\r\n[S]\r\r\n"},

    {"section twice, new key", "[VALUE02]\r\nA=1\r\n[OTHER]\r\nX=9\r\n[value02]\r\nA=2\r\nB=3\r\n", "VALUE02", "B", "6",
     "[VALUE02]\r\nA=1\r\nB=6\r\n[OTHER]\r\nX=9\r\n[value02]\r\nA=2\r\nB=3\r\n"},

    {"header without ']', keys stay above", "[S]\r\n[OPTION\r\nMODEL=1\r\n", "S", "MODEL", {}, "1"},
    {"header without ']', written", "[OPTION\r\nMODEL=1\r\n", "OPTION", "MODEL", "2",
     "[OPTION\r\nMODEL=1\r\n[OPTION]\r\nMODEL=2\r\n"},

    {"key without '='", "[OPTION]\r\nMODEL\r\nMODEL=1\r\n", "OPTION", "MODEL", {}, ""},
    {"key without '=', replaced", "[OPTION]\r\n  MODEL \r\nCOMPORT=3\r\n; NOTE\r\n", "OPTION", "MODEL", "1",
     "[OPTION]\r\n  MODEL=1\r\nCOMPORT=3\r\n; NOTE\r\n"},
    {"comment is no key", "[OPTION]\r\n; NOTE\r\n", "OPTION", "; NOTE", "1", "[OPTION]\r\n; NOTE\r\n; NOTE=1\r\n"},

    {"UTF-8 mark, replaced", "\xEF\xBB\xBF[APPTYPE]\r\nAPPNAME=DX410_430\r\n", "APPTYPE", "APPNAME", "X",
     "\xEF\xBB\xBF[APPTYPE]\r\nAPPNAME=X\r\n"},
    {"UTF-16, narrowed", kBom16 + u16("[S]\r\nK=\xe9") + kKa + kSmiley + u16("x\r\n"), "S", "K", {}, "\xe9??x"},
    {"UTF-16, replaced", kWide, "APPTYPE", "APPNAME", "X",
     kBom16 + u16("[APPTYPE]\r\nAPPNAME=X\r\n[S]\r\nT=") + kKa + u16("\r\n")},
    {"UTF-16, new key", kWide, "S", "K", "\xb0", kWide + u16("K=\xb0\r\n")},
    {"UTF-16, mark only", kBom16, "S", "K", "1", kBom16 + u16("[S]\r\nK=1\r\n")},
};

}  // namespace

class Profile : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("current.orn");
};

// A file replaced keeps its mode; a new one gets what the umask allows.
TEST_F(Profile, Files) {
    const mode_t umask = ::umask(027);
    for (const FileCase& c : kFileCases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(ini);
        if (c.before != kNoFile) writeRaw(ini, c.before), std::filesystem::permissions(ini, std::filesystem::perms(0640));
        if (!c.write) {
            EXPECT_EQ(ReadProfileString(ini, c.section, c.key), c.expect);
            continue;
        }
        struct stat before {}, after {};
        ::stat(ini.c_str(), &before);
        ASSERT_TRUE(WriteProfileString(ini, c.section, c.key, *c.write));
        EXPECT_EQ(readRaw(ini), c.expect);
        EXPECT_EQ(ReadProfileString(ini, c.section, c.key), *c.write);
        ASSERT_EQ(::stat(ini.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, c.expect == c.before) << "replaced only when changed";
        EXPECT_EQ(after.st_mode & 07777, 0640u);
    }
    ::umask(umask);
    EXPECT_EQ(ReadProfileString(dir.path().string(), "OPTION", "MODEL"), "");  // a folder
}

TEST_F(Profile, LongValuesAndOtherBytes) {
    const std::string longValue(5000, '7');
    ASSERT_TRUE(WriteProfileString(ini, "S", "T", longValue));
    EXPECT_EQ(ReadProfileString(ini, "S", "T"), longValue.substr(0, 1023));
    EXPECT_EQ(readRaw(ini), "[S]\r\nT=" + longValue + "\r\n");  // written whole

    std::string junk;
    for (int i = 0; i < 256; ++i)
        if (i != '\n' && i != '\r' && i != '[' && i != '=') junk += static_cast<char>(i);
    const std::string before = std::string("\x89PNG\x00\x01\xff\xfe", 8) + junk + "\r\n[S]\r\nK=\xe9\x93\r\n";
    writeRaw(ini, before);
    EXPECT_EQ(ReadProfileString(ini, "S", "K"), "\xe9\x93");
    ASSERT_TRUE(WriteProfileString(ini, "S", "L", "\xb0\xb1"));
    EXPECT_EQ(readRaw(ini), before + "L=\xb0\xb1\r\n");
}

// Text that would break other lines is refused; a full disk, or a target that
// cannot be replaced, fails: each leaves the old file whole and no temporary.
TEST_F(Profile, FailedWritesLeaveTheOldFile) {
    writeRaw(ini, "[S]\r\nK=1\r\n");
    for (const auto& [sec, key, value] :
         {std::tuple{"S", "K", "2\r\n[EVIL]\r\nX=1"}, {"S", "A=B", "1"}, {"S]X", "K", "1"}, {"", "K", "1"}, {"S", " ", "1"}})
        EXPECT_FALSE(WriteProfileString(ini, sec, key, value)) << key;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit tiny{16, old.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool full = WriteProfileString(ini, "S", "K", std::string(200, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(full);
    EXPECT_EQ(readRaw(ini), "[S]\r\nK=1\r\n");
    EXPECT_EQ(dir.entries(), 1u);
    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);
    EXPECT_FALSE(WriteProfileString(ini, "S", "K", "1"));
    EXPECT_EQ(dir.entries(), 1u);
}

TEST(ResolveCurrentFile, ProgramFolderWhenWritableElseFallbackCreated) {
    TempDir prog, data;
    EXPECT_EQ(ResolveCurrentFile(prog.path().string(), data.file("x")), prog.file("current.orn"));
    EXPECT_EQ(prog.entries(), 0u);  // the probe leaves nothing behind
    const std::string fallback = data.file("a/b/DX410");
    EXPECT_EQ(ResolveCurrentFile(prog.file("missing"), fallback), fallback + "/current.orn");
    EXPECT_TRUE(std::filesystem::is_directory(fallback));
    EXPECT_EQ(ResolveCurrentFile("", fallback), fallback + "/current.orn");
}
