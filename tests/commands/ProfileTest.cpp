#include <sys/stat.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <optional>

#include "TempDir.h"
#include "dxcmd/Profile.h"

using namespace dxcmd;
using dxtest::readRaw;
using dxtest::TempDir;
using dxtest::writeRaw;

class Profile : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("current.orn");
};

TEST_F(Profile, WriteCreatesFileWithOneSectionAndKeyInCrlf) {
    ASSERT_TRUE(WriteProfileString(ini, "VALUE02", "03-ExDR MODE", "83:42:0B:00"));
    EXPECT_EQ(readRaw(ini), "[VALUE02]\r\n03-ExDR MODE=83:42:0B:00\r\n");
    EXPECT_EQ(ReadProfileString(ini, "VALUE02", "03-ExDR MODE"), "83:42:0B:00");
}

TEST_F(Profile, MissingFileSectionOrKeyReadsEmpty) {
    EXPECT_EQ(ReadProfileString(dir.file("none.orn"), "OPTION", "MODEL"), "");
    writeRaw(ini, "[OPTION]\r\nMODEL=1\r\nCOMPORT=\r\n");
    EXPECT_EQ(ReadProfileString(ini, "VALUE02", "MODEL"), "");
    EXPECT_EQ(ReadProfileString(ini, "OPTION", "DEVICETYPE"), "");
    EXPECT_EQ(ReadProfileString(ini, "OPTION", "COMPORT"), "");
    EXPECT_EQ(ReadProfileString(dir.path().string(), "OPTION", "MODEL"), "");  // a folder
}

TEST_F(Profile, NamesIgnoreCaseAndBlanksValuesAreTrimmed) {
    writeRaw(ini, "  [ option ]  \r\n  Model  =  1  \r\nComPort\t=\t3\r\n");
    EXPECT_EQ(ReadProfileString(ini, "OPTION", "MODEL"), "1");
    EXPECT_EQ(ReadProfileString(ini, "Option", "comport"), "3");
    ASSERT_TRUE(WriteProfileString(ini, "OPTION", "MODEL", "0"));
    // the key keeps its own spelling, the other lines stay as they were
    EXPECT_EQ(readRaw(ini), "  [ option ]  \r\n  Model  =0\r\nComPort\t=\t3\r\n");
}

TEST_F(Profile, RewriteReplacesInPlaceAndKeepsOtherLinesByteForByte) {
    const std::string before =
        "; made by hand\r\n[APPTYPE]\r\nAPPNAME=DX410_430\r\n\r\n[VALUE02]\r\n03-ExDR MODE=83:42:0B:00\r\n"
        "08-AGC MODE = 83:42:13:02\r\n\r\n[VALUE03]\r\n04-PAN POSITION=84:43:04:01:05\r\n";
    writeRaw(ini, before);
    ASSERT_TRUE(WriteProfileString(ini, "value02", "03-exdr mode", "83:42:0B:03"));
    ASSERT_TRUE(WriteProfileString(ini, "VALUE02", "03-ExDR MODE", "83:42:0B:00"));
    EXPECT_EQ(readRaw(ini), before);  // one line, second value, nothing else touched
}

TEST_F(Profile, NewKeyGoesAtTheEndOfItsSectionBeforeBlankLines) {
    writeRaw(ini, "[OPTION]\r\nMODEL=1\r\n\r\n[VALUE02]\r\n03-ExDR MODE=83:42:0B:00\r\n");
    ASSERT_TRUE(WriteProfileString(ini, "OPTION", "COMPORT", "3"));
    ASSERT_TRUE(WriteProfileString(ini, "STRING", "01-CAMERA TITLE", "86:46:00:41:42:43:44"));
    EXPECT_EQ(readRaw(ini),
              "[OPTION]\r\nMODEL=1\r\nCOMPORT=3\r\n\r\n[VALUE02]\r\n03-ExDR MODE=83:42:0B:00\r\n"
              "[STRING]\r\n01-CAMERA TITLE=86:46:00:41:42:43:44\r\n");
}

