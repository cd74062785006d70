#include <unistd.h>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform_test_support.h"
#include "tidewell/platform/profile.h"
#include "tidewell/updateset/list_date.h"
#include "tidewell/updateset/update_list.h"

using namespace tidewell;
using platform_test::CountLines;
using platform_test::ReadFile;
using platform_test::ScopedEnv;
using platform_test::ScopedTimeZone;
using platform_test::ScratchFolder;
using platform_test::WriteFile;

namespace {

// Lines of one entry n with the given size text.
std::string EntryLines(int n, const std::string& name, const std::string& size = "100") {
  const std::string k = std::to_string(n);
  return "Name" + k + "=" + name + "\r\nModified" + k + "=03/15/2000 10:22:05\r\nCreated" + k +
         "=03/01/2000 09:00:00\r\nSize" + k + "=" + size + "\r\nCheck Modify" + k +
         "=1\r\nCheck Create" + k + "=0\r\nCheck Size" + k + "=1\r\n";
}

std::string OtherLines(int n, const std::string& name, const std::string& local) {
  const std::string k = std::to_string(n);
  return "Name" + k + "=" + name + "\r\nOther Prefix" + k + "=others\r\nOther Local" + k + "=" +
         local + "\r\nModified" + k + "=03/15/2000 10:22:05\r\nCreated" + k +
         "=03/01/2000 09:00:00\r\nSize" + k + "=7\r\n";
}

const std::string kGeneral =
    "[General]\r\nWindows Prefix=winfiles\r\nProgram Prefix=program\r\nBase URL=http://h/set\r\n";

// A list file in a scratch folder, read with a fixed Windows folder, in UTC.
class UpdateListFixture : public testing::Test {
 protected:
  UpdateList Read(const std::string& text, std::string* errors = nullptr) {
    WriteFile(path_, text);
    UpdateList list;
    testing::internal::CaptureStderr();
    list.ReadUpdateList(path_, "/opt/prog/", "/tmp/td101530/", tidewell::MachineListDefaults());
    std::string err = testing::internal::GetCapturedStderr();
    if (errors) *errors = err;
    return list;
  }

  ScratchFolder dir_;
  std::string path_ = dir_ / "basic5.tdu";
  ScopedEnv windir_{"TIDEWELL_WINDIR", std::string("/srv/win")};
  ScopedTimeZone zone_{"UTC"};
};

class ReadUpdateList : public UpdateListFixture {};
class WriteUpdateList : public UpdateListFixture {};

}  // namespace

TEST_F(ReadUpdateList, ReadsEverySectionIntoAddressesAndLocalPaths) {
  UpdateList list = Read(kGeneral + "[Windows Files]\r\n" + EntryLines(1, "sys\\w.dll") +
                         "[Program Files]\r\n" + EntryLines(1, "bin\\x.dll") + "[Other Files]\r\n" +
                         OtherLines(1, "y.ocx", "/srv/shared/"));
  ASSERT_EQ(list.Count(), 3u);
  const UpdateEntry& w = list.At(0);
  EXPECT_EQ(w.name, "sys\\w.dll");
  EXPECT_EQ(w.url, "http://h/set/winfiles/sys/w.dll");
  EXPECT_EQ(w.installedPath, "/srv/win/sys/w.dll");
  EXPECT_EQ(w.stagedPath, "/tmp/td101530/winfiles/sys/w.dll");

  const UpdateEntry& p = list.At(1);
  EXPECT_EQ(p.url, "http://h/set/program/bin/x.dll");
  EXPECT_EQ(p.installedPath, "/opt/prog/bin/x.dll");
  EXPECT_EQ(p.stagedPath, "/tmp/td101530/program/bin/x.dll");
  EXPECT_EQ(p.modified, 953115725);  // 03/15/2000 10:22:05
  EXPECT_EQ(p.created, 951901200);   // 03/01/2000 09:00:00
  EXPECT_EQ(p.size, 100);
  EXPECT_TRUE(p.checkModify);
  EXPECT_FALSE(p.checkCreate);
  EXPECT_TRUE(p.checkSize);
  EXPECT_FALSE(p.compared);
  EXPECT_FALSE(p.needsUpdate);
  EXPECT_EQ(p.prefix, "");  // only the writer sets it

  const UpdateEntry& o = list.At(2);
  EXPECT_EQ(o.url, "http://h/set/others/y.ocx");
  EXPECT_EQ(o.installedPath, "/srv/shared/y.ocx");
  EXPECT_EQ(o.stagedPath, "/tmp/td101530/others/y.ocx");
  EXPECT_FALSE(o.checkModify);  // missing flags read as 0
}

