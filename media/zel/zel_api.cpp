// The exported functions of the archive library over the 7z reader.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "media/zel/archive_access.h"
#include "media/zel/seven_zip.h"
#include "media/zel/zel.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

thread_local int32_t gLastError = ZEL_OK;

class FileSource : public ByteSource {
 public:
  FileSource(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
  ~FileSource() override { std::fclose(file_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  uint64_t size() const override { return size_; }
  size_t readAt(uint64_t offset, uint8_t* buffer, size_t count) override {
    if (offset >= size_) return 0;
    if (offset != position_ && !seek(offset)) fail(ZEL_DATA_ERROR);
    const size_t got = std::fread(buffer, 1, count, file_);
    position_ = offset + got;
    return got;
  }

 private:
  bool seek(uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file_, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
  }
  std::FILE* file_;
  uint64_t size_;
  uint64_t position_ = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t size() const override { return size_; }
  size_t readAt(uint64_t offset, uint8_t* buffer, size_t count) override {
    if (offset >= size_) return 0;
    const size_t piece = std::min<size_t>(count, static_cast<size_t>(size_ - offset));
    std::memcpy(buffer, data_ + offset, piece);
    return piece;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

bool isSeparator(char16_t c) {
  return c == u'/' || c == u'\\';
}

bool isDeviceName(const std::u16string& component) {
  std::string stem;
  for (const char16_t c : component) {
    if (c == u'.') break;
    stem += c < 0x80 ? static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c) : '?';
  }
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

// A password from the callback when it has one, else the argument; an empty text is none.
std::optional<std::string> askPassword(ZelPasswordCallback callback, const char* password) {
  if (callback) {
    std::vector<char> buffer(ZEL_PASSWORD_BUFFER_SIZE, '\0');
    if (callback(buffer.data()) == 1 && buffer[0] != '\0') {
      buffer.back() = '\0';
      return std::string(buffer.data());
    }
  }
  if (password && *password) return std::string(password);
  return std::nullopt;
}

// An opened archive with everything it reads from.
struct OpenArchive {
  std::unique_ptr<ByteSource> source;
  KeyCache keys;
  std::unique_ptr<SevenZipArchive> archive;
  std::vector<std::string> names;  // narrow names, by entry

  OpenArchive(const char* path, ZelPasswordCallback callback, const char* password)
      : keys([callback, password] { return askPassword(callback, password); }) {
    if (!path || !*path) fail(ZEL_BAD_ARGUMENT);
    if (std::strpbrk(path, "*?")) fail(ZEL_ILLEGAL_PATH);
    source = openFileSource(path);
    if (!source) fail(ZEL_ARCHIVE_NOT_FOUND);
    archive = std::make_unique<SevenZipArchive>(*source, keys);
    for (const auto& entry : archive->entries()) names.push_back(narrowText(entry.name));
  }
};

struct ListHandle {
  std::vector<std::string> names;
  std::vector<ZelEntry> entries;
};

fs::path joinPath(const std::string& destination, const std::vector<std::u16string>& parts) {
  fs::path path(wideText(destination));
  for (const auto& part : parts) path /= fs::path(part);
  return path;
}

constexpr int64_t kTicksTo1970 = 116444736000000000;
constexpr uint64_t kTicksPerYear = 315576000000000;  // 365.25 days

// The file clock's time of a FILETIME between 1970 and 2200, the range every file clock holds;
// nullopt for other (damaged or hostile) times.
std::optional<fs::file_time_type> fileTimeOf(uint64_t filetime) {
  using namespace std::chrono;
  if (filetime < kTicksTo1970 || filetime - kTicksTo1970 > 230 * kTicksPerYear) return std::nullopt;
  const auto since1970 =
      duration<int64_t, std::ratio<1, 10000000>>(static_cast<int64_t>(filetime - kTicksTo1970));
  return file_clock::from_sys(sys_time<nanoseconds>(duration_cast<nanoseconds>(since1970)));
}

uint64_t filetimeOf(fs::file_time_type time) {
  using namespace std::chrono;
  const auto since1970 = file_clock::to_sys(time).time_since_epoch();
  return static_cast<uint64_t>(
      duration_cast<duration<int64_t, std::ratio<1, 10000000>>>(since1970).count() + kTicksTo1970);
}

struct ExtractCallbacks {
  ZelProgressCallback progress = nullptr;
  ZelContinueCallback shouldContinue = nullptr;
  ZelOverwriteCallback overwrite = nullptr;
  bool keepTimes = false;
};

// Writes entries under the destination folder; a file left unfinished by a failure is removed.
class FolderSink : public EntrySink {
 public:
  FolderSink(const OpenArchive& open, std::vector<fs::path> paths, uint64_t total,
             ExtractCallbacks callbacks)
      : open_(open), paths_(std::move(paths)), total_(total), callbacks_(callbacks) {}
  ~FolderSink() override {
    if (!out_.is_open()) return;
    out_.close();
    std::error_code ignored;
    fs::remove(paths_[current_], ignored);
  }
  FolderSink(const FolderSink&) = delete;
  FolderSink& operator=(const FolderSink&) = delete;

  void begin(size_t index) override {
    const Entry& entry = open_.archive->entries()[index];
    const fs::path& path = paths_[index];
    current_ = index;
    skipping_ = false;
    const auto count = static_cast<uint32_t>(paths_.size());
    if (callbacks_.shouldContinue &&
        callbacks_.shouldContinue(static_cast<uint32_t>(index), count) == 0)
      fail(ZEL_CANCELLED);
    reportProgress();
    std::error_code error;
    if (entry.isFolder) {
      fs::create_directories(path, error);
      if (!fs::is_directory(path)) fail(ZEL_WRITE_ERROR);
      return;
    }
    fs::create_directories(path.parent_path(), error);
    if (fs::exists(path, error) && !mayOverwrite(entry, path, index, count)) {
      skipping_ = true;
      return;
    }
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_) fail(ZEL_WRITE_ERROR);
  }
  void write(const uint8_t* data, size_t size) override {
    if (skipping_) return;
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out_) fail(ZEL_WRITE_ERROR);
    done_ += size;
    reportProgress();
  }
  void end(size_t index) override {
    const Entry& entry = open_.archive->entries()[index];
    if (entry.isFolder || skipping_) return;
    out_.close();
    if (!out_) fail(ZEL_WRITE_ERROR);
    const auto modified = fileTimeOf(entry.modified);
    if (!callbacks_.keepTimes && modified) {
      std::error_code ignored;
      fs::last_write_time(paths_[index], *modified, ignored);
    }
  }

 private:
  bool mayOverwrite(const Entry& entry, const fs::path& path, uint32_t index, uint32_t count) {
    if (overwriteAll_) return true;
    if (skipAll_ || fs::is_directory(path)) return false;
    if (!callbacks_.overwrite) return true;
    std::error_code error;
    const uint64_t size = fs::file_size(path, error);
    const auto time = fs::last_write_time(path, error);
    const uint64_t modified = error ? 0 : filetimeOf(time);
    const auto low = [](uint64_t v) { return static_cast<uint32_t>(v); };
    const auto high = [](uint64_t v) { return static_cast<uint32_t>(v >> 32); };
    switch (callbacks_.overwrite(low(size), high(size), low(modified), high(modified),
                                 low(entry.size), high(entry.size), low(entry.modified),
                                 high(entry.modified), index, count)) {
      case ZEL_OVERWRITE_YES:
        return true;
      case ZEL_OVERWRITE_ALL:
        overwriteAll_ = true;
        return true;
      case ZEL_OVERWRITE_SKIP:
        return false;
      case ZEL_OVERWRITE_SKIP_ALL:
        skipAll_ = true;
        return false;
      default:
        fail(ZEL_CANCELLED);
    }
  }
  void reportProgress() {
    if (callbacks_.progress &&
        callbacks_.progress(open_.names[current_].c_str(), done_, total_) == 0)
      fail(ZEL_CANCELLED);
  }

  const OpenArchive& open_;
  std::vector<fs::path> paths_;  // by entry; empty for entries not extracted
  uint64_t total_;
  uint64_t done_ = 0;
  ExtractCallbacks callbacks_;
  std::ofstream out_;
  size_t current_ = 0;
  bool skipping_ = false;
  bool overwriteAll_ = false;
  bool skipAll_ = false;
};

// Runs one exported call: failures become the thread's last error and the `failed` answer.
template <typename Result, typename Body>
Result guarded(Result failed, Body&& body) {
  try {
    gLastError = ZEL_OK;
    return body();
  } catch (const ArchiveError& error) {
    gLastError = error.code;
  } catch (const std::bad_alloc&) {
    gLastError = ZEL_LIMIT_EXCEEDED;
  } catch (...) {
    gLastError = ZEL_WRITE_ERROR;  // the file system's exceptions
  }
  return failed;
}

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path) {
#ifdef _WIN32
  std::FILE* file = _wfopen(reinterpret_cast<const wchar_t*>(wideText(path).c_str()), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (!file) return nullptr;
  std::error_code error;
  const auto size = fs::file_size(fs::path(wideText(path)), error);
  if (error) {
    std::fclose(file);
    return nullptr;
  }
  return std::make_unique<FileSource>(file, size);
}

std::unique_ptr<ByteSource> memorySource(const uint8_t* data, size_t size) {
  return std::make_unique<MemorySource>(data, size);
}

std::optional<std::vector<std::u16string>> safeRelativePath(const std::u16string& name) {
  if (name.empty() || isSeparator(name[0])) return std::nullopt;
  std::vector<std::u16string> parts;
  std::u16string part;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !isSeparator(name[i])) {
      const char16_t c = name[i];
      if (c < 0x20 || c == u':') return std::nullopt;
      part += c;
      continue;
    }
    if (part.empty() || part == u".") {
      part.clear();
      continue;
    }
    // Windows drops trailing dots and blanks, so "..." and ".. " would mean "..".
    if (part.find_first_not_of(u". ") == std::u16string::npos || isDeviceName(part))
      return std::nullopt;
    parts.push_back(part);
    part.clear();
  }
  if (parts.empty()) return std::nullopt;
  return parts;
}

}  // namespace zel

