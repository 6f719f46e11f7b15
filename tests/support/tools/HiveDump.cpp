// hive-dump HIVE [LOG...]: every key and value of a hive file, after applying
// the logs given (in the order Windows takes them: .LOG1, .LOG2), one line each:
//   K <TAB> path
//   V <TAB> path <TAB> name <TAB> type (hex) <TAB> data (hex)
// Paths join key names below the root with "\"; names are UTF-8, with "\" and
// code units below 0x20 written as \xHHHH. Recovery notes and failures go to
// stderr; the exit code is 1 when any part of the hive could not be read.
// With --time, nothing is listed: every key, value and value's data is read,
// and the time taken (file read included) goes to stderr.
#include <chrono>
#include <ctime>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Wtf8.h"
#include "core/hive/Hive.h"
#include "core/hive/HiveLog.h"

namespace {

using namespace quarvel::hive;

bool Slurp(const char* path, std::vector<std::byte>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  file.seekg(0, std::ios::end);
  bytes.resize(static_cast<std::size_t>(file.tellg()));
  file.seekg(0);
  return static_cast<bool>(file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())));
}

void AppendName(std::string& out, std::u16string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    char32_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
    } else if (c < 0x20 || c == u'\\' || (c >= 0xD800 && c <= 0xDFFF)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%04X", static_cast<unsigned>(c));
      out += escape;
      continue;
    }
    quarvel::AppendUtf8(out, c);
  }
}

void AppendPath(std::string& out, std::u16string_view path) {
  // Path separators stay; a "\" inside a name cannot occur in a walked path.
  std::size_t start = 0;
  for (;;) {
    const std::size_t cut = path.find(u'\\', start);
    AppendName(out, path.substr(start, cut - start));
    if (cut == std::u16string_view::npos) break;
    out += '\\';
    start = cut + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || (std::strcmp(argv[1], "--time") == 0 && argc < 3)) {
    std::fprintf(stderr, "usage: hive-dump [--time] HIVE [LOG...]\n");
    return 2;
  }
  int first = 1;
  const bool timed = std::strcmp(argv[1], "--time") == 0;
  if (timed) ++first;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  std::vector<std::byte> primary;
  if (!Slurp(argv[first], primary)) {
    std::fprintf(stderr, "hive-dump: cannot read %s\n", argv[first]);
    return 1;
  }
  std::vector<std::vector<std::byte>> log_bytes(static_cast<std::size_t>(argc - first - 1));
  std::vector<LogFile> logs;
  for (int i = first + 1; i < argc; ++i) {
    auto& bytes = log_bytes[static_cast<std::size_t>(i - first - 1)];
    if (!Slurp(argv[i], bytes)) {
      std::fprintf(stderr, "hive-dump: cannot read %s\n", argv[i]);
      return 1;
    }
    logs.push_back(LogFile{argv[i], bytes});
  }
  auto recovered = Recover(std::move(primary), logs);
  if (!recovered) {
    std::fprintf(stderr, "hive-dump: %s\n", recovered.failure().text.c_str());
    return 1;
  }
  const Recovery& recovery = recovered->recovery;
  std::fprintf(stderr, "recovery: dirty %d, base from log %d, %" PRIu32 " entries, %" PRIu32 " pages, sequence %" PRIu32 "\n",
               recovery.dirty, recovery.base_from_log, recovery.entries_applied, recovery.pages_applied, recovery.sequence);
  for (const auto& note : recovery.notes) std::fprintf(stderr, "note: %s\n", note.c_str());
  auto hive = Hive::Open(std::move(recovered->file));
  if (!hive) {
    std::fprintf(stderr, "hive-dump: %s\n", hive.failure().text.c_str());
    return 1;
  }

  std::string out;
  std::size_t keys = 0, values = 0, failed = 0;
  auto flush = [&] {
    if (!timed) std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  };
  auto failures = WalkKeys(*hive, [&](const KeyNode& key, const std::u16string& path) {
    ++keys;
    if (timed) {
      // Reads what a listing would, and lists nothing.
      auto cells = hive->ValueCells(key);
      if (!cells) {
        ++failed;
        return;
      }
      for (std::uint32_t cell : *cells) {
        auto value = hive->Value(cell);
        auto data = value ? hive->Data(*value) : Result<std::vector<std::byte>>(value.failure());
        data ? ++values : ++failed;
      }
      return;
    }
    out += "K\t";
    AppendPath(out, path);
    out += '\n';
    auto cells = hive->ValueCells(key);
    if (!cells) {
      std::fprintf(stderr, "failure: %s\n", cells.failure().text.c_str());
      ++failed;
      return;
    }
    for (std::uint32_t cell : *cells) {
      auto value = hive->Value(cell);
      auto data = value ? hive->Data(*value) : Result<std::vector<std::byte>>(value.failure());
      if (!data) {
        std::fprintf(stderr, "failure: %s\n", data.failure().text.c_str());
        ++failed;
        continue;
      }
      ++values;
      out += "V\t";
      AppendPath(out, path);
      out += '\t';
      AppendName(out, value->name);
      char type[16];
      std::snprintf(type, sizeof type, "\t%" PRIx32 "\t", value->type);
      out += type;
      static const char kDigits[] = "0123456789abcdef";
      for (std::byte b : *data) {
        out += kDigits[static_cast<unsigned>(b) >> 4];
        out += kDigits[static_cast<unsigned>(b) & 0xF];
      }
      out += '\n';
    }
    if (out.size() > (1u << 20)) flush();
  });
  flush();
  for (const auto& failure : failures) std::fprintf(stderr, "failure: %s\n", failure.text.c_str());
  failed += failures.size();
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "hive: %zu keys, %zu values, %zu failures", keys, values, failed);
  if (timed)
    std::fprintf(stderr, ", %.1f ms (%.1f ms of processor time)", ms,
                 1000.0 * static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC);
  std::fprintf(stderr, "\n");
  return failed == 0 ? 0 : 1;
}