TEST_F(ReadUpdateList, MissingSizeEndsOnlyItsSection) {
  std::string program = EntryLines(1, "a.dll") + EntryLines(2, "b.dll") + EntryLines(3, "c.dll");
  program.erase(program.find("Size2=100\r\n"), 11);
  UpdateList list =
      Read(kGeneral + "[Windows Files]\r\n" + EntryLines(1, "w.dll") + "[Program Files]\r\n" +
           program + "[Other Files]\r\n" + OtherLines(1, "o1", "/x/") + OtherLines(2, "o2", "/x/"));
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.At(0).name, "w.dll");
  EXPECT_EQ(list.At(1).name, "a.dll");
  EXPECT_EQ(list.At(2).name, "o1");
  EXPECT_EQ(list.At(3).name, "o2");
}

TEST_F(ReadUpdateList, InvalidSizeOrMissingTimeEndsTheSection) {
  for (const std::string& broken :
       {EntryLines(2, "b", "0"), EntryLines(2, "b", "-5"), EntryLines(2, "b", "x")}) {
    UpdateList list =
        Read(kGeneral + "[Program Files]\r\n" + EntryLines(1, "a") + broken + EntryLines(3, "c"));
    EXPECT_EQ(list.Count(), 1u) << broken;
  }
  std::string noCreated = EntryLines(2, "b");
  noCreated.erase(noCreated.find("Created2"), noCreated.find("Size2") - noCreated.find("Created2"));
  EXPECT_EQ(
      Read(kGeneral + "[Program Files]\r\n" + EntryLines(1, "a") + noCreated + EntryLines(3, "c"))
          .Count(),
      1u);
  std::string emptyModified = EntryLines(2, "b");
  emptyModified.replace(emptyModified.find("03/15/2000 10:22:05"), 19, "");
  EXPECT_EQ(Read(kGeneral + "[Program Files]\r\n" + EntryLines(1, "a") + emptyModified).Count(),
            1u);
}

TEST_F(ReadUpdateList, ShortDateLeavesTimeAtZero) {
  std::string entry = EntryLines(1, "a");
  entry.replace(entry.find("03/15/2000 10:22:05"), 19, "03/15/2000 10:22:0");
  UpdateList list = Read(kGeneral + "[Program Files]\r\n" + entry);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(0).modified, 0);
  EXPECT_EQ(list.At(0).created, 951901200);
}

TEST_F(ReadUpdateList, GeneralDefaultsAndBaseUrlSlash) {
  ScopedEnv server("TIDEWELL_UPDATE_SERVER", std::string("http://127.0.0.1:9/live/"));
  const std::string other =
      "Name1=o\r\nOther Local1=/srv/o/\r\nModified1=03/15/2000 10:22:05\r\n"
      "Created1=03/15/2000 10:22:05\r\nSize1=1\r\n";
  std::string errors;
  UpdateList list = Read(
      "[Program Files]\r\n" + EntryLines(1, "x") + "[Windows Files]\r\n" + EntryLines(1, "w") +
          "[Other Files]\r\n" + other +
          "Name2=p\r\nModified2=03/15/2000 10:22:05\r\nCreated2=03/15/2000 10:22:05\r\nSize2=1\r\n",
      &errors);
  // The second other entry has no "Other Local": its default, OTHER, is no full folder.
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(CountLines(errors), 1);
  EXPECT_EQ(list.At(0).url, "http://127.0.0.1:9/live/WIN/w");
  EXPECT_EQ(list.At(1).url, "http://127.0.0.1:9/live/PROG/x");
  EXPECT_EQ(list.At(2).url, "http://127.0.0.1:9/live/OTHER/o");
  EXPECT_EQ(list.At(2).installedPath, "/srv/o/o");
}