using namespace zel;

extern "C" void* ZEL_CALL OpenListArchive(const char* archivePath, int32_t,
                                          ZelPasswordCallback passwordCallback, int32_t, int32_t,
                                          int32_t, const char* password, ZelEntry** entries,
                                          uint32_t* count) {
  return guarded<void*>(nullptr, [&]() -> void* {
    if (!entries || !count) fail(ZEL_BAD_ARGUMENT);
    OpenArchive open(archivePath, passwordCallback, password);
    auto handle = std::make_unique<ListHandle>();
    handle->names = std::move(open.names);
    const auto& listed = open.archive->entries();
    for (size_t i = 0; i < listed.size(); ++i) {
      ZelEntry entry{};
      entry.size = listed[i].size;
      entry.packedSize = listed[i].packedSize;
      entry.crc = listed[i].crc.value_or(0);
      entry.isFolder = listed[i].isFolder ? 1 : 0;
      entry.modified = listed[i].modified;
      entry.attributes = listed[i].attributes.value_or(listed[i].isFolder ? 0x10 : 0);
      handle->entries.push_back(entry);
    }
    for (size_t i = 0; i < listed.size(); ++i) handle->entries[i].name = handle->names[i].c_str();
    *entries = handle->entries.data();
    *count = static_cast<uint32_t>(handle->entries.size());
    return handle.release();
  });
}

