#include <gtest/gtest.h>

#include "platform_test_support.h"
#include "tidewell/platform/registry.h"
#include "tidewell/platform/registry_file.h"

using namespace tidewell;
using platform_test::CountLines;
using platform_test::ScopedEnv;
using platform_test::ScratchFolder;
using platform_test::WriteFile;

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

RegistryFile ParseQuietly(const std::string& text, int* warningLines = nullptr) {
  testing::internal::CaptureStderr();
  RegistryFile reg = RegistryFile::Parse(text, "test.reg");
  std::string err = testing::internal::GetCapturedStderr();
  if (warningLines) *warningLines = CountLines(err);
  return reg;
}

std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

}  // namespace

TEST(RegistryFile, ReadsStringDwordAndExpandableValues) {
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n"
                                  "\"InstallLocation\"=\"/opt/leafline/\"\r\n"
                                  "\"ProxyEnable\"=dword:0000001f\r\n"
                                  "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n"
                                  "@=\"default text\"\r\n");
  const char* key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline";
  ASSERT_NE(reg.FindValue(key, "InstallLocation"), nullptr);
  EXPECT_EQ(reg.FindValue(key, "InstallLocation")->text, "/opt/leafline/");
  ASSERT_NE(reg.FindValue(key, "ProxyEnable"), nullptr);
  EXPECT_EQ(reg.FindValue(key, "ProxyEnable")->kind, RegValue::Kind::Dword);
  EXPECT_EQ(reg.FindValue(key, "ProxyEnable")->dword, 0x1fu);
  ASSERT_NE(reg.FindValue(key, "Path"), nullptr);
  EXPECT_EQ(reg.FindValue(key, "Path")->kind, RegValue::Kind::ExpandString);
  EXPECT_EQ(reg.FindValue(key, "Path")->text, "%HOME%");  // not expanded
  ASSERT_NE(reg.FindValue(key, ""), nullptr);
  EXPECT_EQ(reg.FindValue(key, "")->text, "default text");
}

TEST(RegistryFile, KeyAndValueNamesCompareCaseBlindAndRootsMayBeShort) {
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n"
                                  "\"InstallLocation\"=\"x\"\r\n");
  EXPECT_TRUE(reg.KeyExists("hkey_local_machine\\software\\CORVANE\\leafline"));
  EXPECT_TRUE(reg.KeyExists("HKLM\\SOFTWARE\\Corvane\\Leafline\\"));
  ASSERT_NE(reg.FindValue("HKLM\\software\\corvane\\LEAFLINE", "installlocation"), nullptr);
  EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Leafline"));
}