TEST_F(ReadUpdateList, EmptyBaseUrlReadsAsTheUpdateServerAndEmptyPrefixesStayEmpty) {
  ScopedEnv server("TIDEWELL_UPDATE_SERVER", std::nullopt);
  UpdateList list = Read("[General]\r\nBase URL=\r\nProgram Prefix=\r\n[Program Files]\r\n" +
                         EntryLines(1, "bin\\x.dll"));
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(0).url, "http://updates.corvane.example/liveupdates//bin/x.dll");
  EXPECT_EQ(list.At(0).stagedPath, "/tmp/td101530//bin/x.dll");
}

TEST_F(ReadUpdateList, LfLineEndsAndCaseBlindNamesAreRead) {
  std::string text = kGeneral + "[program files]\r\n" + EntryLines(1, "bin\\x.dll");
  std::string lf;
  for (char c : text)
    if (c != '\r') lf += c;
  UpdateList list = Read(lf);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(0).url, "http://h/set/program/bin/x.dll");
}

TEST_F(ReadUpdateList, EntriesReachingOutsideTheirFolderAreSkippedWithAWarning) {
  std::string errors;
  UpdateList list = Read(kGeneral + "[Program Files]\r\n" + EntryLines(1, "..\\..\\etc\\passwd") +
                             EntryLines(2, "/etc/cron.d/x") + EntryLines(3, "bin\\ok.dll") +
                             EntryLines(4, "bin/../../up") + EntryLines(5, "bin\\..x\\fine") +
                             "[Other Files]\r\n" + OtherLines(1, "..\\z", "/srv/") +
                             OtherLines(2, "rel", "relative/") + OtherLines(3, "good", "/srv/"),
                         &errors);
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.At(0).installedPath, "/opt/prog/bin/ok.dll");
  EXPECT_EQ(list.At(1).installedPath, "/opt/prog/bin/..x/fine");
  EXPECT_EQ(list.At(2).installedPath, "/srv/good");
  EXPECT_EQ(CountLines(errors), 5) << errors;
}

TEST_F(ReadUpdateList, PrefixReachingOutsideTheStagingFolderSkipsItsEntries) {
  std::string errors;
  UpdateList list = Read("[General]\r\nProgram Prefix=..\\..\\home\r\n[Program Files]\r\n" +
                             EntryLines(1, "a") + "[Windows Files]\r\n" + EntryLines(1, "w"),
                         &errors);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(0).name, "w");
  EXPECT_EQ(CountLines(errors), 1);
}

TEST_F(ReadUpdateList, EmptyOtherPrefixOrLocalEndsTheSection) {
  std::string first = OtherLines(1, "a", "/x/");
  std::string second = OtherLines(2, "b", "/x/");
  second.replace(second.find("Other Prefix2=others"), 20, "Other Prefix2=");
  EXPECT_EQ(
      Read(kGeneral + "[Other Files]\r\n" + first + second + OtherLines(3, "c", "/x/")).Count(),
      1u);
  EXPECT_EQ(Read(kGeneral + "[Other Files]\r\n" + first + OtherLines(2, "b", "") +
                 OtherLines(3, "c", "/x/"))
                .Count(),
            1u);
}

TEST_F(ReadUpdateList, SectionHoldsAtMost2999Entries) {
  std::string text = kGeneral + "[Program Files]\r\n";
  for (int n = 1; n <= 3001; ++n) {
    std::string name = "f";
    name += std::to_string(n);
    text += EntryLines(n, name);
  }
  UpdateList list = Read(text);
  ASSERT_EQ(list.Count(), 2999u);
  EXPECT_EQ(list.At(2998).name, "f2999");
}

