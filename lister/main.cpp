// The lister: lists a folder, or a folder tree, from the NTFS volume's own MFT
// where it can read the volume raw, else through the NT directory query, and
// writes the listing that the comparison reads. It writes nothing but
// listing lines (no banner, no prompt, no error text), since any other line would
// be read as a file that Windows does not see.
//
//   locate.com "<folder>\<filter>" [/NR] [>file]
//
// /NR lists the folder only; without it the whole tree. ">file" writes the
// listing to that file (on NT no command interpreter does the redirection);
// without it, to standard output.
#include <windows.h>

#include <memory>

#include "core/ListerCommandLine.h"
#include "core/ListingFormat.h"
#include "lister/AnsiName.h"
#include "lister/DirectoryWalk.h"
#include "lister/ListingOutput.h"
#include "lister/NtDirectory.h"
#include "lister/RawNtfsSource.h"
#include "platform/AnsiText.h"

namespace {

std::string FullPathOf(const std::string& folder) {
  const DWORD needed = GetFullPathNameA(folder.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return folder;
  std::string full(needed, '\0');
  const DWORD n = GetFullPathNameA(folder.c_str(), needed, full.data(), nullptr);
  full.resize(n < needed ? n : 0);
  return full.empty() ? folder : full;
}

// The heading is the folder's full path; a path with blanks takes its short
// form when it has one, since later commands cut an entry at its first blank.
std::string HeadingFor(const std::string& full_path) {
  std::string heading = quarvel::FolderHeadingLine(full_path);
  if (heading.find(' ') == std::string::npos) return heading;
  char short_path[MAX_PATH * 4];
  const DWORD n = GetShortPathNameA(heading.c_str(), short_path, sizeof(short_path));
  if (n == 0 || n >= sizeof(short_path)) return heading;
  return quarvel::FolderHeadingLine(std::string(short_path, n));
}

// Long folders are opened through the "\\?\" form, which has no length limit.
std::wstring OpenablePath(const std::string& full_path) {
  std::wstring wide = quarvel::win::WideFromAnsi(full_path);
  if (wide.size() >= MAX_PATH - 12 && wide.size() > 2 && wide[1] == L':') wide = L"\\\\?\\" + wide;
  return wide;
}

}  // namespace

int main() {
  using namespace quarvel;
  const ListerArguments arguments = ParseListerArguments(SkipProgramToken(GetCommandLineA()));
  const ListerPattern pattern = SplitListerPattern(arguments.pattern);

  lister::ListingOutput output(arguments.output_file);
  lister::WalkTotals totals;
  const std::string full_path = FullPathOf(pattern.folder);
  const std::wstring folder = OpenablePath(full_path);
  // The volume's own MFT where it can be read raw; the NT directory query
  // everywhere else.
  std::unique_ptr<lister::FolderSource> source = lister::RawNtfsSource::ForFolder(folder);
  if (!source) {
    if (auto directory = lister::NtDirectory::Load()) source = std::make_unique<lister::NtDirectory>(*directory);
  }
  if (source) {
    lister::DirectoryWalk walk(*source, output, win::WideFromAnsi(pattern.filter), arguments.recurse);
    walk.Run(HeadingFor(full_path), folder);
    totals = walk.Totals();
  }
  output.WriteLine(CountSummaryLine(totals.files, totals.folders));
  output.WriteLine(SizeSummaryLine(totals.bytes));
  output.Flush();
  return 0;
}
