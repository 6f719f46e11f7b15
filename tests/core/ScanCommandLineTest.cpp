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

}  // namespace
}  // namespace quarvel
