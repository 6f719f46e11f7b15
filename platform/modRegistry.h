// Four registry operations over the ANSI registry API (module modRegistry). A
// registry function that fails is not reported: creating, deleting and writing
// pass silently, and reading answers with an empty value. Only a run-time
// failure (a value that cannot take the asked type) shows the operation's error
// box. No key handle outlives a call. Callers that must know a change was made
// use RegistryCalls, which answers with each call's result.
#pragma once

#include <windows.h>

#include <string>

#include "core/RegistryValue.h"

namespace quarvel::win {

void RegistryCreateNewKey(HKEY root, const std::string& key_path);
// Removes a key with its values; a key that has subkeys stays.
void RegistryDeleteKey(HKEY root, const std::string& key_path);
// REG_SZ (cut at its first NUL), REG_BINARY and REG_DWORD; empty for anything
// else, including a missing key or value.
RegistryValue RegistryGetKeyValue(HKEY root, const std::string& key_path,
                                  const std::string& value_name);
// Creates the key if needed and writes the value with the given type (1, 3 or 4;
// any other type writes nothing). A REG_SZ is written with its terminating NUL,
// so the empty text becomes one NUL byte.
void RegistrySetKeyValue(HKEY root, const std::string& key_path, const std::string& value_name,
                         const RegistryValue& value, unsigned long value_type);

}  // namespace quarvel::win
