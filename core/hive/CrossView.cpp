#include "core/hive/CrossView.h"

#include <algorithm>

namespace quarvel::hive {
namespace {

// What RegEnumValueW / RegEnumKeyExW give back of a stored name.
std::u16string_view Win32Name(std::u16string_view stored) { return stored.substr(0, stored.find(u'\0')); }

const std::u16string& NameOf(const SeenValue& value) { return value.name; }
const std::u16string& NameOf(const std::u16string& name) { return name; }

bool SameContent(const SeenValue& a, const SeenValue& b) { return a.type == b.type && a.data == b.data; }
bool SameContent(const std::u16string&, const std::u16string&) { return true; }

// One entry of one API view, taken by the file entry it answers to.
template <class Entry>
struct ApiView {
  const std::vector<Entry>* entries;
  std::vector<bool> taken;
  unsigned bit;
  bool cuts_at_nul;

  ApiView(const std::vector<Entry>& all, unsigned view_bit, bool cuts)
      : entries(&all), taken(all.size(), false), bit(view_bit), cuts_at_nul(cuts) {}

  // The entry this view returned for the stored name, if any.
  const Entry* Take(std::u16string_view stored) {
    const std::u16string_view wanted = cuts_at_nul ? Win32Name(stored) : stored;
    for (std::size_t i = 0; i < entries->size(); ++i) {
      if (!taken[i] && NameOf((*entries)[i]) == wanted) {
        taken[i] = true;
        return &(*entries)[i];
      }
    }
    return nullptr;
  }
};

void Add(std::vector<Difference>& out, std::u16string_view name, Verdict verdict, unsigned view) {
  for (Difference& d : out) {
    if (d.name == name && d.verdict == verdict) {
      d.views |= view;
      return;
    }
  }
  out.push_back(Difference{std::u16string(name), verdict, view});
}

template <class Entry>
Comparison Compare(const std::vector<Entry>& file, const std::optional<std::vector<Entry>>& win32,
                   const std::optional<std::vector<Entry>>& native) {
  Comparison result;
  result.complete = win32.has_value() && native.has_value();
  std::vector<ApiView<Entry>> views;
  if (win32) views.emplace_back(*win32, kWin32View, true);
  if (native) views.emplace_back(*native, kNativeView, false);
  // Names with a NUL first: their cut-off form must not be taken by another
  // stored name that happens to equal it.
  std::vector<const Entry*> order;
  for (const Entry& entry : file) order.push_back(&entry);
  std::stable_partition(order.begin(), order.end(),
                        [](const Entry* e) { return NameOf(*e).find(u'\0') == std::u16string::npos; });
  for (const Entry* stored : order) {
    const std::u16string& name = NameOf(*stored);
    const bool has_nul = name.find(u'\0') != std::u16string::npos;
    for (auto& view : views) {
      const Entry* seen = view.Take(name);
      if (!seen) {
        Add(result.differences, name, Verdict::kHiddenFromApi, view.bit);
      } else if (has_nul && view.cuts_at_nul) {
        Add(result.differences, name, Verdict::kEmbeddedNul, view.bit);
      } else if (!SameContent(*stored, *seen)) {
        Add(result.differences, name, Verdict::kChangedSinceWritten, view.bit);
      }
    }
    // A name the Win32 view cannot return whole is worth naming even when that
    // view was not read.
    if (has_nul && !win32) Add(result.differences, name, Verdict::kEmbeddedNul, 0);
  }
  for (auto& view : views)
    for (std::size_t i = 0; i < view.entries->size(); ++i)
      if (!view.taken[i]) Add(result.differences, NameOf((*view.entries)[i]), Verdict::kChangedSinceWritten, view.bit);
  return result;
}

}  // namespace

std::string_view VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kHiddenFromApi:
      return "hidden from the registry API";
    case Verdict::kEmbeddedNul:
      return "name the API cannot return (embedded NUL)";
    case Verdict::kChangedSinceWritten:
      return "changed since the hive was written";
  }
  return "";
}

std::string_view VerdictCode(Verdict verdict) {
  switch (verdict) {
    case Verdict::kHiddenFromApi: return "hidden_from_registry_api";
    case Verdict::kEmbeddedNul: return "name_with_embedded_nul";
    case Verdict::kChangedSinceWritten: return "changed_since_hive_written";
  }
  return "";
}

Comparison CompareValues(const ValueViews& views) { return Compare(views.file, views.win32, views.native); }
Comparison CompareSubkeys(const NameViews& views) { return Compare(views.file, views.win32, views.native); }

Result<std::optional<std::vector<SeenValue>>> FileValues(const Hive& hive, std::u16string_view path) {
  auto key = hive.Find(path);
  if (!key) return key.failure();
  if (!*key) return std::optional<std::vector<SeenValue>>();
  auto cells = hive.ValueCells(**key);
  if (!cells) return cells.failure();
  std::vector<SeenValue> values;
  for (std::uint32_t cell : *cells) {
    auto value = hive.Value(cell);
    if (!value) return value.failure();
    auto data = hive.Data(*value);
    if (!data) return data.failure();
    values.push_back(SeenValue{std::move(value->name), value->type, std::move(*data)});
  }
  return std::optional<std::vector<SeenValue>>(std::move(values));
}

Result<std::optional<std::vector<std::u16string>>> FileSubkeys(const Hive& hive, std::u16string_view path) {
  auto key = hive.Find(path);
  if (!key) return key.failure();
  if (!*key) return std::optional<std::vector<std::u16string>>();
  auto cells = hive.SubkeyCells(**key);
  if (!cells) return cells.failure();
  std::vector<std::u16string> names;
  for (std::uint32_t cell : *cells) {
    auto child = hive.Key(cell);
    if (!child) return child.failure();
    names.push_back(std::move(child->name));
  }
  return std::optional<std::vector<std::u16string>>(std::move(names));
}

}  // namespace quarvel::hive
