#include "platform/zel_archive_library.h"

#include <algorithm>

namespace kx {
namespace {

// The library's callbacks carry no context of ours, and it calls them on the thread that made
// the call: what they answer is kept per thread, for the call running on it.
thread_local const std::string* tPendingPassword = nullptr;
thread_local const ArchiveExtraction* tExtraction = nullptr;

// Gives the pending password once; the library then falls back to the password argument.
int32_t ZEL_CALL givePendingPassword(char* buffer) {
  if (!tPendingPassword) return 0;
  const size_t length = std::min(tPendingPassword->size(), size_t{ZEL_PASSWORD_BUFFER_SIZE - 1});
  tPendingPassword->copy(buffer, length);
  buffer[length] = '\0';
  tPendingPassword = nullptr;
  return 1;
}

// What the callbacks answer during one call of the library on this thread.
class CallbackScope {
 public:
  CallbackScope(const std::string& password, const ArchiveExtraction* extraction) {
    tPendingPassword = &password;
    tExtraction = extraction;
  }
  ~CallbackScope() {
    tPendingPassword = nullptr;
    tExtraction = nullptr;
  }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
};

int32_t ZEL_CALL reportProgress(const char* fileName, uint64_t done, uint64_t total) {
  const ArchiveProgress& progress = tExtraction->progress;
  return !progress || progress(fileName ? fileName : "", done, total) ? 1 : 0;
}
int32_t ZEL_CALL alwaysContinue(uint32_t, uint32_t) {
  return 1;
}
int32_t ZEL_CALL overwriteOne(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                              uint32_t, uint32_t, uint32_t) {
  return ZEL_OVERWRITE_YES;
}
int32_t ZEL_CALL overwriteEvery(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                uint32_t, uint32_t, uint32_t, uint32_t) {
  return ZEL_OVERWRITE_ALL;
}

}  // namespace

const ZelFunctions* ZelArchiveLibrary::functions() {
  if (!functions_) functions_ = bind_();
  return functions_;
}

std::string ZelArchiveLibrary::libraryPath(const std::string& path) const {
  return libraryPath_ ? libraryPath_(path) : path;
}

std::optional<std::vector<std::string>> ZelArchiveLibrary::list(const std::string& archive,
                                                                const std::string& password) {
  const ZelFunctions* zel = functions();
  if (!zel) return std::nullopt;
  ZelEntry* entries = nullptr;
  uint32_t count = 0;
  const std::string path = libraryPath(archive);
  void* handle = nullptr;
  {
    const CallbackScope answering(password, nullptr);
    handle = zel->openListArchive(path.c_str(), 0, givePendingPassword, 0, 0, 0, password.c_str(),
                                  &entries, &count);
  }
  if (!handle) return std::nullopt;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) names.emplace_back(entries[i].name);
  zel->closeListArchive(handle);
  return names;
}

bool ZelArchiveLibrary::extract(const std::string& archive, const std::string& destination,
                                const ArchiveExtraction& extraction) {
  const ZelFunctions* zel = functions();
  if (!zel) return false;
  std::vector<const char*> names;
  for (const auto& name : extraction.entries) names.push_back(name.c_str());
  const ZelTargetList targets{names.data(), static_cast<uint32_t>(names.size())};
  const std::string path = libraryPath(archive);
  const std::string target = libraryPath(destination);
  const CallbackScope answering(extraction.password, &extraction);
  return zel->extractArchive(path.c_str(), ZEL_EXTRACT_WITH_FOLDERS, target.c_str(), &targets,
                             extraction.keepWriteTimes ? 1 : 0, extraction.password.c_str(),
                             givePendingPassword, reportProgress, alwaysContinue,
                             extraction.overwriteAll ? overwriteEvery : overwriteOne) != 0;
}

int32_t ZelArchiveLibrary::lastError() {
  return functions_ ? functions_->getLastArchiveError(0) : 0;
}

}  // namespace kx
