#include "interpreter/conditions.h"

#include <optional>

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {

bool evaluateCondition(Engine& engine) {
  const std::string left = engine.translatable(1);
  const std::string right = engine.translatable(3);
  std::string leftName = referenceName(left);
  if (leftName.empty()) leftName = left;
  const std::string leftValue = engine.store.get(leftName);
  const std::string rightName = referenceName(right);
  const std::string rightValue = rightName.empty() ? right : engine.store.get(rightName);

  const std::optional<int32_t> leftNumber = tryParseInteger(leftValue);
  const std::optional<int32_t> rightNumber = tryParseInteger(rightValue);
  const bool numeric = leftNumber && rightNumber;
  const std::string mode = engine.parameter(2);
  bool result = false;
  if (mode == "0") {
    result = numeric ? *leftNumber == *rightNumber : leftValue == rightValue;
  } else if (mode == "1") {
    result = numeric ? *leftNumber == *rightNumber
                     : !rightValue.empty() && leftValue.find(rightValue) != std::string::npos;
  } else if (mode == "2") {
    // std::string compares bytes as unsigned char, and a prefix sorts first.
    result = numeric ? *leftNumber > *rightNumber : leftValue.compare(rightValue) > 0;
  }
  return isTrue(engine.parameter(4)) ? !result : result;
}

}  // namespace kx
