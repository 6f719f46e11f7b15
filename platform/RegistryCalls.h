// Registry calls that answer with the registry function's own result
// (ERROR_SUCCESS or the error code it failed with), for callers that must know
// a change was made before they go on. modRegistry is built on them and keeps
// its own contract of passing failures over silently.
#pragma once

#include <windows.h>

#include <string>

#include "core/KeyContents.h"
#include "platform/UniqueHandle.h"

namespace quarvel::win {

// Creates the key if it is missing, with the missing keys on its path, and
// opens it for query value, set value, create subkey, enumerate subkeys,
// notify and create link (0x3F; deliberately not KEY_ALL_ACCESS).
LONG OpenOrCreateKey(HKEY root, const std::string& key_path, UniqueRegistryKey& key);
LONG CreateRegistryKey(HKEY root, const std::string& key_path);
// Removes a key with its values; a key that has subkeys stays, and that fails.
LONG DeleteRegistryKey(HKEY root, const std::string& key_path);
// Creates the key when needed and writes `text` as REG_SZ with its terminating NUL.
LONG SetRegistryText(HKEY root, const std::string& key_path, const std::string& value_name, const std::string& text);
// Removes a key with its values and every subkey (ERROR_FILE_NOT_FOUND when it is not there).
LONG DeleteRegistryTree(HKEY root, const std::string& key_path);
// Copies every value and subkey of one key into another, which must exist.
LONG CopyRegistryTree(HKEY root, const std::string& from_path, const std::string& to_path);
// A protected access list for the key and every subkey: Administrators and SYSTEM, full control, nobody else.
LONG ProtectRegistryKey(HKEY root, const std::string& key_path);
// Sets the key's access list from its text form ("D:...").
LONG SetRegistryKeySecurity(HKEY root, const std::string& key_path, const std::string& security);
// Writes a value as stored: type and raw bytes (text in UTF-16LE).
LONG SetRegistryValue(HKEY root, const std::string& key_path, const std::string& value_name, const StoredValue& value);
// The whole key through the wide functions: every value with its type and raw
// bytes, every subkey, and the key's access list; no tree when the key is not
// there, and the error code when it is there but cannot be read.
KeyRead ReadRegistryKey(HKEY root, const std::string& key_path);

}  // namespace quarvel::win
