#include "interpreter/change_recording.h"

#include "base/values.h"

namespace kx {

std::string withNewlineMarks(std::string_view value) {
  return replaceAll(value, "\r\n", kNewlineMark, false);
}

std::string withLineBreaks(std::string_view value) {
  return replaceAll(value, kNewlineMark, "\r\n", false);
}

void ChangeRecording::queueRow(const std::string& name, std::string_view value) {
  pendingRows.emplace_back(name, withNewlineMarks(value));
}

void ChangeRecording::recordProperty(const std::string& name, std::string_view value) {
  queueRow(name, value);
  recordedProperties.push_back(pendingRows.back());
}

}  // namespace kx