TEST_F(ReadUpdateList, MissingOrEmptyFileGivesNoEntriesAndReadingAppends) {
  UpdateList list;
  list.ReadUpdateList(dir_ / "absent.tdu", "/opt/prog/", "/tmp/s/",
                      tidewell::MachineListDefaults());
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(Read("").Count(), 0u);
  WriteFile(path_, kGeneral + "[Program Files]\r\n" + EntryLines(1, "a"));
  list.ReadUpdateList(path_, "/opt/prog/", "/tmp/s/", tidewell::MachineListDefaults());
  list.ReadUpdateList(path_, "/opt/prog/", "/tmp/s/", tidewell::MachineListDefaults());
  EXPECT_EQ(list.Count(), 2u);
}

TEST_F(ReadUpdateList, HostileOrTruncatedListsNeverFail) {
  const std::string whole = kGeneral + "[Windows Files]\r\n" + EntryLines(1, "w") +
                            "[Program Files]\r\n" + EntryLines(1, "a") + EntryLines(2, "b") +
                            "[Other Files]\r\n" + OtherLines(1, "o", "/x/");
  size_t previous = 0;
  for (size_t cut = 0; cut <= whole.size(); cut += 7) {
    UpdateList list = Read(whole.substr(0, cut));
    EXPECT_GE(list.Count(), previous);  // a longer prefix of the file never loses entries
    previous = list.Count();
  }
  EXPECT_EQ(Read(whole).Count(), 4u);
  for (const std::string& junk :
       {std::string("\0\0\0[", 4), std::string("[General\r\nBase URL"), std::string("\xFF\xFE["),
        std::string("[Program Files]\r\nName1=") + std::string(100000, 'a') +
            "\r\nModified1=99/99/9999 99:99:99\r\n"
            "Created1=-1/-1/-001 -1:-1:-1\r\nSize1=99999999999999999999\r\n",
        std::string("[Program Files]\r\nName1=\xC3\r\nModified1=\r\n")}) {
    UpdateList list = Read(junk);
    EXPECT_LE(list.Count(), 1u);
  }
}

TEST(ListDate, ParsesFixedPositionsAndFormatsBack) {
  ScopedTimeZone zone("America/New_York");
  int64_t t = 0;
  ASSERT_EQ(ParseListDate("03/15/2000 10:22:05", t), 0);
  EXPECT_EQ(t, 953133725);  // EST, UTC-5
  EXPECT_EQ(FormatListDate(t), "03/15/2000 10:22:05");
  ASSERT_EQ(ParseListDate("07/04/2000 12:00:00", t), 0);
  EXPECT_EQ(t, 962726400);  // EDT, UTC-4
  // Separators are not looked at.
  ASSERT_EQ(ParseListDate("07x04x2000x12x00x00 trailing", t), 0);
  EXPECT_EQ(t, 962726400);
}

TEST(ListDate, ShortTextLeavesTheTimeAlone) {
  int64_t t = 1234;
  EXPECT_EQ(ParseListDate("03/15/2000 10:22:0", t), 1);
  EXPECT_EQ(t, 1234);
  EXPECT_EQ(ParseListDate("", t), 1);
  EXPECT_EQ(t, 1234);
}

TEST(ListDate, DatesAfter2038KeepTheirOrder) {
  ScopedTimeZone zone("UTC");
  int64_t before = 0, after = 0;
  ASSERT_EQ(ParseListDate("01/19/2038 03:14:07", before), 0);
  ASSERT_EQ(ParseListDate("01/19/2038 03:14:08", after), 0);
  EXPECT_EQ(before, 2147483647);
  EXPECT_EQ(after, 2147483648);
  EXPECT_EQ(FormatListDate(4102444800), "01/01/2100 00:00:00");
}

namespace {

UpdateEntry Installed(const std::string& path, int64_t modified, int64_t created, int64_t size,
                      bool m, bool c, bool s) {
  UpdateEntry e;
  e.installedPath = path;
  e.modified = modified;
  e.created = created;
  e.size = size;
  e.checkModify = m;
  e.checkCreate = c;
  e.checkSize = s;
  return e;
}

}  // namespace

