#include "platform/zel_archive_library.h"

#include <algorithm>

namespace kx {
namespace {

// The library's callbacks carry no context of ours, and it calls them on the thread that made
// the call: what they answer is kept per thread, for the call running on it.
thread_local const std::string* tPendingPassword = nullptr;
thread_local const ArchiveProgress* tProgress = nullptr;

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
  CallbackScope(const std::string& password, const ArchiveProgress* progress) {
    tPendingPassword = &password;
    tProgress = progress;
  }
  ~CallbackScope() {
    tPendingPassword = nullptr;
    tProgress = nullptr;
  }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
};

int32_t ZEL_CALL reportProgress(const char* fileName, uint64_t done, uint64_t total) {
  const ArchiveProgress& progress = *tProgress;
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

std::string ZelArchiveLibrary::toLibrary(const std::string& text) const {
  return texts_.toLibrary ? texts_.toLibrary(text) : text;
}

std::string ZelArchiveLibrary::fromLibrary(const std::string& text) const {
  return texts_.fromLibrary ? texts_.fromLibrary(text) : text;
}

namespace {

// The library's own names of an archive's entries; nullopt when it cannot be listed.
std::optional<std::vector<std::string>> listedNames(const ZelFunctions& zel,
                                                    const std::string& path,
                                                    const std::string& password) {
  ZelEntry* entries = nullptr;
  uint32_t count = 0;
  void* handle = nullptr;
  {
    const CallbackScope answering(password, nullptr);
    handle = zel.openListArchive(path.c_str(), 0, givePendingPassword, 0, 0, 0, password.c_str(),
                                 &entries, &count);
  }
  if (!handle) return std::nullopt;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) names.emplace_back(entries[i].name);
  zel.closeListArchive(handle);
  return names;
}

}  // namespace

std::optional<std::vector<std::string>> ZelArchiveLibrary::list(const std::string& archive,
                                                                const std::string& password) {
  const ZelFunctions* zel = functions();
  if (!zel) return std::nullopt;
  auto names = listedNames(*zel, libraryPath(archive), toLibrary(password));
  if (names)
    for (auto& name : *names) name = fromLibrary(name);
  return names;
}

std::vector<std::string> ZelArchiveLibrary::libraryNames(
    const ZelFunctions& zel, const std::string& archive, const std::string& password,
    const std::vector<std::string>& entries) const {
  const bool respelt = texts_.fromLibrary &&
                       std::any_of(entries.begin(), entries.end(), [](const std::string& entry) {
                         return entry.find('?') != std::string::npos;
                       });
  const auto listed = respelt ? listedNames(zel, archive, password) : std::nullopt;
  std::vector<std::string> names;
  for (const auto& entry : entries) {
    const size_t before = names.size();
    if (listed && entry.find('?') != std::string::npos)
      for (const auto& name : *listed)
        if (fromLibrary(name) == entry) names.push_back(name);
    // Not listed that way: the library refuses it as a name outside the archive.
    if (names.size() == before) names.push_back(toLibrary(entry));
  }
  return names;
}

bool ZelArchiveLibrary::extract(const std::string& archive, const std::string& destination,
                                const ArchiveExtraction& extraction) {
  const ZelFunctions* zel = functions();
  if (!zel) return false;
  const std::string path = libraryPath(archive);
  const std::string target = libraryPath(destination);
  const std::string password = toLibrary(extraction.password);
  const std::vector<std::string> names = libraryNames(*zel, path, password, extraction.entries);
  std::vector<const char*> pointers;
  for (const auto& name : names) pointers.push_back(name.c_str());
  const ZelTargetList targets{pointers.data(), static_cast<uint32_t>(pointers.size())};
  ArchiveProgress progress;
  if (extraction.progress)
    progress = [&](std::string_view name, uint64_t done, uint64_t total) {
      return extraction.progress(fromLibrary(std::string(name)), done, total);
    };
  const CallbackScope answering(password, &progress);
  return zel->extractArchive(path.c_str(), ZEL_EXTRACT_WITH_FOLDERS, target.c_str(), &targets,
                             extraction.keepWriteTimes ? 1 : 0, password.c_str(),
                             givePendingPassword, reportProgress, alwaysContinue,
                             extraction.overwriteAll ? overwriteEvery : overwriteOne) != 0;
}

int32_t ZelArchiveLibrary::lastError() {
  return functions_ ? functions_->getLastArchiveError(0) : 0;
}

}  // namespace kx
