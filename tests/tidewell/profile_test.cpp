#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform_test_support.h"
#include "tidewell/platform/profile.h"

using namespace tidewell;
using platform_test::ReadFile;
using platform_test::ScratchFolder;
using platform_test::WriteFile;

TEST(ProfileFile, LooksUpCaseBlindAndReadsTrimmedUnquotedValues) {
  ProfileFile p = ProfileFile::Parse(
      "[General]\r\n"
      "  Base URL =  http://h/set  \r\n"
      "Quoted=\"  spaced  \"\r\n"
      "Single='x'\r\n"
      "Half=\"x\r\n"
      "; Name1=commented\r\n"
      "[ Program Files ]\r\n"
      "Name1=bin\\x.dll\r\n");
  EXPECT_EQ(p.Find("general", "BASE url"), "http://h/set");
  EXPECT_EQ(p.Find("General", "Quoted"), "  spaced  ");
  EXPECT_EQ(p.Find("General", "Single"), "x");
  EXPECT_EQ(p.Find("General", "Half"), "\"x");
  EXPECT_EQ(p.Find("General", "; Name1"), std::nullopt);
  EXPECT_EQ(p.Find("program files", "name1"), "bin\\x.dll");
  EXPECT_EQ(p.Find("Other Files", "Name1"), std::nullopt);
}

TEST(ProfileFile, StringReadUsesDefaultOnlyForMissingKeysAndCutsToBuffer) {
  ProfileFile p = ProfileFile::Parse("[S]\nEmpty=\nLong=abcdefghij\n");
  EXPECT_EQ(p.GetString("S", "Empty", "dflt", 260), "");
  EXPECT_EQ(p.GetString("S", "Missing", "dflt", 260), "dflt");
  EXPECT_EQ(p.GetString("Nope", "Long", "dflt", 260), "dflt");
  EXPECT_EQ(p.GetString("S", "Long", "", 5), "abcd");
  EXPECT_EQ(p.GetString("S", "Missing", "abcdefgh", 3), "ab");
  EXPECT_EQ(p.GetString("S", "Long", "", 0), "");
}

TEST(ProfileFile, IntegerReadTakesLeadingDecimalNumber) {
  ProfileFile p = ProfileFile::Parse(
      "[S]\nA=12345\nB=-7\nC=42abc\nD=abc\nE=\nF=99999999999999\nG=-99999999999999\n"
      "H=0x10\nI=999999999999999999999999\n");
  EXPECT_EQ(p.GetInt("S", "A", 5), 12345);
  EXPECT_EQ(p.GetInt("S", "B", 5), -7);
  EXPECT_EQ(p.GetInt("S", "C", 5), 42);
  EXPECT_EQ(p.GetInt("S", "D", 5), 0);
  EXPECT_EQ(p.GetInt("S", "E", 5), 5);
  EXPECT_EQ(p.GetInt("S", "Missing", 5), 5);
  EXPECT_EQ(p.GetInt("S", "F", 5), 2147483647);
  EXPECT_EQ(p.GetInt("S", "G", 5), -2147483647 - 1);
  EXPECT_EQ(p.GetInt("S", "H", 5), 0);
  EXPECT_EQ(p.GetInt64("S", "F", 5), 99999999999999);
  EXPECT_EQ(p.GetInt64("S", "I", 5), INT64_MAX);
}

TEST(ProfileFile, FirstOfRepeatedSectionsAndKeysIsTheOneRead) {
  ProfileFile p = ProfileFile::Parse("[S]\nK=first\nk=second\n[s]\nK=third\nOnly=later\n");
  EXPECT_EQ(p.Find("S", "K"), "first");
  EXPECT_EQ(p.Find("S", "Only"), std::nullopt);
}

TEST(ProfileFile, ReadsLfUtf8BomAndUtf16LeFiles) {
  EXPECT_EQ(ProfileFile::Parse("\xEF\xBB\xBF[S]\nK=v\n").Find("S", "K"), "v");
  const std::string text = "[S]\r\nK=v\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  EXPECT_EQ(ProfileFile::Parse(utf16).Find("S", "K"), "v");
}

