#ifndef KESTRIX_ZEL_H
#define KESTRIX_ZEL_H
/* The archive library's C interface: zel.dll on Windows, linked in as zel_core elsewhere.
   Every text is 8-bit and NUL-terminated (the ANSI code page on Windows, UTF-8 elsewhere). */
#include <stdint.h>

#ifdef _WIN32
#define ZEL_CALL __stdcall
#else
#define ZEL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Failure codes of GetLastArchiveError. */
enum {
  ZEL_OK = 0,
  ZEL_ARCHIVE_NOT_FOUND = 1001,
  ZEL_ILLEGAL_PATH = 1002,      /* wildcards in the archive path */
  ZEL_CANNOT_OPEN = 1003,       /* not a 7z archive, damaged headers or a wrong password */
  ZEL_UNSAFE_NAME = 1004,       /* an entry would land outside the destination folder */
  ZEL_DATA_ERROR = 1005,        /* damaged or truncated data, CRC mismatch */
  ZEL_PASSWORD_REQUIRED = 1006, /* encrypted data and no password */
  ZEL_CANCELLED = 1007,         /* a callback answered stop */
  ZEL_WRITE_ERROR = 1008,       /* a file or folder of the destination cannot be written */
  ZEL_UNSUPPORTED_METHOD = 1009,
  ZEL_NOT_IN_ARCHIVE = 1010, /* a name of the target-file list is not in the archive */
  ZEL_LIMIT_EXCEEDED = 1011, /* the archive needs more memory than the library allows */
  ZEL_BAD_ARGUMENT = 1012
};

/* Size of the buffer the password callback fills, terminator included. */
#define ZEL_PASSWORD_BUFFER_SIZE 1024

/* One listed entry: 48 bytes on every platform. */
typedef struct ZelEntry {
  union {
    const char* name;
    uint64_t namePadding;
  };
  uint64_t size;
  uint64_t packedSize; /* the entry's share of its packed streams; 0 for entries without data */
  uint32_t crc;        /* 0 when the archive records none */
  uint32_t isFolder;
  uint64_t modified; /* FILETIME: 100 ns ticks since 1601-01-01 UTC; 0 when unknown */
  uint32_t attributes;
  uint32_t reserved;
} ZelEntry;

typedef struct ZelTargetList {
  const char* const* names; /* as listed by OpenListArchive */
  uint32_t count;
} ZelTargetList;

/* Fills the buffer (ZEL_PASSWORD_BUFFER_SIZE bytes) and answers 1, or answers 0 for none. */
typedef int32_t(ZEL_CALL* ZelPasswordCallback)(char* buffer);
/* Answers 1 to go on, 0 to stop. */
typedef int32_t(ZEL_CALL* ZelProgressCallback)(const char* fileName, uint64_t done, uint64_t total);
/* Called before each entry with its 0-based position and the number of entries; 0 stops. */
typedef int32_t(ZEL_CALL* ZelContinueCallback)(uint32_t index, uint32_t count);
/* Called when a target file exists already, with the existing file's size (low, high) and
   modification time (low, high), the entry's size and time likewise, then index and count.
   Answers: 0 stop, 1 overwrite, 2 skip, 3 skip all, 4 overwrite all. */
typedef int32_t(ZEL_CALL* ZelOverwriteCallback)(uint32_t existingSizeLow, uint32_t existingSizeHigh,
                                                uint32_t existingTimeLow, uint32_t existingTimeHigh,
                                                uint32_t entrySizeLow, uint32_t entrySizeHigh,
                                                uint32_t entryTimeLow, uint32_t entryTimeHigh,
                                                uint32_t index, uint32_t count);

#define ZEL_OVERWRITE_STOP 0
#define ZEL_OVERWRITE_YES 1
#define ZEL_OVERWRITE_SKIP 2
#define ZEL_OVERWRITE_SKIP_ALL 3
#define ZEL_OVERWRITE_ALL 4

/* ExtractArchive's mode: the only one, entries keep the archive's folder structure. */
#define ZEL_EXTRACT_WITH_FOLDERS 1

/* Opens and lists an archive. The password comes from the callback when it answers 1, else from
   `password` (may be NULL). The entries stay valid until CloseListArchive. 0 on failure. */
void* ZEL_CALL OpenListArchive(const char* archivePath, int32_t reserved1,
                               ZelPasswordCallback passwordCallback, int32_t reserved2,
                               int32_t reserved3, int32_t reserved4, const char* password,
                               ZelEntry** entries, uint32_t* count);
void ZEL_CALL CloseListArchive(void* handle);
/* Extracts the listed files (all entries when `targets` is NULL) under `destination`.
   `keepTimes` 0 sets each file's modification time from the archive; nonzero leaves the time of
   writing. Nonzero on success. */
int32_t ZEL_CALL ExtractArchive(const char* archivePath, int32_t mode, const char* destination,
                                const ZelTargetList* targets, int32_t keepTimes,
                                const char* password, ZelPasswordCallback passwordCallback,
                                ZelProgressCallback progressCallback,
                                ZelContinueCallback continueCallback,
                                ZelOverwriteCallback overwriteCallback);
/* The code of this thread's last failure; the argument is reserved (0). */
int32_t ZEL_CALL GetLastArchiveError(int32_t reserved);

/* The four entries, for callers that bind them at run time. */
typedef struct ZelFunctions {
  void*(ZEL_CALL* openListArchive)(const char*, int32_t, ZelPasswordCallback, int32_t, int32_t,
                                   int32_t, const char*, ZelEntry**, uint32_t*);
  void(ZEL_CALL* closeListArchive)(void*);
  int32_t(ZEL_CALL* extractArchive)(const char*, int32_t, const char*, const ZelTargetList*,
                                    int32_t, const char*, ZelPasswordCallback, ZelProgressCallback,
                                    ZelContinueCallback, ZelOverwriteCallback);
  int32_t(ZEL_CALL* getLastArchiveError)(int32_t);
} ZelFunctions;

/* The entries of the library linked into this program (not exported by zel.dll). */
const ZelFunctions* ZelLinkedFunctions(void);

#ifdef __cplusplus
}
#endif

#endif
