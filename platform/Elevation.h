// Whether this process holds the full rights of an administrator. With User
// Account Control an administrator who simply starts a program gets a filtered
// token: in the Administrators group, yet refused HKLM writes, reg.exe save and
// restore and delete-at-restart. What counts is the token's elevation.
#pragma once

#include <string>

namespace quarvel::win {

// The token's elevation (TokenElevation). Before Windows Vista there is no
// filtered token: there, membership of the Administrators group decides.
// False when the token cannot be asked.
bool IsProcessElevated();

// Whether an account other than Administrators, SYSTEM and TrustedInstaller
// may change the file or folder: write or add to it, delete in it, or change
// its access list or owner. True when the access list cannot be read, or when
// there is none (everyone may do anything).
bool OthersCanWrite(const std::string& path);

}  // namespace quarvel::win
