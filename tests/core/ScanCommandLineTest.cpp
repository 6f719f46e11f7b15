#include "core/ScanCommandLine.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(ScanCommandLine, SwitchesInAnyCaseAndOrderAndClearRefusals) {
  const auto full = ParseScanCommandLine({"/s", "C:\\Windows", "/filter", "*.dll", "-JSON", "out.json"});
  ASSERT_TRUE(full.request.has_value()) << full.error;
  EXPECT_EQ(full.request->folder, "C:\\Windows");
  EXPECT_EQ(full.request->filter, "*.dll");
  EXPECT_TRUE(full.request->subfolders);
  EXPECT_EQ(full.request->json_file, "out.json");

  const auto plain = ParseScanCommandLine({"D:\\"});
  ASSERT_TRUE(plain.request.has_value());
  EXPECT_EQ(plain.request->filter, "*.*");
  EXPECT_FALSE(plain.request->subfolders);
  EXPECT_TRUE(plain.request->json_file.empty());
  // A Unix-style path is a folder, not a switch.
  EXPECT_TRUE(ParseScanCommandLine({"/tmp/x\\y"}).request.has_value());

  EXPECT_TRUE(ParseScanCommandLine({"C:\\", "/?"}).help);
  EXPECT_EQ(ParseScanCommandLine({}).error, "The folder to scan is missing.");
  EXPECT_EQ(ParseScanCommandLine({"C:\\", "/FILTER"}).error, "The switch /FILTER needs a value.");
  EXPECT_EQ(ParseScanCommandLine({"C:\\", "/X"}).error, "Invalid switch - /X");
  EXPECT_EQ(ParseScanCommandLine({"C:\\", "D:\\"}).error, "Only one folder can be scanned: D:\\");
}

TEST(ScanCommandLine, NewSwitchesAndTheirRefusals) {
  const auto full = ParseScanCommandLine({"C:\\", "/all", "/Progress", "/CSV", "out.csv", "/JSON", "out.json"});
  ASSERT_TRUE(full.request.has_value()) << full.error;
  EXPECT_TRUE(full.request->all);
  EXPECT_TRUE(full.request->progress);
  EXPECT_EQ(full.request->csv_file, "out.csv");
  EXPECT_FALSE(ParseScanCommandLine({"C:\\"}).request->all);
  EXPECT_TRUE(ParseScanCommandLine({"/VERSION"}).version);
  EXPECT_EQ(ParseScanCommandLine({"C:\\", "/CSV", ""}).error, "The switch /CSV needs a value.");
  EXPECT_EQ(ParseScanCommandLine({"C:\\", "/CSV", "r", "/JSON", "r"}).error,
            "The JSON and CSV reports cannot go to the same file.");
}

// /REGISTRY scans no folder and takes only the switches that fit it.
TEST(ScanCommandLine, RegistryScanAndWhatItRefuses) {
  struct Row {
    std::vector<std::string> arguments;
    bool registry;
    const char* error;
  };
  const Row rows[] = {
      {{"/REGISTRY"}, true, ""},
      {{"/registry", "/ALL", "/JSON", "r.json", "/PROGRESS"}, true, ""},
      {{"C:\\"}, false, ""},
      {{"/REGISTRY", "C:\\"}, false, "/REGISTRY scans the registry, not a folder: C:\\"},
      {{"/REGISTRY", "/S"}, false, "/REGISTRY takes only /ALL, /JSON and /PROGRESS."},
      {{"/REGISTRY", "/FILTER", "*.dll"}, false, "/REGISTRY takes only /ALL, /JSON and /PROGRESS."},
      {{"/REGISTRY", "/CSV", "r.csv"}, false, "/REGISTRY takes only /ALL, /JSON and /PROGRESS."},
  };
  for (const Row& row : rows) {
    const ScanCommand command = ParseScanCommandLine(row.arguments);
    EXPECT_EQ(command.error, row.error) << row.arguments[0];
    EXPECT_EQ(command.request.has_value(), std::string(row.error).empty()) << row.arguments[0];
    if (command.request) {
      EXPECT_EQ(command.request->registry, row.registry) << row.arguments[0];
    }
  }
  EXPECT_TRUE(ParseScanCommandLine({"/REGISTRY"}).request->folder.empty());
}

// The whole command line as the system hands it over, split into the
// arguments after the program's name.
TEST(ScanArguments, QuotesGroupAndABackslashBeforeAQuoteStaysABackslash) {
  struct Row {
    const char* line;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"quarvel-scan", {}},
      {"\"C:\\Program Files\\q.exe\" C:\\x", {"C:\\x"}},
      {"q \"D:\\\" /S", {"D:\\", "/S"}},
      {"q \"C:\\a b\\\" /FILTER *.dll", {"C:\\a b\\", "/FILTER", "*.dll"}},
      {"q  C:\\x\t/S   /JSON  out.json ", {"C:\\x", "/S", "/JSON", "out.json"}},
      {"q C:\\\"Program Files\"\\x", {"C:\\Program Files\\x"}},
      {"q /FILTER \"\" C:\\", {"/FILTER", "", "C:\\"}},
      {"q \"D:\\\\\"", {"D:\\\\"}},
      {"q \"unclosed folder", {"unclosed folder"}},
      {"q C:\\\xD0\x96\xD0\xB8", {"C:\\\xD0\x96\xD0\xB8"}},  // UTF-8 passes through whole
  };
  for (const Row& row : rows) EXPECT_EQ(ScanArguments(row.line), row.expected) << row.line;
}

// Exit code 1 only for signs of a hider, unless /ALL makes every unseen file count.
TEST(ScanExitCode, HidersOrWithAllAnythingUnseen) {
  struct Row {
    std::size_t unseen, pointing_at_hider;
    bool all;
    int expected;
  };
  const Row rows[] = {
      {0, 0, false, kScanExitClean}, {0, 0, true, kScanExitClean}, {3, 0, false, kScanExitClean},
      {3, 0, true, kScanExitFound},  {3, 1, false, kScanExitFound}, {3, 1, true, kScanExitFound},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ScanExitCode(row.unseen, row.pointing_at_hider, row.all), row.expected)
        << row.unseen << " unseen, " << row.pointing_at_hider << " pointing at a hider, all " << row.all;
  }
}

}  // namespace
}  // namespace quarvel
