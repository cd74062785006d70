// Server paths, the bypass test and the reading of directory listings.
#include <gtest/gtest.h>

#include "tidewell/transfer/ftp_listing.h"
#include "tidewell/transfer/ftp_paths.h"

namespace {

using namespace tidewell;

TEST(InitialDirectory, IsNormalisedToOneLeadingSlashAndNoTrailingOne) {
  EXPECT_EQ(NormalizeInitialDir(""), "/");
  EXPECT_EQ(NormalizeInitialDir("upd/"), "/upd");
  EXPECT_EQ(NormalizeInitialDir("upd\\sets\\"), "/upd/sets");
  EXPECT_EQ(NormalizeInitialDir("//"), "/");
  EXPECT_EQ(NormalizeInitialDir("/"), "/");
}

TEST(LevelPaths, NameEveryDirectoryAboveTheFile) {
  EXPECT_EQ(LevelPaths("/pub", "a/b/c.dat"), (std::vector<std::string>{"/pub/a", "/pub/a/b"}));
  EXPECT_EQ(LevelPaths("/", "a/b/c.dat"), (std::vector<std::string>{"/a", "/a/b"}));
  EXPECT_TRUE(LevelPaths("/pub", "c.dat").empty());
  EXPECT_EQ(ServerFileName("a/b/c.dat"), "c.dat");
  EXPECT_EQ(ServerFileName("c.dat"), "c.dat");
  EXPECT_EQ(TargetDirectory("/pub", "x/one.dat"), "/pub/x");
  EXPECT_EQ(TargetDirectory("/pub", "three.dat"), "/pub");
  EXPECT_EQ(AbsoluteServerPath("/", "a/c.dat"), "/a/c.dat");
}

TEST(ProxyBypass, AnyEntryFoundInTheHostBypasses) {
  EXPECT_TRUE(IsHostBypassed("files.corvane.example", "*.local;files"));
  EXPECT_TRUE(IsHostBypassed("build.local.net", "*.local;files"));
  EXPECT_FALSE(IsHostBypassed("ftp.corvane.example", "*.local;files"));
  EXPECT_FALSE(IsHostBypassed("FILES.example", "files"));  // case counts
  EXPECT_FALSE(IsHostBypassed("anything", "* ;\n;;"));     // only separators: no entries
  EXPECT_TRUE(IsHostBypassed("127.0.0.1", "<local> 127.0.0.1"));
}

TEST(ProxyList, NamesTheFtpProxyOrTheOneForEveryScheme) {
  EXPECT_EQ(FtpProxyFromList("ftp=ftp://gate:8021"), "gate:8021");
  EXPECT_EQ(FtpProxyFromList("http=a:80;ftp=b:21"), "b:21");
  EXPECT_EQ(FtpProxyFromList("one:3128"), "one:3128");
  EXPECT_EQ(FtpProxyFromList("http=a:80"), "");
  EXPECT_EQ(FtpProxyFromList(""), "");
}

TEST(ServerSite, SplitsAnOptionalPort) {
  std::string host;
  int port = 0;
  EXPECT_TRUE(SplitHostPort("ftp.example", host, port));
  EXPECT_EQ(port, 21);
  EXPECT_TRUE(SplitHostPort("127.0.0.1:2121", host, port));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 2121);
  EXPECT_FALSE(SplitHostPort("h:0", host, port));
  EXPECT_FALSE(SplitHostPort("h:70000", host, port));
  EXPECT_FALSE(SplitHostPort("h:x", host, port));
  EXPECT_FALSE(SplitHostPort(":21", host, port));
}

TEST(FtpListing, UnixLinesGiveNameSizeAndKind) {
  const std::string listing =
      "total 12\r\n"
      "drwxr-xr-x   2 maker    staff        4096 Dec 08 00:12 sub dir\r\n"
      "-rw-r--r--   1 maker    staff    12345678 Jan  1  2024 c.dat\r\n"
      "-rw-r--r--   1 maker           7 Jan  1 10:00 nogroup.dat\r\n"
      "lrwxrwxrwx   1 maker    staff          5 Jan  1 10:00 link -> c.dat\r\n";
  const auto entries = ParseFtpListing(listing);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "sub dir");
  EXPECT_TRUE(entries[0].directory);
  EXPECT_EQ(entries[1].size, 12345678u);
  EXPECT_EQ(entries[2].name, "nogroup.dat");
  EXPECT_EQ(entries[2].size, 7u);
  EXPECT_EQ(entries[3].name, "link");
  ASSERT_TRUE(FindInFtpListing(listing, "c.dat"));
  EXPECT_FALSE(FindInFtpListing(listing, "C.DAT"));
  EXPECT_FALSE(FindInFtpListing(listing, "c"));
}

TEST(FtpListing, DosLinesAreReadToo) {
  const std::string listing =
      "01-31-24  09:15AM       <DIR>          bin\r\n01-31-24  09:15AM  2048 a b.dat\r\n";
  const auto entries = ParseFtpListing(listing);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].directory);
  EXPECT_EQ(entries[1].name, "a b.dat");
  EXPECT_EQ(entries[1].size, 2048u);
}

TEST(FtpListing, DamagedLinesArePassedOver) {
  EXPECT_FALSE(ParseFtpListLine("-rw-r--r-- 1 a b 99999999999999999999999 Jan 1 10:00 huge"));
  EXPECT_FALSE(ParseFtpListLine("-rw-r--r-- 1 a b 12 Jan 1 10:00"));
  EXPECT_FALSE(ParseFtpListLine("-rw-r--r--"));
  EXPECT_FALSE(ParseFtpListLine("garbage line"));
  EXPECT_FALSE(
      ParseFtpListLine("-rw-r--r-- 1 a b 1 Jan 1 10:00 " + std::string(kMaxListingLine, 'x')));
  EXPECT_TRUE(ParseFtpListing(std::string(100000, '\n')).empty());
}

}  // namespace