TEST(ProfileFile, LinesBeforeTheFirstSectionAreNotKeys) {
  ProfileFile p = ProfileFile::Parse("K=v\n[S]\nK=w\n");
  EXPECT_EQ(p.Find("", "K"), std::nullopt);
  EXPECT_EQ(p.Find("S", "K"), "w");
  EXPECT_EQ(p.Text(), "K=v\r\n[S]\r\nK=w\r\n");
}

TEST(WriteProfileString, CreatesTheFileInWritersOrderWithCrlf) {
  ScratchFolder dir;
  const std::string path = dir / "list.ini";
  ASSERT_TRUE(WriteProfileString(path, "General", "Windows Prefix", "winfiles"));
  ASSERT_TRUE(WriteProfileString(path, "Program Files", "Name1", "bin\\x.dll"));
  ASSERT_TRUE(WriteProfileString(path, "General", "Program Prefix", "program"));
  EXPECT_EQ(ReadFile(path),
            "[General]\r\nWindows Prefix=winfiles\r\nProgram Prefix=program\r\n"
            "[Program Files]\r\nName1=bin\\x.dll\r\n");
  EXPECT_EQ(ReadProfileString(path, "general", "program prefix", "", 260), "program");
  EXPECT_EQ(ReadProfileInt(path, "General", "Missing", 17), 17);
}

TEST(WriteProfileString, ChangesAValueInPlaceKeepingCommentsAndSpelling) {
  ScratchFolder dir;
  const std::string path = dir / "x.ini";
  WriteFile(path, "; top comment\n[S]\nKey = old\n; trailing comment\n\n[T]\nA=1\n");
  ASSERT_TRUE(WriteProfileString(path, "s", "KEY", "new"));
  ASSERT_TRUE(WriteProfileString(path, "S", "Added", "2"));
  EXPECT_EQ(
      ReadFile(path),
      "; top comment\r\n[S]\r\nKey=new\r\nAdded=2\r\n; trailing comment\r\n\r\n[T]\r\nA=1\r\n");
}

TEST(WriteProfileString, KeepsPermissionBitsAndFailsOnAFolder) {
  ScratchFolder dir;
  const std::string path = dir / "x.ini";
  WriteFile(path, "[S]\nK=1\n");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteProfileString(path, "S", "K", "2"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  EXPECT_FALSE(WriteProfileString(dir.Path(), "S", "K", "v"));
  EXPECT_FALSE(WriteProfileString(dir / "missing/x.ini", "S", "K", "v"));
}

TEST(ProfileFile, MissingFileReadsAsEmpty) {
  ScratchFolder dir;
  ProfileFile p = ProfileFile::Load(dir / "absent.ini");
  EXPECT_EQ(p.SectionCount(), 0u);
  EXPECT_EQ(p.GetString("S", "K", "d", 10), "d");
}

TEST(ProfileFile, RefusesTextThatWouldReadBackDifferently) {
  ProfileFile p = ProfileFile::Parse("[S]\nK=v\n");
  EXPECT_FALSE(p.SetString("S", "K", "v\r\n[Evil]\r\nX=1"));
  EXPECT_FALSE(p.SetString("S]x", "K", "v"));
  EXPECT_FALSE(p.SetString("S", "A=B", "v"));
  EXPECT_FALSE(p.SetString("S", " ", "v"));
  EXPECT_FALSE(p.SetString("S", ";K", "v"));
  EXPECT_FALSE(p.SetString("S\n", "K", "v"));
  EXPECT_EQ(p.Text(), "[S]\r\nK=v\r\n");
  EXPECT_TRUE(p.SetString("S", "K", "a=b"));
  EXPECT_EQ(ProfileFile::Parse(p.Text()).Find("S", "K"), "a=b");
}

// Found by fuzzing: a UTF-8 file whose text starts with the bytes of a UTF-16 mark read
// back as UTF-16 once written, losing every section.
TEST(ProfileFile, TextStartingLikeAByteOrderMarkReadsBackAsWritten) {
  tidewell::ProfileFile profile = tidewell::ProfileFile::Parse("\xEF\xBB\xBF\xFF\xFEjunk\r\n");
  profile.SetString("Fuzz Section", "Key", "value");
  tidewell::ProfileFile again = tidewell::ProfileFile::Parse(profile.Text());
  EXPECT_EQ(again.Find("Fuzz Section", "Key"), "value");
}