TEST_F(WriteUpdateList, ProducesTheListLayout) {
  UpdateList list;
  list.Append(Installed("/opt/prog/bin/x.dll", 953115725, 951901200, 12345, true, false, true));
  list.Append(Installed("/srv/shared/y.ocx", 953115725, 951901200, 7, false, true, false));
  ASSERT_EQ(
      list.WriteUpdateList(path_, "http://h/set/", "/opt/prog", "winfiles", "program", "others"),
      kListWritten);
  EXPECT_EQ(
      ReadFile(path_),
      "[General]\r\nWindows Prefix=winfiles\r\nProgram Prefix=program\r\nBase URL=http://h/set/\r\n"
      "[Program Files]\r\nName1=bin\\x.dll\r\nModified1=03/15/2000 10:22:05\r\nCreated1=03/01/2000 "
      "09:00:00\r\n"
      "Size1=12345\r\nCheck Modify1=1\r\nCheck Create1=0\r\nCheck Size1=1\r\n"
      "[Other Files]\r\nName1=y.ocx\r\nOther Prefix1=others\r\nOther Local1=/srv/shared/\r\n"
      "Modified1=03/15/2000 10:22:05\r\nCreated1=03/01/2000 09:00:00\r\nSize1=7\r\n"
      "Check Modify1=0\r\nCheck Create1=1\r\nCheck Size1=0\r\n");
  EXPECT_EQ(list.At(0).name, "bin\\x.dll");
  EXPECT_EQ(list.At(0).prefix, "program");
  EXPECT_EQ(list.At(1).name, "y.ocx");
  EXPECT_EQ(list.At(1).prefix, "others");
}

TEST_F(WriteUpdateList, SortsByFolderWithTheProgramFolderFirst) {
  ScopedEnv windir("TIDEWELL_WINDIR", std::string("/srv/win"));
  UpdateList list;
  list.Append(Installed("/srv/win/sys/a.dll", 1, 1, 1, false, false, false));
  list.Append(Installed("/srv/win/app/b.exe", 1, 1, 1, false, false, false));
  list.Append(Installed("/srv/window/c.dll", 1, 1, 1, false, false, false));  // not below /srv/win
  list.Append(
      Installed("/srv/win/application/d", 1, 1, 1, false, false, false));  // not below the program
  ASSERT_EQ(list.WriteUpdateList(path_, "http://h/", "/srv/win/app/", "W", "P", "O"), kListWritten);
  ProfileFile written = ProfileFile::Load(path_);
  EXPECT_EQ(written.Find("Windows Files", "Name1"), "sys\\a.dll");
  EXPECT_EQ(written.Find("Program Files", "Name1"), "b.exe");
  EXPECT_EQ(written.Find("Other Files", "Name1"), "c.dll");
  EXPECT_EQ(written.Find("Other Files", "Other Local1"), "/srv/window/");
  EXPECT_EQ(written.Find("Windows Files", "Name2"), "application\\d");
  EXPECT_EQ(list.At(3).prefix, "W");
}

TEST_F(WriteUpdateList, ReadingBackGivesTheSameEntries) {
  UpdateList written;
  written.Append(Installed("/opt/prog/bin/x.dll", 953115725, 951901200, 12345, true, false, true));
  written.Append(
      Installed("/srv/win/w.dll", 2208988800, 4102444799, 3000000000, false, true, true));
  written.Append(Installed("/srv/shared/deep/y.ocx", 0, 86400, 1, true, true, false));
  written.Append(Installed("/opt/prog/a b/c d.txt", 946684800, 946684800, 2, false, false, false));
  ASSERT_EQ(
      written.WriteUpdateList(path_, "http://h/set", "/opt/prog", "winfiles", "program", "others"),
      kListWritten);
  UpdateList read;
  read.ReadUpdateList(path_, "/opt/prog/", "/tmp/td101530/", tidewell::MachineListDefaults());
  ASSERT_EQ(read.Count(), 4u);
  // Read order: Windows, Program, Other.
  const size_t order[] = {1, 0, 3, 2};
  for (size_t i = 0; i < 4; ++i) {
    const UpdateEntry& w = written.At(order[i]);
    const UpdateEntry& r = read.At(i);
    EXPECT_EQ(r.name, w.name);
    EXPECT_EQ(r.installedPath, w.installedPath);
    EXPECT_EQ(r.modified, w.modified);
    EXPECT_EQ(r.created, w.created);
    EXPECT_EQ(r.size, w.size);
    EXPECT_EQ(r.checkModify, w.checkModify);
    EXPECT_EQ(r.checkCreate, w.checkCreate);
    EXPECT_EQ(r.checkSize, w.checkSize);
  }
  EXPECT_EQ(read.At(3).url, "http://h/set/others/y.ocx");
}

