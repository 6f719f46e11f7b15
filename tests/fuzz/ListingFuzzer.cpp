// libFuzzer target: any bytes, read as a listing through the line splitter, the
// reader and the name search, and as the views file and the recheck answers
// the lister writes beside it. None may crash, hang or grow memory without
// bound, whatever the files hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/LineSplitter.h"
#include "core/ListingReader.h"
#include "core/ListingViews.h"
#include "core/Recheck.h"
#include "core/ScanDecision.h"
#include "core/UnseenLine.h"

namespace {

// Stand-ins for the two questions to the platform, decided by the text itself so
// that every branch of the reader is reached.
bool IsFolder(const std::string& text) { return !text.empty() && text.back() == '\\' && text.size() % 3 == 0; }
bool IsSeen(const std::string& path) { return (std::hash<std::string>{}(path) & 7) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quarvel::ListingReader reader(IsFolder, IsSeen, 259);
  quarvel::LineSplitter splitter;
  quarvel::ListingViews views;
  quarvel::RecheckAnswers answers;
  views.ReadLine(quarvel::kViewsHeader);
  std::size_t items = 0;
  const auto read = [&](std::string_view line) {
    const auto result = reader.ReadLine(line);
    items += result.list1_item.has_value() + result.list2_item.has_value();
    views.ReadLine(line);
    answers.ReadLine(line);
    if (const auto request = quarvel::ParseRecheckRequestLine(line)) answers.Find(request->path);
    // The comparison's own handling of a line it did not see, with whatever
    // facts and answers the same bytes gave.
    if (result.list1_item) {
      quarvel::UnseenFacts facts =
          quarvel::FactsFromLine(reader.ListingFolder(), line, [](std::string_view path) { return path.size(); }, 259);
      if (const auto* listed = views.Find(facts.path)) facts.lister = *listed;
      static_cast<void>(quarvel::Decide(facts, answers.Find(facts.path)));
    }
  };
  // Fed in pieces, as the window reads the file.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = 0; at < bytes.size(); at += 4096) splitter.Feed(bytes.substr(at, 4096), read);
  splitter.Finish(read);
  return items > size + 1 ? 1 : 0;  // never more entries than there were lines
}
