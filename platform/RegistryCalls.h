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
// Every value of the key with its type and raw bytes; no values when the key
// is not there, and the error code when it is there but cannot be read.
KeyRead ReadRegistryKey(HKEY root, const std::string& key_path);

}  // namespace quarvel::win
