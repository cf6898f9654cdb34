// Stands in for a program the engine starts: appends its command line, after the program
// name, as one line to the file named like itself with ".args" added.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  char path[MAX_PATH];
  if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return 1;
  std::string line = GetCommandLineA();
  // The program name ends at its closing quote, or at the first blank when it is not quoted.
  size_t end = line.starts_with('"') ? line.find('"', 1) + 1 : line.find(' ');
  if (end == std::string::npos || end > line.size()) end = line.size();
  line.erase(0, line.find_first_not_of(' ', end) == std::string::npos
                    ? line.size()
                    : line.find_first_not_of(' ', end));
  FILE* log = std::fopen((std::string(path) + ".args").c_str(), "ab");
  if (!log) return 1;
  std::fprintf(log, "%s\n", line.c_str());
  std::fclose(log);
  return 0;
}
