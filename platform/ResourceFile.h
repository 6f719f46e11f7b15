// Writes a program resource of type "CUSTOM" out as a file, byte for byte.
#pragma once

#include <string>

#include "platform/UniqueHandle.h"

namespace quarvel::win {

inline constexpr int kListerResourceId = 101;

// Writes the resource unless an ordinary directory search already finds
// `file_name` (hidden and system files do not count). A file that could not be
// written whole is removed again, so a half-written program is never left to run.
// Returns whether the file was written now.
bool LoadDataIntoFile(int data_name, const std::string& file_name);

// True when `file_name` holds exactly the bytes of the resource.
bool FileHoldsResource(int data_name, const std::string& file_name);

// `file_name` opened so that nobody can write, replace, rename or delete it
// while the handle is held, when it holds exactly the bytes of the resource;
// an empty handle otherwise. What is checked is what will run.
UniqueFileHandle HoldIfResource(int data_name, const std::string& file_name);

// Writes the resource over whatever `file_name` holds. False when it could not
// be written whole; a half-written file is removed again.
bool ReplaceWithResource(int data_name, const std::string& file_name);

}  // namespace quarvel::win