TEST_F(WriteUpdateList, ReplacesAnOlderListAndSkipsNamesTheListCannotHold) {
  WriteFile(path_, "[Old]\r\nStale=1\r\n");
  UpdateList list;
  list.Append(Installed("/opt/prog/", 1, 1, 1, false, false, false));
  list.Append(Installed("/opt/prog/line\nbreak", 1, 1, 1, false, false, false));
  list.Append(Installed("/opt/prog/ok", 1, 1, 1, false, false, false));
  testing::internal::CaptureStderr();
  ASSERT_EQ(list.WriteUpdateList(path_, "http://h/", "/opt/prog", "W", "P", "O"), kListWritten);
  EXPECT_EQ(CountLines(testing::internal::GetCapturedStderr()), 2);
  ProfileFile written = ProfileFile::Load(path_);
  EXPECT_EQ(written.Find("Old", "Stale"), std::nullopt);
  EXPECT_EQ(written.Find("Program Files", "Name1"), "ok");
}

TEST_F(WriteUpdateList, ReportsAListItCannotWrite) {
  UpdateList list;
  list.Append(Installed("/opt/prog/ok", 1, 1, 1, false, false, false));
  EXPECT_EQ(
      list.WriteUpdateList(dir_ / "missing/list.tdu", "http://h/", "/opt/prog", "W", "P", "O"),
      kListNotWritten);
  // A base address with a line break is refused and the older list stays.
  WriteFile(path_, "old");
  EXPECT_EQ(list.WriteUpdateList(path_, "http://h/\r\n[Program Files]", "/opt/prog", "W", "P", "O"),
            kListNotWritten);
  EXPECT_EQ(ReadFile(path_), "old");
  // An older list that can't be deleted is left as it is and nothing is written.
  const std::string undeletable = "/proc/version";
  const std::string before = ReadFile(undeletable);
  EXPECT_EQ(list.WriteUpdateList(undeletable, "http://h/", "/opt/prog", "W", "P", "O"),
            kListOldFileNotDeleted);
  EXPECT_EQ(ReadFile(undeletable), before);
}

TEST_F(WriteUpdateList, ModeFollowsTheHashWithoutSetIdBitsAndReadsBack) {
  const std::string folder = dir_ / "prog";
  std::filesystem::create_directories(folder);
  for (const auto& [name, mode] : {std::pair<const char*, mode_t>{"run", 04755}, {"doc", 0640}}) {
    WriteFile(folder + "/" + name, "x");
    ASSERT_EQ(0, ::chmod((folder + "/" + name).c_str(), mode));
  }
  UpdateList list;
  list.Append(Installed(folder + "/doc", 1, 1, 1, false, false, true));
  list.Append(Installed(folder + "/run", 1, 1, 1, false, false, true));
  ASSERT_EQ(list.WriteUpdateList(path_, "http://h/", folder, "W", "P", "O"), kListWritten);
  const std::string text = ReadFile(path_);
  const size_t hash = text.find("\r\nCheck Size2=1\r\nSHA2562=");
  ASSERT_NE(std::string::npos, hash) << text;
  EXPECT_EQ(hash + 89, text.find("\r\nMode2=755\r\n")) << text;  // the line after the hash
  EXPECT_NE(std::string::npos, text.find("\r\nMode1=640\r\n")) << text;

  // Read back; a Mode that is not octal counts as none.
  UpdateList read = Read(kGeneral + "[Program Files]\r\n" + EntryLines(1, "a") + "Mode1=4755\r\n" +
                         EntryLines(2, "b") + "Mode2=79\r\n" + EntryLines(3, "c"));
  ASSERT_EQ(3u, read.Count());
  EXPECT_EQ(0755, read.At(0).mode);
  EXPECT_EQ(-1, read.At(1).mode);
  EXPECT_EQ(-1, read.At(2).mode);
}