TEST(RegistryFile, KeysAboveAListedKeyExistButSiblingsDoNot) {
  RegistryFile reg =
      ParseQuietly(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n");
  EXPECT_TRUE(reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane"));
  EXPECT_FALSE(reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corv"));
  EXPECT_FALSE(reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leaf"));
  EXPECT_FALSE(reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline\\Sub"));
}

TEST(RegistryFile, UnescapesBackslashesAndQuotesInNamesAndStrings) {
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                  "[HKEY_CURRENT_USER\\K]\r\n"
                                  "\"Say \\\"hi\\\"\"=\"C:\\\\Apps\\\\Draftmark \\\"5\\\"\"\r\n"
                                  "\"Tail\"=\"ends with \\\\\"\r\n");
  ASSERT_NE(reg.FindValue("HKEY_CURRENT_USER\\K", "Say \"hi\""), nullptr);
  EXPECT_EQ(reg.FindValue("HKEY_CURRENT_USER\\K", "Say \"hi\"")->text, "C:\\Apps\\Draftmark \"5\"");
  EXPECT_EQ(reg.FindValue("HKEY_CURRENT_USER\\K", "Tail")->text, "ends with \\");
}

TEST(RegistryFile, ReadsUtf16LeFilesWithByteOrderMark) {
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"caf";
  std::string bytes = "\xFF\xFE" + Utf16Le(text) + std::string("\xE9\x00", 2) + Utf16Le("\"\r\n");
  RegistryFile reg = ParseQuietly(bytes);
  ASSERT_NE(reg.FindValue("HKEY_LOCAL_MACHINE\\K", "V"), nullptr);
  EXPECT_EQ(reg.FindValue("HKEY_LOCAL_MACHINE\\K", "V")->text, "caf\xC3\xA9");
}

TEST(RegistryFile, AcceptsRegedit4HeaderUtf8BomAndLfLineEnds) {
  RegistryFile reg =
      ParseQuietly("\xEF\xBB\xBFREGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:00000002\n");
  ASSERT_NE(reg.FindValue("HKEY_LOCAL_MACHINE\\K", "V"), nullptr);
  EXPECT_EQ(reg.FindValue("HKEY_LOCAL_MACHINE\\K", "V")->dword, 2u);
}

TEST(RegistryFile, PassesOverOtherKindsIncludingContinuedHexData) {
  int warnings = -1;
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                      "[HKEY_LOCAL_MACHINE\\K]\r\n"
                                      "\"Bin\"=hex:01,02,03,\\\r\n"
                                      "  04,05\r\n"
                                      "\"Multi\"=hex(7):41,00,00,00,\\\r\n"
                                      "  00,00\r\n"
                                      "\"Gone\"=-\r\n"
                                      "\"Exp\"=hex(2):41,00,\\\r\n"
                                      "  42,00,00,00\r\n"
                                      "\"After\"=\"kept\"\r\n",
                                  &warnings);
  EXPECT_EQ(warnings, 0);
  const RegKey* key = reg.FindKey("HKEY_LOCAL_MACHINE\\K");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 2u);
  EXPECT_EQ(key->values[0].name, "Exp");
  EXPECT_EQ(key->values[0].text, "AB");
  EXPECT_EQ(key->values[1].text, "kept");
}

TEST(RegistryFile, MalformedLinesAreSkippedWithOneWarningEach) {
  int warnings = -1;
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                      "[HKEY_LOCAL_MACHINE\\K]\r\n"
                                      "\"A\"=\"unterminated\r\n"
                                      "\"B\"=dword:xyz\r\n"
                                      "\"C\"=dword:123456789\r\n"
                                      "\"D\"=hex(2):4g,00\r\n"
                                      "garbage line\r\n"
                                      "\"E\" \"no equals\"\r\n"
                                      "\"Good\"=\"yes\"\r\n",
                                  &warnings);
  EXPECT_EQ(warnings, 6);
  const RegKey* key = reg.FindKey("HKEY_LOCAL_MACHINE\\K");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 1u);
  EXPECT_EQ(key->values[0].name, "Good");
}

TEST(RegistryFile, ValuesAfterABrokenOrDeletedKeyDoNotJoinTheKeyBefore) {
  int warnings = -1;
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                      "[HKEY_LOCAL_MACHINE\\K]\r\n\"A\"=\"1\"\r\n"
                                      "[HKEY_LOCAL_MACHINE\\Broken\r\n\"B\"=\"2\"\r\n"
                                      "[-HKEY_LOCAL_MACHINE\\Old]\r\n\"C\"=\"3\"\r\n",
                                  &warnings);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(reg.FindKey("HKEY_LOCAL_MACHINE\\K")->values.size(), 1u);
  EXPECT_FALSE(reg.KeyExists("HKEY_LOCAL_MACHINE\\Old"));
}

TEST(RegistryFile, LaterLineForTheSameValueWinsAndRepeatedKeysMerge) {
  RegistryFile reg = ParseQuietly(std::string(kHeader) +
                                  "[HKEY_LOCAL_MACHINE\\K]\r\n\"A\"=\"1\"\r\n"
                                  "[HKEY_LOCAL_MACHINE\\k]\r\n\"a\"=\"2\"\r\n\"B\"=\"3\"\r\n");
  const RegKey* key = reg.FindKey("HKEY_LOCAL_MACHINE\\K");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 2u);
  EXPECT_EQ(key->values[0].text, "2");
  EXPECT_EQ(key->values[1].text, "3");
}