TEST_F(Profile, KeepsAnLfFileLf) {
    writeRaw(ini, "[OPTION]\nMODEL=1\n");
    ASSERT_TRUE(WriteProfileString(ini, "OPTION", "COMPORT", "2"));
    ASSERT_TRUE(WriteProfileString(ini, "COMMUNICATION", "STYLE", "1"));
    EXPECT_EQ(readRaw(ini), "[OPTION]\nMODEL=1\nCOMPORT=2\n[COMMUNICATION]\nSTYLE=1\n");
    EXPECT_EQ(ReadProfileString(ini, "OPTION", "COMPORT"), "2");
}

// Files as they arrive from elsewhere. A row with a value writes it and expects
// the file's bytes after (and the value read back); a row without reads.
struct FileCase {
    const char* what;
    std::string before, section, key;
    std::optional<std::string> write;
    std::string expect;
};

const std::string kTwice = "[VALUE02]\r\nA=1\r\n[OTHER]\r\nX=9\r\n[value02]\r\nA=2\r\nB=3\r\n";

// UTF-16LE of single-byte (Latin-1) text
std::string u16(std::string_view s) {
    std::string out;
    for (char c : s) out += {c, '\0'};
    return out;
}
const std::string kBom16 = "\xFF\xFE", kKa = "\x3A\x04", kSmiley("\x3D\xD8\x00\xDE", 4);
const std::string kWide = kBom16 + u16("[APPTYPE]\r\nAPPNAME=DX410_430\r\n[S]\r\nT=") + kKa + u16("\r\n");

const FileCase kFileCases[] = {
    {"no final newline", "[OPTION]\r\nMODEL=1", "OPTION", "MODEL", {}, "1"},
    {"no final newline, new key", "[OPTION]\r\nMODEL=1", "OPTION", "COMPORT", "4",
     "[OPTION]\r\nMODEL=1\r\nCOMPORT=4\r\n"},
    {"no final newline, new section", "[OPTION]\r\nMODEL=1", "APPTYPE", "APPNAME", "DX410_430",
     "[OPTION]\r\nMODEL=1\r\n[APPTYPE]\r\nAPPNAME=DX410_430\r\n"},
    {"no final newline, replaced", "[OPTION]\r\nMODEL=1", "OPTION", "MODEL", "0", "[OPTION]\r\nMODEL=0"},

    {"CR CR LF", "[APPTYPE]\r\r\nAPPNAME=DX410_430\r\r\n", "APPTYPE", "APPNAME", {}, "DX410_430"},
    {"CR CR LF, CR inside a name", "[OPTION \r]\r\r\nMODEL\r=\r1\r\r\n", "OPTION", "MODEL", {}, "1"},
    {"CR CR LF, replaced", "[APPTYPE]\r\r\nAPPNAME=DX410_430\r\r\n[S]\r\r\n", "APPTYPE", "APPNAME", "X",
     "[APPTYPE]\r\r\nAPPNAME=X\r\r\n[S]\r\r\n"},
    {"CR CR LF, new key", "[OPTION]\r\r\nMODEL=1\r\r\n\r\r\n[S]\r\r\n", "OPTION", "COMPORT", "3",
     "[OPTION]\r\r\nMODEL=1\r\r\nCOMPORT=3\r\r\n\r\r\n[S]\r\r\n"},

    {"section twice, not the second", kTwice, "VALUE02", "B", {}, ""},
    {"section twice, new key", kTwice, "VALUE02", "B", "6",
     "[VALUE02]\r\nA=1\r\nB=6\r\n[OTHER]\r\nX=9\r\n[value02]\r\nA=2\r\nB=3\r\n"},

    {"header without ']'", "[OPTION\r\nMODEL=1\r\n", "OPTION", "MODEL", {}, ""},
    {"header without ']', keys stay above", "[S]\r\n[OPTION\r\nMODEL=1\r\n", "S", "MODEL", {}, "1"},
    {"header without ']', written", "[OPTION\r\nMODEL=1\r\n", "OPTION", "MODEL", "2",
     "[OPTION\r\nMODEL=1\r\n[OPTION]\r\nMODEL=2\r\n"},

    {"key without '='", "[OPTION]\r\nMODEL\r\nMODEL=1\r\n", "OPTION", "MODEL", {}, ""},
    {"key without '=', replaced", "[OPTION]\r\n  MODEL \r\nCOMPORT=3\r\n; NOTE\r\n", "OPTION", "MODEL", "1",
     "[OPTION]\r\n  MODEL=1\r\nCOMPORT=3\r\n; NOTE\r\n"},
    {"comment is no key", "[OPTION]\r\n; NOTE\r\n", "OPTION", "; NOTE", "1", "[OPTION]\r\n; NOTE\r\n; NOTE=1\r\n"},

    {"UTF-8 mark", "\xEF\xBB\xBF[APPTYPE]\r\nAPPNAME=DX410_430\r\n", "APPTYPE", "APPNAME", {}, "DX410_430"},
    {"UTF-8 mark, replaced", "\xEF\xBB\xBF[APPTYPE]\r\nAPPNAME=DX410_430\r\n", "APPTYPE", "APPNAME", "X",
     "\xEF\xBB\xBF[APPTYPE]\r\nAPPNAME=X\r\n"},

    {"UTF-16, narrowed", kBom16 + u16("[S]\r\nK=\xe9") + kKa + kSmiley + u16("x\r\n"), "S", "K", {},
     "\xe9??x"},
    {"UTF-16, replaced", kWide, "APPTYPE", "APPNAME", "X",
     kBom16 + u16("[APPTYPE]\r\nAPPNAME=X\r\n[S]\r\nT=") + kKa + u16("\r\n")},
    {"UTF-16, new key", kWide, "S", "K", "\xb0", kWide + u16("K=\xb0\r\n")},
    {"UTF-16, mark only", kBom16, "S", "K", "1", kBom16 + u16("[S]\r\nK=1\r\n")},
};

