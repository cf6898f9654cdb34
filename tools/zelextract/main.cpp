// zelextract: unpacks a 7z archive with the archive library, as the engine does (benchmarks and
// checking an archive by hand).
#include <iostream>

#include "media/zel/zel.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "usage: zelextract ARCHIVE DESTINATION [PASSWORD]\n";
    return 2;
  }
  const char* password = argc == 4 ? argv[3] : nullptr;
  if (ExtractArchive(argv[1], ZEL_EXTRACT_WITH_FOLDERS, argv[2], nullptr, 0, password, nullptr,
                     nullptr, nullptr, nullptr) != 0) {
    return 0;
  }
  std::cerr << "zelextract: " << argv[1] << ": failure " << GetLastArchiveError(0) << "\n";
  return 1;
}
