// What a command wrote to a temporary file standing in for its output.
#pragma once
#include <cstdio>
#include <string>

namespace relvo::test {

// The whole of f from its start; f is closed.
inline std::string Drain(std::FILE* f) {
  std::rewind(f);
  std::string text;
  for (int ch; (ch = std::fgetc(f)) != EOF;) text += static_cast<char>(ch);
  std::fclose(f);
  return text;
}

}  // namespace relvo::test
