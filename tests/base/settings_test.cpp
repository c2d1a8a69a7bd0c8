#include "base/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <string>

#include "base/lock_rule.h"
#include "base/paths.h"
#include "base/text.h"
#include "platform/env.h"
#include "platform/platform.h"
#include "support/files.h"
#include "testing/fake_env.h"

namespace vqm {
namespace {

using test::DirectoryExists;
using test::FileExists;
using test::FreshTestDirectory;
using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(StrCompareNoCase, Modes) {
  struct Case {
    const char* a;
    const char* b;
    int mode;
    int expected;
  } cases[] = {
      {"abc", "ABC", 1, 0}, {"ab", "abc", 1, 2},  {"ab", "abc", 2, 0},  {"abc", "ab", 2, 2},
      {"abd", "abc", 1, 1}, {"abd", "abc", 2, 1}, {"abd", "abc", 0, 1}, {"", "", 1, 0},
      {"", "x", 1, 2},      {"x", "", 2, 2},      {"ab", "abc", 0, 0},  {"abc", "ab", 7, 0},
      {nullptr, "a", 1, 3}, {"a", nullptr, 2, 3}, {nullptr, nullptr, 1, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, StrCompareNoCase(c.a, c.b, c.mode))
        << (c.a ? c.a : "(null)") << " / " << (c.b ? c.b : "(null)") << " mode " << c.mode;
    // The exact comparison of the series' fast paths says what strcmp says, a prefix either
    // way and a case difference included.
    if (c.a != nullptr && c.b != nullptr) {
      EXPECT_EQ(std::strcmp(c.a, c.b) == 0, SameBytes(c.a, std::string(c.b)))
          << c.a << " / " << c.b;
    }
  }
}

TEST(NormalizeSlashes, BackSlashesAndTrailingSlashes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"C:\\data\\\\", "C:/data"}, {"a/b/", "a/b"}, {"///", ""}, {"x", "x"}, {"", ""}};
  for (const Case& c : cases) {
    char buf[64];
    CopyBounded(buf, sizeof buf, c.in);
    NormalizeSlashes(buf);
    EXPECT_STREQ(c.out, buf) << c.in;
  }
}

TEST(MakeDirectoryPath, CreatesEveryLevelAndLeavesTheFileName) {
  const std::string root = FreshTestDirectory("mkdir");
  EXPECT_EQ(0, MakeDirectoryPath((root + "/a/b/c").c_str(), 0));
  EXPECT_TRUE(DirectoryExists(root + "/a/b/c"));
  EXPECT_EQ(0, MakeDirectoryPath((root + "\\x\\y\\z").c_str(), 1));
  EXPECT_TRUE(DirectoryExists(root + "/x/y"));
  EXPECT_FALSE(DirectoryExists(root + "/x/y/z"));
  // Existing directories are no failure.
  EXPECT_EQ(0, MakeDirectoryPath((root + "/a/b/c").c_str(), 0));
  // A file in the way of a level fails the levels below it.
  WriteFileBytes(root + "/file", "x");
  EXPECT_EQ(-1, MakeDirectoryPath((root + "/file/sub").c_str(), 0));
  EXPECT_EQ(-1, MakeDirectoryPath((root + "/file/sub/leaf").c_str(), 1));
}

class HostPathTest : public ::testing::Test {
 protected:
  ExportLock lock_;  // the settings functions need the library lock
  void TearDown() override {
    test::SetExecutablePath("");
    ClearPathCaches();
  }
  void Host(const std::string& path) {
    test::SetExecutablePath(path);
    ClearPathCaches();
  }
};

