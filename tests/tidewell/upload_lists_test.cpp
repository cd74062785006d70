// The two lists an upload hands to the FTP job.
#include <gtest/gtest.h>

#include "tidewell/updateset/upload_lists.h"

namespace {

using namespace tidewell;

TEST(CollectUploads, ListFileGoesFirstUnderItsOwnNameThenEveryEntry) {
  UpdateList files;
  UpdateEntry a;
  a.installedPath = "/opt/prog/bin/x.dll";
  a.prefix = "program";
  a.name = "bin\\x.dll";
  files.Append(a);
  UpdateEntry b;
  b.installedPath = "/var/win/sys/b.dll";
  b.prefix = "winfiles";
  b.name = "sys\\b.dll";
  files.Append(b);

  std::vector<std::string> sources, destinations;
  EXPECT_EQ(CollectUploads(files, sources, destinations, "/work/sets\\basic5.tdu", true), 0);
  EXPECT_EQ(sources,
            (std::vector<std::string>{"/work/sets\\basic5.tdu", a.installedPath, b.installedPath}));
  EXPECT_EQ(destinations,
            (std::vector<std::string>{"basic5.tdu", "program/bin/x.dll", "winfiles/sys/b.dll"}));

  sources.clear();
  destinations.clear();
  EXPECT_EQ(CollectUploads(files, sources, destinations, "list.ini", false), 0);
  EXPECT_EQ(destinations.front(), "program/bin/x.dll");
}

TEST(CollectUploads, EmptyListHasNothingToUpload) {
  std::vector<std::string> sources, destinations;
  EXPECT_EQ(CollectUploads(UpdateList(), sources, destinations, "/x/list.ini", true), 1);
  EXPECT_TRUE(sources.empty());
  EXPECT_TRUE(destinations.empty());
}

}  // namespace
