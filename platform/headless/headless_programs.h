#pragma once
// No Windows programs run here: a program that exists in the sandbox is only logged, and
// none starts.
#include <ostream>

#include "platform/platform.h"

namespace kx {

class HeadlessPrograms : public Programs {
 public:
  HeadlessPrograms(FileSystem& files, std::ostream& log) : files_(files), log_(log) {}
  bool runHiddenAndWait(const std::string& program, const std::string& parameters) override;

 private:
  FileSystem& files_;
  std::ostream& log_;
};

}  // namespace kx