extern "C" void ZEL_CALL CloseListArchive(void* handle) {
  delete static_cast<ListHandle*>(handle);
}

extern "C" int32_t ZEL_CALL ExtractArchive(const char* archivePath, int32_t mode,
                                           const char* destination, const ZelTargetList* targets,
                                           int32_t keepTimes, const char* password,
                                           ZelPasswordCallback passwordCallback,
                                           ZelProgressCallback progressCallback,
                                           ZelContinueCallback continueCallback,
                                           ZelOverwriteCallback overwriteCallback) {
  return guarded<int32_t>(0, [&]() -> int32_t {
    if (mode != ZEL_EXTRACT_WITH_FOLDERS || !destination || !*destination) fail(ZEL_BAD_ARGUMENT);
    OpenArchive open(archivePath, passwordCallback, password);
    const auto& listed = open.archive->entries();
    std::vector<bool> wanted(listed.size(), !targets);
    if (targets) {
      if (targets->count > 0 && !targets->names) fail(ZEL_BAD_ARGUMENT);
      for (uint32_t t = 0; t < targets->count; ++t) {
        const char* target = targets->names[t];
        bool found = false;
        for (size_t i = 0; target && i < listed.size(); ++i) {
          if (open.names[i] != target) continue;
          wanted[i] = true;
          found = true;
        }
        if (!found) fail(ZEL_NOT_IN_ARCHIVE);
      }
    }
    // Every name is checked before anything is written.
    std::vector<fs::path> paths(listed.size());
    uint64_t total = 0;
    for (size_t i = 0; i < listed.size(); ++i) {
      if (listed[i].isAnti) wanted[i] = false;
      if (!wanted[i]) continue;
      const auto parts = safeRelativePath(listed[i].name);
      if (!parts) fail(ZEL_UNSAFE_NAME);
      paths[i] = joinPath(destination, *parts);
      total += listed[i].size;
    }
    std::error_code error;
    fs::create_directories(fs::path(wideText(destination)), error);
    if (!fs::is_directory(fs::path(wideText(destination)))) fail(ZEL_WRITE_ERROR);
    FolderSink sink(open, std::move(paths), total,
                    {progressCallback, continueCallback, overwriteCallback, keepTimes != 0});
    open.archive->extract(wanted, sink);
    return 1;
  });
}

extern "C" int32_t ZEL_CALL GetLastArchiveError(int32_t) {
  return gLastError;
}

extern "C" const ZelFunctions* ZelLinkedFunctions(void) {
  static const ZelFunctions functions = {OpenListArchive, CloseListArchive, ExtractArchive,
                                         GetLastArchiveError};
  return &functions;
}
