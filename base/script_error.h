#pragma once
#include <stdexcept>
#include <string>

namespace kx {

// A failure inside a statement. The interpreter reports it once and ends the run.
class ScriptError : public std::runtime_error {
 public:
  explicit ScriptError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kx
