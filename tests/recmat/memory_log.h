// A log held in a temporary file, for the tests of recmat's line reader and scanner.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

#include "recmat/log_reader.h"

namespace recmat_test {

// A log_reader over a temporary file holding `text` (NUL bytes included), read from its start.
inline recmat::log_reader log_holding(const std::string& text) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) throw std::runtime_error("tmpfile failed");
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  return recmat::log_reader(file, "memory.log");
}

}  // namespace recmat_test