TEST_F(Profile, FilesFromElsewhere) {
    for (const FileCase& c : kFileCases) {
        SCOPED_TRACE(c.what);
        writeRaw(ini, c.before);
        if (!c.write) {
            EXPECT_EQ(ReadProfileString(ini, c.section, c.key), c.expect);
            continue;
        }
        ASSERT_TRUE(WriteProfileString(ini, c.section, c.key, *c.write));
        EXPECT_EQ(readRaw(ini), c.expect);
        EXPECT_EQ(ReadProfileString(ini, c.section, c.key), *c.write);
    }
}

TEST_F(Profile, LongValuesAreCutAt1023OnRead) {
    std::string longValue(5000, '7');
    ASSERT_TRUE(WriteProfileString(ini, "STRING", "01-CAMERA TITLE", longValue));
    EXPECT_EQ(ReadProfileString(ini, "STRING", "01-CAMERA TITLE"), longValue.substr(0, 1023));
    EXPECT_NE(readRaw(ini).find(longValue), std::string::npos);  // written whole
}

TEST_F(Profile, NonTextBytesAreCarriedThrough) {
    std::string junk;
    for (int i = 0; i < 256; ++i)
        if (i != '\n' && i != '\r' && i != '[' && i != '=') junk += static_cast<char>(i);
    const std::string before = std::string("\x89PNG\x00\x01\xff\xfe", 8) + junk + "\r\n[S]\r\nK=\xe9\x93\r\n";
    writeRaw(ini, before);
    EXPECT_EQ(ReadProfileString(ini, "S", "K"), "\xe9\x93");  // single-byte ANSI text
    ASSERT_TRUE(WriteProfileString(ini, "S", "L", "\xb0\xb1"));
    EXPECT_EQ(readRaw(ini), before + "L=\xb0\xb1\r\n");
    EXPECT_EQ(ReadProfileString(ini, "s", "l"), "\xb0\xb1");
}

TEST_F(Profile, RefusesTextThatWouldBreakOtherLines) {
    writeRaw(ini, "[S]\r\nK=1\r\n");
    EXPECT_FALSE(WriteProfileString(ini, "S", "K", "2\r\n[EVIL]\r\nX=1"));
    EXPECT_FALSE(WriteProfileString(ini, "S", "A=B", "1"));
    EXPECT_FALSE(WriteProfileString(ini, "S]X", "K", "1"));
    EXPECT_FALSE(WriteProfileString(ini, "", "K", "1"));
    EXPECT_FALSE(WriteProfileString(ini, "S", " ", "1"));
    EXPECT_EQ(readRaw(ini), "[S]\r\nK=1\r\n");
}