TEST_F(HostPathTest, BaseDirAndIniPath) {
  const bool lower = platform::FileNamesIgnoreCase();
  struct Case {
    const char* exe;
    const char* baseIgnoringCase;
    const char* baseKeepingCase;
    const char* ini;
  } cases[] = {
      {"C:\\Program Files\\Host\\Release\\Host.exe", "C:\\program files\\host",
       "C:\\Program Files\\Host", nullptr},
      {"C:\\Apps\\Host\\DEBUG\\HostRelease.exe", "C:\\apps\\host", "C:\\Apps\\Host", nullptr},
      // Cutting "\\debug\\" leaves no trailing separator, so "\\release\\" no longer ends it.
      {"C:\\Apps\\Host\\Release\\Debug\\h.exe", "C:\\apps\\host\\release", "C:\\Apps\\Host\\Release",
       nullptr},
      {"C:\\Apps\\Host\\Debug\\Release\\h.exe", "C:\\apps\\host\\debug", "C:\\Apps\\Host\\Debug",
       nullptr},
      {"D:\\x\\MyDebug.exe", "D:\\x", "D:\\x", nullptr},
      {"C:\\x\\Release.exe", "C:\\x", "C:\\x", nullptr},
      {"C:\\x\\e.exe", "C:\\x", "C:\\x", nullptr},
  };
  const char* inisIgnoringCase[] = {"C:/program files/host/Host.ini", "C:/apps/host/Host.ini",
                                    "C:/apps/host/release/h.ini", "C:/apps/host/debug/h.ini",
                                    "D:/x/My.ini", "C:/x/.ini", "C:/x/e.ini"};
  const char* inisKeepingCase[] = {"C:/Program Files/Host/Host.ini", "C:/Apps/Host/Host.ini",
                                   "C:/Apps/Host/Release/h.ini", "C:/Apps/Host/Debug/h.ini",
                                   "D:/x/My.ini", "C:/x/.ini", "C:/x/e.ini"};
  int i = 0;
  for (const Case& c : cases) {
    Host(c.exe);
    char base[kBaseDirCapacity + 1];
    char ini[kIniPathCapacity + 1];
    const int n = GetBaseDir(base);
    EXPECT_STREQ(lower ? c.baseIgnoringCase : c.baseKeepingCase, base) << c.exe;
    EXPECT_EQ(static_cast<int>(std::string(base).size()), n);
    GetIniPath(ini);
    EXPECT_STREQ(lower ? inisIgnoringCase[i] : inisKeepingCase[i], ini) << c.exe;
    ++i;
  }
#if !defined(_WIN32)
  // A program that only loads the library (an interpreter in /usr/bin) is given the host's
  // folder by $VQM_HOST_DIR: the executable's name stays, its folder is replaced.
  const std::string own = platform::Env::Default()->ExecutablePath();
  setenv("VQM_HOST_DIR", "/srv/host//", 1);
  const std::string moved = platform::Env::Default()->ExecutablePath();
  unsetenv("VQM_HOST_DIR");
  EXPECT_EQ("/srv/host" + own.substr(own.find_last_of('/')), moved);
#endif
}

TEST_F(HostPathTest, CachesKeepTheirFirstValue) {
  Host("C:\\one\\a.exe");
  char base[kBaseDirCapacity + 1];
  GetBaseDir(base);
  test::SetExecutablePath("C:\\two\\b.exe");
  GetBaseDir(base);
  EXPECT_STREQ("C:\\one", base);
}

class IniTest : public HostPathTest {
 protected:
  void SetUp() override {
    dir_ = FreshTestDirectory("ini");
    Host(dir_ + "/Host.exe");
    ini_ = dir_ + "/Host.ini";
  }
  std::string Content() {
    std::string s;
    ReadFileBytes(ini_, &s);
    return s;
  }
  std::string dir_;
  std::string ini_;
};

TEST_F(IniTest, MissingFileReadsDefaultsAndIsCreatedWithThem) {
  EXPECT_FALSE(FileExists(ini_));
  EXPECT_EQ(1, GetIniYesNo("RELEASE", "WriteLog", 1, nullptr));
  EXPECT_EQ(0, GetIniYesNo("SYS", "LogFileFlushOnEach", 0, nullptr));
  EXPECT_EQ("[RELEASE]\r\nWriteLog=YES\r\n[SYS]\r\nLogFileFlushOnEach=NO\r\n", Content());
}

TEST_F(IniTest, YesNoValuesAndWriteBack) {
  struct Case {
    const char* stored;
    int defaultYes;
    int expected;
    const char* after;  // null: not rewritten
  } cases[] = {
      {"yes", 0, 1, nullptr}, {"YES", 0, 1, nullptr}, {"No", 1, 0, nullptr},
      {"1", 1, 0, "NO"},      {"TRUE", 1, 0, "NO"},
      // A key that is present but empty is not missing: it reads empty, hence NO.
      {"", 1, 0, "NO"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(ini_, std::string("[SYS]\r\nKey=") + c.stored + "\r\n");
    EXPECT_EQ(c.expected, GetIniYesNo("sys", "KEY", c.defaultYes, nullptr)) << c.stored;
    char buf[100];
    ReadIniString("SYS", "Key", "", buf, sizeof buf, nullptr);
    EXPECT_STREQ(c.after ? c.after : c.stored, buf) << c.stored;
  }
}

TEST_F(IniTest, ReadWriteExplicitFile) {
  const std::string other = dir_ + "/Other.ini";
  EXPECT_NE(0, WriteIniString("Multiplier", "ES", "50.0000", other.c_str()));
  EXPECT_NE(0, WriteIniString("Multiplier", "CL", "1000.0000", other.c_str()));
  EXPECT_NE(0, WriteIniString("multiplier", "es", "51.0000", other.c_str()));
  char buf[100];
  EXPECT_EQ(7, ReadIniString("MULTIPLIER", "Es", "x", buf, sizeof buf, other.c_str()));
  EXPECT_STREQ("51.0000", buf);
  EXPECT_EQ(1, ReadIniString("Multiplier", "none", "x", buf, sizeof buf, other.c_str()));
  EXPECT_STREQ("x", buf);
  std::string s;
  ASSERT_TRUE(ReadFileBytes(other, &s));
  EXPECT_EQ("[Multiplier]\r\nES=51.0000\r\nCL=1000.0000\r\n", s);
  // No directory is created for an explicit file.
  EXPECT_EQ(0, WriteIniString("S", "k", "v", (dir_ + "/missing/x.ini").c_str()));
}

}  // namespace
}  // namespace vqm
