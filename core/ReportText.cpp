#include "core/ReportText.h"

namespace quarvel {
namespace {

const std::string kRule(48, '_');
constexpr const char* kEndLine = "--------------------End log---------------------";

}  // namespace

std::string FileVersionText(std::uint32_t ms, std::uint32_t ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFF);
}

std::string AttributeWord(bool readable, bool read_only, bool hidden, bool system) {
  if (system) return "System";
  if (hidden) return "Hidden";
  if (read_only) return "Read Only";
  return readable ? "Normal" : "";
}

std::string DetailsText(const std::string& long_name, const std::string& version,
                        std::optional<std::int64_t> length, const std::string& attribute_word) {
  std::string size = "(unknown)";
  if (length) size = (*length < 0 ? "" : " ") + std::to_string(*length) + " bytes";
  return long_name + "\r\nFile Version : " + version + "\r\nFile Size : " + size +
         "\r\nFile Attributes : " + attribute_word;
}

std::string LogText(const LogInput& input) {
  std::string text;
  const auto line = [&text](const std::string& content) {
    text += content;
    text += "\r\n";
  };
  line("*    Quarvel Log version(" + input.version + ")");
  line("Files Found that Windows does not See or cannot Access");
  line("*Not everything listed here means you are infected!");
  line(kRule);
  line("");
  if (input.list1.empty()) {
    line("Brennick says: \"There were no files found :)\"");
  } else {
    for (const auto& entry : input.list1) line(entry);
  }
  line(kRule);
  line("");
  line(input.size_caption);  // a caption of two lines gives two lines
  line("");
  if (input.nt_family) {
    line(std::string("Administrator Account = ") + (input.is_admin ? "True" : "False"));
    line("");
    if (!input.app_init_value.empty()) line("AppInit_DLLs value = " + input.app_init_value + " (not hidden)");
  }
  line(kEndLine);
  return text;
}

}  // namespace quarvel