TEST_F(Profile, ReplaceKeepsTheFilesPermissions) {
    writeRaw(ini, "[S]\r\nK=1\r\n");
    std::filesystem::permissions(ini, std::filesystem::perms(0640));
    ASSERT_TRUE(WriteProfileString(ini, "S", "K", "2"));
    EXPECT_EQ(std::filesystem::status(ini).permissions(), std::filesystem::perms(0640));

    // a new file gets what the umask allows, like any file the user makes
    const std::string fresh = ini + ".new";
    const mode_t old = ::umask(027);
    const bool written = WriteProfileString(fresh, "S", "K", "1");
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(std::filesystem::status(fresh).permissions(), std::filesystem::perms(0640));
}

// A full disk while the new file is written: the old file stays whole.
TEST_F(Profile, FailedWriteLeavesOldFileAndNoTemporary) {
    const std::string before = "[S]\r\nK=1\r\n";
    writeRaw(ini, before);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = old;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    bool ok = WriteProfileString(ini, "S", "K", std::string(200, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(readRaw(ini), before);
    EXPECT_EQ(dir.entries(), 1u);  // no temporary file left beside it
}

TEST_F(Profile, FailedRenameLeavesNoTemporary) {
    std::filesystem::create_directory(ini);  // the target cannot be replaced
    EXPECT_FALSE(WriteProfileString(ini, "S", "K", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(ini));
    EXPECT_EQ(dir.entries(), 1u);
}

// An entry that already reads as it would be written leaves the file as it
// is (same file, same bytes); anything else replaces it.
TEST_F(Profile, UnchangedEntryIsNotRewritten) {
    const struct {
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        bool replaced;
        const char* after;
    } cases[] = {
        {"[V]\r\nK=1\r\n", "V", "K", "1", false, "[V]\r\nK=1\r\n"},
        {"[ v ]\r\n k = 1\r\n", "V", "K", "1", true, "[ v ]\r\n k =1\r\n"},  // the value's blanks go
        {"[V]\r\nK=1\r\n", "V", "K", "2", true, "[V]\r\nK=2\r\n"},
        {"[V]\r\nK=1\r\n", "V", "L", "1", true, "[V]\r\nK=1\r\nL=1\r\n"},
        {"[V]\r\nK\r\n", "V", "K", "", true, "[V]\r\nK=\r\n"},
        {"[V]\r\nK=\r\n", "V", "K", "", false, "[V]\r\nK=\r\n"},
        {"[V]\nK=1\n", "V", "K", "1", false, "[V]\nK=1\n"},
    };
    for (const auto& c : cases) {
        writeRaw(ini, c.before);
        struct stat before {};
        ASSERT_EQ(::stat(ini.c_str(), &before), 0);
        ASSERT_TRUE(WriteProfileString(ini, c.section, c.key, c.value)) << c.before;
        struct stat after {};
        ASSERT_EQ(::stat(ini.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino != before.st_ino, c.replaced) << c.before << " " << c.key << "=" << c.value;
        EXPECT_EQ(readRaw(ini), c.after) << c.before;
    }
    std::filesystem::remove(ini);
    ASSERT_TRUE(WriteProfileString(ini, "V", "K", ""));  // no file: one is made
    EXPECT_EQ(readRaw(ini), "[V]\r\nK=\r\n");
}

// The record's flush to the disk comes after the write; waiting for it
// leaves every write in place and no temporary behind, for one file or
// several written in turn.
TEST_F(Profile, FlushWaitsForEveryRecordWritten) {
    const std::string other = dir.file("other.orn");
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(WriteProfileString(ini, "VALUE03", "04-PAN POSITION", std::to_string(i)));
        ASSERT_TRUE(WriteProfileString(other, "VALUE02", "08-AGC MODE", std::to_string(i % 4)));
    }
    FlushProfileWrites();
    FlushProfileWrites();  // nothing pending: returns at once
    EXPECT_EQ(readRaw(ini), "[VALUE03]\r\n04-PAN POSITION=39\r\n");
    EXPECT_EQ(readRaw(other), "[VALUE02]\r\n08-AGC MODE=3\r\n");
    EXPECT_EQ(dir.entries(), 2u);
    // a record removed before its flush is no error
    ASSERT_TRUE(WriteProfileString(ini, "VALUE03", "04-PAN POSITION", "40"));
    std::filesystem::remove(ini);
    FlushProfileWrites();
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
