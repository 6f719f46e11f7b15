// quarvel-scan: Quarvel's console companion, for scripts, remote shells and
// fleet tools (a scheduled task, PowerShell remoting, a configuration agent).
// It runs the same lister and the same comparison as the window, in a private
// work folder of its own, and writes a JSON object per unseen file and a
// summary (and, when asked, the same records as CSV).
//
//   quarvel-scan FOLDER [/FILTER pattern] [/S] [/ALL] [/JSON file] [/CSV file] [/PROGRESS]
//   quarvel-scan /REGISTRY [/ALL] [/JSON file]
//
// With /REGISTRY it compares the autostart keys' hive files, read raw from
// their volume, with the registry API, and writes a JSON object per difference.
//
// Exit code 0: nothing that points at a hider; 1: something that does (with
// /ALL: anything unseen); 2: an error, told on standard error.
#include <windows.h>

#include <algorithm>
#include <map>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Csv.h"
#include "core/ListingFormat.h"
#include "core/Pacer.h"
#include "core/ListerCommandLine.h"
#include "core/ScanCommandLine.h"
#include "core/Verdict.h"
#include "core/Wtf8.h"
#include "core/WorkFiles.h"
#include "platform/AnsiText.h"
#include "platform/Comparison.h"
#include "platform/DllSearch.h"
#include "platform/ListerRun.h"
#include "platform/OS_Detect.h"
#include "platform/PrivateFolder.h"
#include "platform/RegistryHives.h"
#include "platform/SystemError.h"
#include "platform/UniqueHandle.h"

#ifndef QUARVEL_VERSION
#error "QUARVEL_VERSION comes from the project version in CMake"
#endif

namespace {

using namespace quarvel;
// Keys in the order written: "type" first, as a reader looks for it.
using Json = nlohmann::ordered_json;

// The report's format: raised whenever a field changes meaning or goes away.
constexpr int kSchemaVersion = 2;

std::string Utf8(const std::wstring& wide) { return win::Utf8FromWide(wide).value_or("(a name that is not valid UTF-16)"); }

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

// Text for standard error: wide to a console, so every name shows as it is;
// UTF-8 when redirected.
void WriteError(const std::string& utf8) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (IsConsole(handle)) {
    const std::wstring wide = win::WideFromUtf8(utf8);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
}

int Fail(const std::string& message) {
  WriteError("quarvel-scan: " + message + "\r\n");
  return kScanExitError;
}

std::string ErrorText(DWORD error) {
  return win::SystemErrorDescription(error) + " (error " + std::to_string(error) + ")";
}

// Standard output or a file the user named, written through WriteFile so that
// every failure shows (a full disk, a closed pipe).
class Output {
 public:
  Output() : handle_(GetStdHandle(STD_OUTPUT_HANDLE)) {}
  // Replaces the file: the user asked for it by name.
  explicit Output(const std::wstring& path)
      : owned_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr)),
        handle_(owned_.get()),
        error_(owned_ ? 0 : GetLastError()) {}

  DWORD OpenError() const { return error_; }
  bool Write(std::string_view text) {
    while (ok_ && !text.empty()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
      ok_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
            WriteFile(handle_, text.data(), chunk, &written, nullptr) && written > 0;
      text.remove_prefix(written);
    }
    return ok_;
  }
  bool Ok() const { return ok_; }

 private:
  win::UniqueFileHandle owned_;
  HANDLE handle_;
  DWORD error_ = 0;
  bool ok_ = true;
};

// The full path of a name given on the command line, in the current folder.
std::wstring FullPath(const std::wstring& name) {
  const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return name;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return name;
  full.resize(length);
  return full;
}

