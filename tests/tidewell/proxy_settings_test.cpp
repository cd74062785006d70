// The user's FTP proxy from the user hive, and the generator's choice between the typed
// proxy and the user's.
#include <gtest/gtest.h>

#include <cstdlib>

#include "test_servers.h"
#include "tidewell/app/ftp_proxy_choice.h"
#include "tidewell/transfer/proxy_settings.h"

namespace {

using tidewell_test::ScratchFolder;

const char* const kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class UserHive : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TIDEWELL_HKCU")) saved_ = old;
    setenv("TIDEWELL_HKCU", (folder / "user.reg").c_str(), 1);
  }
  void TearDown() override {
    if (saved_.empty())
      unsetenv("TIDEWELL_HKCU");
    else
      setenv("TIDEWELL_HKCU", saved_.c_str(), 1);
  }
  // Values of the Internet Settings key, as lines of a .reg file.
  void Write(const std::string& values) {
    tidewell_test::WriteWholeFile(
        folder / "user.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
        "Settings]\r\n" +
            values + "\r\n");
  }
  bool Read() { return tidewell::ReadProxySettings(proxy, bypass, "ftp", names); }

  ScratchFolder folder;
  std::string saved_;
  std::string proxy = "stale", bypass = "stale";
  tidewell::ProxyRegistryNames names{kKey, "ProxyServer", "ProxyOverride", "ProxyEnable"};
};

TEST_F(UserHive, FtpEntryAmongOthersBecomesTheProxyList) {
  Write(
      "\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"http=one:80;ftp=two:21;https=three:"
      "443\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(proxy, "ftp=ftp://two:21");
  Write("\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"http=one:80;ftp=two:21\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(proxy, "ftp=ftp://two:21");
}

TEST_F(UserHive, EmptyOrMissingFtpEntryGivesNoProxyButSucceeds) {
  Write("\"ProxyServer\"=\"http=one:80;ftp=;https=x:1\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(proxy, "");
  Write("\"ProxyServer\"=\"allproxy:8080\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(proxy, "");
  // Only whole entry names count.
  Write("\"ProxyServer\"=\"sftp=one:22\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(proxy, "");
}

TEST_F(UserHive, ProxyEntryIsLowerCasedWhileTheBypassListKeepsItsCase) {
  Write("\"ProxyServer\"=\"FTP=Gate.Example:21\"\r\n\"proxyoverride\"=\"*.Local;Files\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(proxy, "ftp=ftp://gate.example:21");
  EXPECT_EQ(bypass, "*.Local;Files");
}

TEST_F(UserHive, SwitchedOffProxiesOrAMissingKeyGiveNothing) {
  Write(
      "\"ProxyServer\"=\"ftp=two:21\"\r\n\"ProxyOverride\"=\"x\"\r\n\"ProxyEnable\"=dword:"
      "00000000");
  EXPECT_FALSE(Read());
  EXPECT_EQ(proxy, "");
  EXPECT_EQ(bypass, "");
  // Only the lowest byte counts.
  Write("\"ProxyEnable\"=dword:00000101\r\n\"ProxyServer\"=\"ftp=two:21\"");
  EXPECT_TRUE(Read());
  tidewell_test::WriteWholeFile(folder / "user.reg", "Windows Registry Editor Version 5.00\r\n");
  EXPECT_FALSE(Read());
  EXPECT_EQ(proxy, "");
}

TEST_F(UserHive, LongValuesAreReadWhole) {
  const std::string longList(400, 'h');
  Write("\"ProxyOverride\"=\"" + longList + "\"\r\n\"ProxyServer\"=\"ftp=two:21\"");
  EXPECT_TRUE(Read());
  EXPECT_EQ(bypass, longList);
  EXPECT_EQ(proxy, "ftp=ftp://two:21");
}

TEST_F(UserHive, TypedProxyWinsAndLeavesTheBypassListEmpty) {
  Write("\"ProxyServer\"=\"ftp=two:21\"\r\n\"ProxyOverride\"=\"x\"");
  std::string error;
  auto typed = tidewell::ChooseFtpProxy(true, "gate", "8021", &error);
  ASSERT_TRUE(typed);
  EXPECT_EQ(typed->proxy, "ftp=ftp://gate:8021");
  EXPECT_EQ(typed->bypass, "");
  auto fromHive = tidewell::ChooseFtpProxy(false, "gate", "8021", &error);
  ASSERT_TRUE(fromHive);
  EXPECT_EQ(fromHive->proxy, "ftp=ftp://two:21");
  EXPECT_EQ(fromHive->bypass, "x");
}

TEST(TypedProxyPort, MustBeANumberFrom1To65535) {
  std::string error;
  for (const char* bad : {"0", "65536", "", "21a", "-1", "99999999999"}) {
    EXPECT_FALSE(tidewell::ChooseFtpProxy(true, "gate", bad, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_TRUE(tidewell::ChooseFtpProxy(true, "gate", "65535", &error));
  EXPECT_TRUE(tidewell::ChooseFtpProxy(true, "gate", "1", &error));
}

}  // namespace
