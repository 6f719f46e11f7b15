// libFuzzer target: any bytes, read as a hive file and as its transaction log.
// The reader must never read outside its buffers, crash, hang or exhaust
// memory, whatever the cells claim: every key is walked, every value and its
// data read. The first byte picks how the rest is used:
//   0: the whole hive file;
//   1: the cells of one bin, behind a sound base block and bin header;
//   2, 3: a log (new, old format) of a small dirty hive built here.
// The cross-view's reads of the file (FileValues, FileSubkeys) run on each hive.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/hive/AutostartKeys.h"
#include "core/hive/CrossView.h"
#include "core/hive/Hive.h"
#include "core/hive/HiveLog.h"

namespace {

using namespace quarvel::hive;
using File = std::vector<std::byte>;

void Put32(File& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::byte>(value >> (8 * i));
}

File Wrapped(const std::uint8_t* data, std::size_t size, std::uint32_t sequence, std::uint32_t secondary) {
  const std::size_t bins = (size + 32 + 4095) / 4096 * 4096;
  File file(4096 + bins);
  std::memcpy(file.data(), "regf", 4);
  Put32(file, 4, sequence);
  Put32(file, 8, secondary);
  Put32(file, 20, 1);
  Put32(file, 24, 5);
  Put32(file, 32, 1);
  Put32(file, 36, 0x20);
  Put32(file, 40, static_cast<std::uint32_t>(bins));
  Put32(file, 508, BaseBlockChecksum(file));
  std::memcpy(file.data() + 4096, "hbin", 4);
  Put32(file, 4096 + 8, static_cast<std::uint32_t>(bins));
  if (size) std::memcpy(file.data() + 4096 + 32, data, size);
  return file;
}

void ReadAll(File file) {
  auto hive = Hive::Open(std::move(file));
  if (!hive) return;
  std::size_t seen = 0;
  (void)WalkKeys(*hive, [&](const KeyNode& key, const std::u16string&) {
    auto cells = hive->ValueCells(key);
    if (!cells) return;
    for (std::uint32_t cell : *cells) {
      auto value = hive->Value(cell);
      if (!value) continue;
      auto data = hive->Data(*value);
      if (data) seen += data->size();
    }
  });
  // The cross-view's reads of the file: a key's values and subkeys by path, the control set.
  (void)CurrentControlSet(*hive);
  auto run = FileValues(*hive, u"Microsoft\\Windows\\CurrentVersion\\Run");
  auto services = FileSubkeys(*hive, u"ControlSet001\\Services");
  if (run && *run) (void)CompareValues({**run, std::vector<SeenValue>{}, std::nullopt});
  if (services && *services) (void)CompareSubkeys({**services, std::nullopt, std::vector<std::u16string>{}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0] % 4;
  ++data;
  --size;
  if (mode == 0) {
    File file(reinterpret_cast<const std::byte*>(data), reinterpret_cast<const std::byte*>(data) + size);
    auto recovered = Recover(std::move(file), {});
    if (recovered) ReadAll(std::move(recovered->file));
  } else if (mode == 1) {
    ReadAll(Wrapped(data, size, 1, 1));
  } else {
    // A dirty hive whose root cell is a bare key node, and the input as its log.
    static const std::uint8_t kRoot[] = {0xA8, 0xFF, 0xFF, 0xFF, 'n', 'k', 0x2C, 0};
    File primary = Wrapped(kRoot, sizeof kRoot, 2, 1);
    File log(reinterpret_cast<const std::byte*>(data), reinterpret_cast<const std::byte*>(data) + size);
    if (log.size() >= 512 && mode == 2) {
      // Keeps a sound log base block so that the entries themselves are reached.
      std::memcpy(log.data(), primary.data(), 512);
      Put32(log, 4, 2);
      Put32(log, 8, 2);
      Put32(log, 28, kNewLogFile);
      Put32(log, 508, BaseBlockChecksum(log));
    }
    const std::vector<LogFile> logs{{".LOG1", log}, {".LOG2", log}};
    auto recovered = Recover(std::move(primary), logs);
    if (recovered) ReadAll(std::move(recovered->file));
  }
  return 0;
}