// Folders and files read, on standard error once a second: while the lister
// runs, counted from its listing as it grows (read by a thread of its own, as
// the lister is waited for); while the comparison runs, from the lines it reads.
class Progress {
 public:
  Progress(bool on, std::wstring listing) : on_(on), console_(IsConsole(GetStdHandle(STD_ERROR_HANDLE))),
                                            listing_(std::move(listing)) {}
  ~Progress() { EndListing(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void StartListing() {
    if (!on_) return;
    watcher_ = std::thread([this] {
      try {
        WatchListing();
      } catch (...) {
        // Progress is a courtesy: its failure must not end the scan.
      }
    });
  }
  void EndListing() {
    if (!watcher_.joinable()) return;
    {
      const std::lock_guard lock(mutex_);
      listing_done_ = true;
    }
    wake_.notify_all();
    watcher_.join();
    Show("listed", folders_, files_);
  }

  // The comparison's lines, one by one.
  void Compared(ListingLineKind kind) {
    if (!on_) return;
    if (kind == ListingLineKind::kFolderHeading) ++compared_folders_;
    if (kind == ListingLineKind::kFile) ++compared_files_;
    if (pacer_.Due()) Show("compared", compared_folders_, compared_files_);
  }
  void EndComparison() {
    if (!on_) return;
    Show("compared", compared_folders_, compared_files_);
    if (console_) WriteError("\n");
  }

 private:
  void Show(const char* step, std::uint64_t folders, std::uint64_t files) {
    const std::string text = "quarvel-scan: " + std::string(step) + " " + std::to_string(folders) + " folder(s), " +
                             std::to_string(files) + " file(s)";
    // On a console the line is rewritten in place; in a file each is a line.
    WriteError(console_ ? "\r" + text + "   " : text + "\n");
  }

  void WatchListing() {
    std::string pending;  // a line not yet ended
    std::uint64_t offset = 0;
    std::unique_lock lock(mutex_);
    while (!listing_done_) {
      wake_.wait_for(lock, std::chrono::seconds(1), [this] { return listing_done_; });
      lock.unlock();
      CountNewLines(offset, pending);
      lock.lock();
      if (!listing_done_) Show("listing", folders_, files_);
    }
  }

  // Reads what the lister added to the listing since `offset` and counts its
  // folder headings and file lines.
  void CountNewLines(std::uint64_t& offset, std::string& pending) {
    const win::UniqueFileHandle file(CreateFileW(listing_.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return;
    std::vector<char> buffer(1 << 16);
    DWORD read = 0;
    while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0) {
      offset += read;
      pending.append(buffer.data(), read);
      std::size_t start = 0;
      for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string_view line(pending.data() + start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (!line.empty() && line.back() == '\\') {
          ++folders_;
        } else if (NameBeforeSizeColumn(line)) {
          ++files_;
        }
      }
      pending.erase(0, start);
    }
  }

  const bool on_;
  const bool console_;
  const std::wstring listing_;
  std::thread watcher_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool listing_done_ = false;
  std::uint64_t folders_ = 0, files_ = 0;  // the watcher's, read after it has ended
  std::uint64_t compared_folders_ = 0, compared_files_ = 0;
  Pacer pacer_{std::chrono::seconds(1)};
};

Json ViewNames(Views views) {
  Json names = Json::array();
  for (const ViewRow& row : kViewTable) {
    if (views.Has(row.id)) names.push_back(row.json);
  }
  return names;
}

// Why the lister did not read with a view, as its views file says.
Json ViewsNotUsed(const win::ComparisonOutcome& outcome) {
  Json not_used = Json::array();
  for (const ViewRow& row : kViewTable) {
    if (outcome.lister_views.Has(row.id)) continue;
    const auto reason = outcome.views_not_used.find(row.id);
    not_used.push_back({{"view", row.json},
                        {"reason", reason == outcome.views_not_used.end() ? std::string("not reported") : reason->second}});
  }
  return not_used;
}

// The file's real path: the folder as the lister opened it and the file's long
// name (UTF-16 as WTF-8), without the "\\?\" prefix; the listing's spelling
// when the lister did not say.
std::u16string TruePath(const UnseenFacts& facts) {
  if (facts.lister && !facts.lister->long_name.empty() && !facts.lister->folder.true_path.empty()) {
    const auto folder = Utf16FromWtf8(facts.lister->folder.true_path);
    const auto name = Utf16FromWtf8(facts.lister->long_name);
    if (folder && name) {
      std::u16string path = *folder + *name;
      if (path.starts_with(u"\\\\?\\UNC\\")) return u"\\\\" + path.substr(8);
      if (path.starts_with(u"\\\\?\\")) return path.substr(4);
      return path;
    }
  }
  const std::wstring wide = win::WideFromAnsi(facts.path);
  return std::u16string(wide.begin(), wide.end());
}

// UTF-16 units as hex, four digits each: a name that is no valid UTF-16 (a
// lone surrogate) is kept whole beside the text that cannot hold it.
std::string Utf16Hex(const std::u16string& text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const char16_t unit : text) {
    for (int shift = 12; shift >= 0; shift -= 4) hex += kDigits[(unit >> shift) & 0xF];
  }
  return hex;
}

Json UnseenObject(const win::UnseenEntry& entry, bool points_at_hider) {
  const UnseenFacts& facts = entry.facts;
  Json object = {{"type", "unseen"},
                 {"path", Wtf8FromUtf16(TruePath(facts))},
                 {"entry", win::Utf8FromAnsi(entry.item)},
                 {"size", facts.size ? Json(*facts.size) : Json(nullptr)},
                 {"code", VerdictCode(entry.judgement.verdict)},
                 {"verdict", VerdictName(entry.judgement.verdict)},
                 {"reason", win::Utf8FromAnsi(entry.judgement.reason)},
                 {"points_at_hider", points_at_hider}};
  if (const std::u16string path = TruePath(facts); HoldsLoneSurrogate(path)) object["path_utf16"] = Utf16Hex(path);
  if (facts.lister) {
    Json attributes = Json::array();
    for (const auto& name : AttributeList(facts.lister->attributes)) attributes.push_back(name);
    object["attributes"] = attributes;
    object["attributes_value"] = facts.lister->attributes;
    object["views"] = ViewNames(facts.lister->views);
  } else {
    object["attributes"] = nullptr;
    object["attributes_value"] = nullptr;
    object["views"] = Json::array();
  }
  return object;
}

const std::vector<std::string> kCsvHeader = {"path",       "entry",          "size",  "code",
                                             "verdict",    "reason",         "points_at_hider",
                                             "attributes", "attributes_value", "views"};

// The unseen object's fields as one CSV record, in the header's order.
std::string CsvOf(const Json& unseen) {
  const auto joined = [](const Json& list) {
    std::string text;
    if (list.is_array()) {
      for (const auto& item : list) text += (text.empty() ? "" : ", ") + item.get<std::string>();
    }
    return text;
  };
  std::vector<std::string> fields;
  for (const auto& key : kCsvHeader) {
    const Json& value = unseen.at(key);
    if (key == "attributes" || key == "views") {
      fields.push_back(joined(value));
    } else if (value.is_string()) {
      fields.push_back(value.get<std::string>());
    } else if (value.is_null()) {
      fields.emplace_back();
    } else {
      fields.push_back(value.dump());
    }
  }
  return CsvRecord(fields);
}

// The JSON of one line: every character outside ASCII as a \u escape, so the
// report reads the same through any console code page. Text that is not valid
// UTF-8 cannot come here (every field is converted from ANSI or UTF-16), but
// should it, U+FFFD is written rather than the report lost.
std::string JsonLine(const Json& object) {
  return object.dump(-1, ' ', true, Json::error_handler_t::replace) + "\n";
}

int Scan(const ScanRequest& request) {
  const auto started = std::chrono::steady_clock::now();
  const std::wstring folder = FullPath(win::WideFromUtf8(request.folder));
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return Fail("The folder " + Utf8(folder) + " does not exist or cannot be reached.");
  }
  // The lister and the comparison take ANSI paths.
  const auto folder_ansi = win::AnsiPath(folder);
  if (!folder_ansi) {
    return Fail("The folder " + Utf8(folder) + " cannot be handed to the lister: its name has characters the ANSI " +
                "code page (" + std::to_string(GetACP()) + ") cannot spell, and it has no short name that can.");
  }
  const auto filter_ansi = win::ExactAnsi(win::WideFromUtf8(request.filter));
  if (!filter_ansi) {
    return Fail("The filter " + request.filter + " cannot be handed to the lister: it has characters the ANSI " +
                "code page (" + std::to_string(GetACP()) + ") cannot spell.");
  }
  // A quotation mark would end the lister's quoted pattern early and hand the
  // rest to it as further arguments.
  if (const auto refusal = ListerInputRefusal(*folder_ansi, *filter_ansi)) return Fail(*refusal);

  std::optional<Output> json_file, csv_file;
  if (!request.json_file.empty()) {
    json_file.emplace(FullPath(win::WideFromUtf8(request.json_file)));
    if (json_file->OpenError() != 0) {
      return Fail("The report " + request.json_file + " cannot be written: " + ErrorText(json_file->OpenError()) + ".");
    }
  }
  if (!request.csv_file.empty()) {
    csv_file.emplace(FullPath(win::WideFromUtf8(request.csv_file)));
    if (csv_file->OpenError() != 0) {
      return Fail("The CSV file " + request.csv_file + " cannot be written: " + ErrorText(csv_file->OpenError()) + ".");
    }
  }
  Output standard_output;
  Output& out = json_file ? *json_file : standard_output;

  const win::PrivateFolder work;
  if (!work.Made()) return Fail(work.Error());
  if (!work.Ansi()) {
    return Fail("The work folder " + Utf8(work.Wide()) + " cannot be handed to the lister: the ANSI code page (" +
                std::to_string(GetACP()) + ") cannot spell its name. Set TMP to a folder it can spell.");
  }
  // The lister writes its listing where it is started: in the work folder.
  if (!SetCurrentDirectoryW(work.Wide().c_str())) {
    return Fail("The work folder " + Utf8(work.Wide()) + " cannot be entered: " + ErrorText(GetLastError()) + ".");
  }

  const HANDLE error_handle = GetStdHandle(STD_ERROR_HANDLE);
  Progress progress(request.progress || IsConsole(error_handle),
                    work.Wide() + win::WideFromAnsi(kListingFile));
  ListerLaunch launch;
  launch.platform_id = win::GetPlatformId();
  launch.current_folder = *work.Ansi();
  launch.path_box_text = *folder_ansi;
  launch.filter_text = *filter_ansi;
  launch.include_subdirectories_value = request.subfolders ? 1 : 0;
  progress.StartListing();
  const auto run = win::RunListerIn(launch);
  progress.EndListing();
  using Kind = win::ListerRunOutcome::Kind;
  switch (run.kind) {
    case Kind::kListed: break;
    case Kind::kNotStarted: return Fail("The lister could not be started: " + ErrorText(run.error) + ".");
    case Kind::kNoCommand: return Fail("The lister has no command line for this system.");
    case Kind::kStopped: return Fail("The lister was stopped before it ended.");
    case Kind::kForeignFile:
    case Kind::kNotWritten: return Fail("The lister could not be written to " + win::Utf8FromAnsi(run.lister_path) + ".");
    case Kind::kFailed:
      return Fail("The lister did not finish (exit code " + std::to_string(run.exit_code) + ": " +
                  win::ListerEndText(run.exit_code) +
                  "); nothing it listed is reported, since its listing may not be whole.");
    case Kind::kNotHeld:
      return Fail("The lister's listing file could not be made anew: " + ErrorText(run.error) + ".");
  }

  win::ComparisonCallbacks callbacks;
  callbacks.line_read = [&](const ListingLineResult& result, std::string_view, const ListingReader&) {
    progress.Compared(result.kind);
  };
  const win::ComparisonOutcome outcome = win::RunComparison(*work.Ansi(), run, callbacks);
  progress.EndComparison();
  if (outcome.stopped) return Fail("The comparison was stopped before it ended.");

  if (csv_file) csv_file->Write("\xEF\xBB\xBF" + CsvRecord(kCsvHeader));
  std::size_t pointing_at_hider = 0;
  for (const auto& entry : outcome.unseen) {
    const bool hider = PointsAtHider(entry.facts, entry.judgement.verdict);
    if (hider) ++pointing_at_hider;
    const Json object = UnseenObject(entry, hider);
    out.Write(JsonLine(object));
    if (csv_file) csv_file->Write(CsvOf(object));
  }

  Json counts = Json::object();
  for (int i = 0; i < kVerdictCount; ++i) {
    counts[VerdictCode(static_cast<Verdict>(i))] = outcome.counts[static_cast<std::size_t>(i)];
  }
  Json views = ViewNames(outcome.lister_views);
  views.push_back("win32 search");
  // A failed second look leaves the first look's verdicts unconfirmed: the
  // report is written whole, but a script must not take it for a whole answer.
  const bool second_look_failed = outcome.second_look.kind == SecondLookState::Kind::kFailed;
  const int exit_code =
      second_look_failed ? kScanExitError : ScanExitCode(outcome.unseen.size(), pointing_at_hider, request.all);
  const auto duration =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  Json summary = {{"type", "summary"},
                        {"tool_version", QUARVEL_VERSION},
                        {"schema_version", kSchemaVersion},
                        {"folder", Utf8(folder)},
                        {"filter", request.filter},
                        {"subfolders", request.subfolders},
                        {"folders", outcome.folders_listed},
                        {"files", outcome.files_listed},
                        {"unseen", counts},
                        {"unseen_total", outcome.unseen.size()},
                        {"pointing_at_hider", pointing_at_hider},
                        {"vanished", outcome.vanished.size()},
                        {"duration_ms", duration},
                        {"views", views},
                        {"views_not_used", ViewsNotUsed(outcome)},
                        {"exit_code", exit_code}};
  if (outcome.volume_view) summary["volume_view"] = VolumeViewText(*outcome.volume_view);
  // The failure's text holds a path and the system's words, in the ANSI code page.
  summary["second_look"] = win::Utf8FromAnsi(SecondLookText(outcome.second_look));
  out.Write(JsonLine(summary));
  if (!out.Ok()) return Fail("The report could not be written whole: " + ErrorText(GetLastError()) + ".");
  if (csv_file && !csv_file->Ok()) {
    return Fail("The CSV file could not be written whole: " + ErrorText(GetLastError()) + ".");
  }
  if (second_look_failed) {
    return Fail("The second look at the unseen files failed: " + win::Utf8FromAnsi(outcome.second_look.failure) +
                "; the report holds the first look's verdicts, unconfirmed.");
  }
  return exit_code;
}

// A registry name as stored: its text (a NUL inside written as \u0000, a lone
// surrogate as U+FFFD) and, when the text cannot carry it whole or a reader
// could cut it at the NUL, its UTF-16 units in hex.
void PutName(Json& object, const std::u16string& name) {
  object["name"] = Wtf8FromUtf16(name);
  if (name.find(u'\0') != std::u16string::npos || HoldsLoneSurrogate(name)) object["name_utf16"] = Utf16Hex(name);
}

const hive::SeenValue* FindValue(const std::optional<std::vector<hive::SeenValue>>& values, const std::u16string& name) {
  if (!values) return nullptr;
  for (const auto& value : *values)
    if (value.name == name) return &value;
  return nullptr;
}

// The views that hold the name as stored (or, for a change not yet written,
// the API views that returned it).
Json HoldingViews(const win::KeyCrossView& key, const hive::Difference& difference, bool in_file) {
  Json views = Json::array();
  if (in_file) views.push_back("hive file");
  const bool changed = difference.verdict == hive::Verdict::kChangedSinceWritten;
  const auto holds = [&](bool read, unsigned bit) {
    if (!read) return false;
    if (changed) return (difference.views & bit) != 0 || in_file;
    return (difference.views & bit) == 0 && !(bit == hive::kWin32View && difference.verdict == hive::Verdict::kEmbeddedNul);
  };
  if (holds(key.win32_read, hive::kWin32View)) views.push_back("win32 api");
  if (holds(key.native_read, hive::kNativeView)) views.push_back("native api");
  return views;
}

Json DifferenceObject(const win::KeyCrossView& key, const hive::Difference& difference) {
  Json object = {{"type", key.subkey_names ? "key" : "value"},
                 {"key", "HKLM\\" + Wtf8FromUtf16(key.api_path)},
                 {"registry_view", key.wow64_32 ? "32-bit" : "64-bit"}};
  PutName(object, difference.name);
  bool in_file = false;
  if (key.subkey_names) {
    object["value_type"] = nullptr;
    // A subkey's name as stored in the file: a difference about one the file has.
    in_file = difference.verdict != hive::Verdict::kChangedSinceWritten;
  } else {
    const hive::SeenValue* file = nullptr;
    for (const auto& value : key.values.file)
      if (value.name == difference.name) file = &value;
    in_file = file != nullptr;
    const hive::SeenValue* seen = file ? file : FindValue(key.values.native, difference.name);
    if (!seen) seen = FindValue(key.values.win32, difference.name);
    object["value_type"] = seen ? Json(seen->type) : Json(nullptr);
  }
  object["views"] = HoldingViews(key, difference, in_file);
  object["code"] = std::string(hive::VerdictCode(difference.verdict));
  object["verdict"] = std::string(hive::VerdictText(difference.verdict));
  object["points_at_hider"] = PointsAtHider(difference.verdict);
  return object;
}

int ScanRegistry(const ScanRequest& request) {
  const auto started = std::chrono::steady_clock::now();
  std::optional<Output> json_file;
  if (!request.json_file.empty()) {
    json_file.emplace(FullPath(win::WideFromUtf8(request.json_file)));
    if (json_file->OpenError() != 0) {
      return Fail("The report " + request.json_file + " cannot be written: " + ErrorText(json_file->OpenError()) + ".");
    }
  }
  Output standard_output;
  Output& out = json_file ? *json_file : standard_output;

  // Each hive's file view: read, or why not.
  win::LoadedHives loaded;
  struct HiveView {
    const char* name;
    const wchar_t* key;
    std::optional<win::HiveFile> file;
    std::string why_not;
    std::u16string control_set;
  };
  HiveView hives[] = {{"SOFTWARE", L"\\REGISTRY\\MACHINE\\SOFTWARE", {}, {}, {}},
                      {"SYSTEM", L"\\REGISTRY\\MACHINE\\SYSTEM", {}, {}, {}}};
  for (HiveView& view : hives) {
    auto file = loaded.Read(view.key);
    if (!file) {
      view.why_not = file.failure().text;
      continue;
    }
    if (view.key == hives[1].key) {
      auto control_set = hive::CurrentControlSet(file->hive);
      if (!control_set) {
        view.why_not = control_set.failure().text;
        continue;
      }
      view.control_set = *control_set;
    }
    view.file.emplace(std::move(*file));
  }

  std::map<std::string, std::size_t> counts;
  for (const hive::Verdict verdict : hive::kHiveVerdicts) counts[std::string(hive::VerdictCode(verdict))] = 0;
  std::size_t total = 0, pointing_at_hider = 0, keys_compared = 0, keys_not_compared = 0;
  std::size_t win32_unread = 0, native_unread = 0;
  std::string first_win32_unread, first_native_unread;
  for (const hive::AutostartKey& key : hive::AutostartKeys()) {
    HiveView& view = hives[key.hive == hive::HiveName::kSoftware ? 0 : 1];
    if (!view.file) {
      ++keys_not_compared;
      continue;
    }
    auto compared = win::CompareAutostartKey(view.file->hive, view.control_set, key);
    if (!compared) {
      return Fail("The hive file " + std::string(view.name) + " could not be read at HKLM\\" +
                  Wtf8FromUtf16(key.api_path) + ": " + compared.failure().text);
    }
    for (const win::KeyCrossView& one : *compared) {
      const std::string where = "HKLM\\" + Wtf8FromUtf16(one.api_path) + (one.wow64_32 ? " (32-bit)" : "");
      if (!one.subkey_names) ++keys_compared;
      if (!one.win32_read && win32_unread++ == 0) first_win32_unread = where;
      if (!one.native_read && native_unread++ == 0) first_native_unread = where;
      for (const hive::Difference& difference : one.comparison.differences) {
        ++total;
        ++counts[std::string(hive::VerdictCode(difference.verdict))];
        if (PointsAtHider(difference.verdict)) ++pointing_at_hider;
        out.Write(JsonLine(DifferenceObject(one, difference)));
      }
    }
  }

  Json views = Json::array();
  for (const HiveView& view : hives) {
    Json entry = {{"view", std::string("hive file ") + view.name}, {"read", view.file.has_value()}};
    if (view.file) {
      entry["file"] = std::string(1, static_cast<char>(view.file->location.letter)) + ":\\" +
                      Wtf8FromUtf16(view.file->location.path);
      entry["log_entries_applied"] = view.file->recovery.entries_applied;
    } else {
      entry["reason"] = view.why_not;
    }
    views.push_back(entry);
  }
  const auto api_view = [&](const char* name, std::size_t unread, const std::string& first) {
    Json entry = {{"view", name}, {"read", unread == 0 && keys_compared > 0}};
    if (keys_compared == 0) entry["reason"] = "no hive file was read, so no key was compared";
    if (unread > 0) entry["reason"] = std::to_string(unread) + " key(s) could not be read through it, first " + first;
    return entry;
  };
  views.push_back(api_view("win32 api", win32_unread, first_win32_unread));
  views.push_back(api_view("native api", native_unread, first_native_unread));

  const bool nothing_read = !hives[0].file && !hives[1].file;
  const int exit_code = nothing_read ? kScanExitError : ScanExitCode(total, pointing_at_hider, request.all);
  const auto duration =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  const Json summary = {{"type", "registry_summary"},
                        {"tool_version", QUARVEL_VERSION},
                        {"schema_version", kSchemaVersion},
                        {"keys_compared", keys_compared},
                        {"keys_not_compared", keys_not_compared},
                        {"differences", Json(counts)},
                        {"differences_total", total},
                        {"pointing_at_hider", pointing_at_hider},
                        {"views", views},
                        {"duration_ms", duration},
                        {"exit_code", exit_code}};
  out.Write(JsonLine(summary));
  if (!out.Ok()) return Fail("The report could not be written whole: " + ErrorText(GetLastError()) + ".");
  if (nothing_read) {
    return Fail("No hive file could be read, so nothing was compared: SOFTWARE: " + hives[0].why_not +
                "; SYSTEM: " + hives[1].why_not + ".");
  }
  return exit_code;
}

int Run() {
  // The command line as the system keeps it, in UTF-16: a folder outside the
  // ANSI code page arrives intact, and the quotes are read by our own rule.
  const auto command_line = win::Utf8FromWide(GetCommandLineW());
  if (!command_line) return Fail("The command line holds text that is not valid UTF-16.");
  const ScanCommand command = ParseScanCommandLine(ScanArguments(*command_line));
  Output out;
  if (command.help) return out.Write(ScanHelpText()) ? kScanExitClean : kScanExitError;
  if (command.version) return out.Write("quarvel-scan " QUARVEL_VERSION "\n") ? kScanExitClean : kScanExitError;
  if (!command.request) return Fail(command.error + " Type quarvel-scan /? for help.");
  if (command.request->registry) return ScanRegistry(*command.request);
  return Scan(*command.request);
}

}  // namespace

// Every failure, an unforeseen one included, ends in exit code 2 with a message:
// a script must never read a crash as a verdict.
int wmain(int, wchar_t**) {
  win::LoadDllsFromSystemFolderOnly();
  try {
    return Run();
  } catch (const std::exception& failure) {
    return Fail(std::string("An unexpected failure ended the scan: ") + failure.what());
  } catch (...) {
    return Fail("An unexpected failure ended the scan.");
  }
}