TEST(RegistryFile, FileWithoutHeaderReadsAsEmptyWithOneWarning) {
  int warnings = -1;
  RegistryFile reg = ParseQuietly("[HKEY_LOCAL_MACHINE\\K]\r\n\"A\"=\"1\"\r\n", &warnings);
  EXPECT_EQ(warnings, 1);
  EXPECT_TRUE(reg.Keys().empty());
}

TEST(Registry, ReadsMachineAndUserHivesNamedByTheEnvironment) {
  ScratchFolder dir;
  WriteFile(dir / "m.reg",
            std::string(kHeader) +
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Leafline]\r\n"
                "[HKEY_LOCAL_"
                "MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Leafline]\r\n"
                "\"InstallLocation\"=\"\\\"/opt/leaf line/\\\"\"\r\n");
  WriteFile(
      dir / "u.reg",
      std::string(kHeader) +
          "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
          "\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"127.0.0.1:3128\"\r\n");
  ScopedEnv hklm("TIDEWELL_HKLM", dir / "m.reg");
  ScopedEnv hkcu("TIDEWELL_HKCU", dir / "u.reg");

  EXPECT_TRUE(RegKeyExists(Hive::LocalMachine, "SOFTWARE\\Corvane\\Leafline"));
  EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, "SOFTWARE\\Corvane\\Solidane"));
  EXPECT_FALSE(RegKeyExists(Hive::CurrentUser, "SOFTWARE\\Corvane\\Leafline"));
  EXPECT_EQ(RegReadString(Hive::LocalMachine,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Leafline",
                          "InstallLocation"),
            "\"/opt/leaf line/\"");
  const std::string inet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  EXPECT_EQ(RegReadDword(Hive::CurrentUser, inet, "ProxyEnable"), 1u);
  EXPECT_EQ(RegReadString(Hive::CurrentUser, inet, "ProxyServer"), "127.0.0.1:3128");
  // A value of the other kind is not read as this one.
  EXPECT_EQ(RegReadString(Hive::CurrentUser, inet, "ProxyEnable"), std::nullopt);
  EXPECT_EQ(RegReadDword(Hive::CurrentUser, inet, "ProxyServer"), std::nullopt);
  EXPECT_EQ(RegReadString(Hive::CurrentUser, inet, "ProxyOverride"), std::nullopt);

  std::vector<RegValue> values = RegEnumValues(Hive::CurrentUser, inet);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].name, "ProxyEnable");
  EXPECT_EQ(values[1].name, "ProxyServer");
  EXPECT_TRUE(RegEnumValues(Hive::CurrentUser, "Software\\Nothing").empty());
}

TEST(Registry, MissingHiveFileIsAnEmptyHiveWithoutWarning) {
  ScratchFolder dir;
  ScopedEnv hklm("TIDEWELL_HKLM", dir / "absent.reg");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, "SOFTWARE"));
  EXPECT_EQ(RegReadString(Hive::LocalMachine, "SOFTWARE", "X"), std::nullopt);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Registry, HiveFilesDefaultToSystemAndHomeLocations) {
  ScopedEnv hklm("TIDEWELL_HKLM", std::nullopt);
  ScopedEnv hkcu("TIDEWELL_HKCU", std::nullopt);
  ScopedEnv home("HOME", std::string("/home/someone"));
  EXPECT_EQ(HiveFilePath(Hive::LocalMachine), "/etc/corvane/machine.reg");
  EXPECT_EQ(HiveFilePath(Hive::CurrentUser), "/home/someone/.config/corvane/user.reg");
}
