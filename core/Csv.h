// One record of comma-separated values as RFC 4180 has them: a field that holds
// a comma, a quote, CR or LF is quoted, its quotes doubled; records end in CR LF.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

inline std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    const std::string& field = fields[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      record += field;
      continue;
    }
    record += '"';
    for (const char c : field) {
      if (c == '"') record += '"';
      record += c;
    }
    record += '"';
  }
  return record + "\r\n";
}

}  // namespace quarvel
