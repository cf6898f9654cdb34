#pragma once
// The narrow interfaces through which the portable engine reaches the machine. The Win32
// implementations live in platform/win32, the headless ones (zelrun) in platform/headless;
// native tests bring fakes of their own.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kx {

using WindowHandle = uintptr_t;

// Codes as the "MessageBox" command numbers them.
enum class MessageIcon { Information = 0, Question = 1, Warning = 2, Error = 3 };
enum class MessageButtons {
  AbortRetryIgnore = 0,
  Ok = 1,
  OkCancel = 2,
  RetryCancel = 3,
  YesNo = 4,
  YesNoCancel = 5
};
enum class MessageAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBoxRequest {
  WindowHandle owner = 0;
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::Information;
  MessageButtons buttons = MessageButtons::Ok;
  int defaultButton = 1;  // 1-based
};

// Windows and message boxes.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual MessageAnswer messageBox(const MessageBoxRequest& request) = 0;
  // Handles every pending window message without waiting.
  virtual void processPendingMessages() = 0;
  // Waits for one window message and handles it.
  virtual void handleOneMessage() = 0;
  // Wakes handleOneMessage on the main thread (a worker posts WM_NULL); callable from workers.
  virtual void wakeMessageLoop() {}
};

class DialogForm;  // dialogs/forms/form_model.h: the portable model of a loaded dialog

struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ScreenRect&) const = default;
};

// What the user did to a control. The window first writes the control's new state into the
// form model (Text, Checked, ItemIndex, Position, Lines, ...), then reports the event.
enum class ControlEvent {
  Click,       // buttons, labels, images, check boxes, radio buttons, list and check list picks
  Change,      // edits, memos, combo boxes, track bars, trees, file, folder, drive, shell controls
  ClickCheck,  // a check list entry's check box toggled
  MouseUp      // a shape released
};

// A dialog window's way back to its host, on the thread that owns the window.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  // `detail` carries what the form model cannot: a tree's selected node path, a file list's
  // selected full name, a folder or drive list's folder, a shell control's path.
  virtual void controlEvent(std::string_view control, ControlEvent event,
                            std::string_view detail) = 0;
  // The close box or Alt+F4: true lets the window close.
  virtual bool closeRequested() = 0;
  // The one-second refresh timer and the page-refresh timer.
  virtual void refreshTimer() = 0;
  virtual void pageRefreshTimer() = 0;
  // A scripted platform's answer for a modal page (zelrun's --dialog queue): ends the show.
  virtual void decide(int32_t resultCode, std::string_view customName) = 0;
};

// One loaded dialog as a real window: hidden when created, its controls made from the form model.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  virtual WindowHandle handle() const = 0;
  // Brings the window and every control in line with the form model after the host or a rule
  // changed it. Reports no events while it does.
  virtual void update() = 0;
  virtual ScreenRect bounds() const = 0;
  virtual void moveTo(int left, int top) = 0;
  // Visible, in front and focused.
  virtual void bringToFront() = 0;
  virtual void hide() = 0;
  virtual void setRedraw(bool on) = 0;
  // Keyboard focus to a control (errors ignored).
  virtual void focusControl(std::string_view control) = 0;
  virtual void startPageRefreshTimer(int milliseconds) = 0;
  virtual void stopPageRefreshTimer() = 0;
};

// The dialog windows of a run. Only the interpreter's thread calls these.
class DialogWindows {
 public:
  virtual ~DialogWindows() = default;
  virtual std::unique_ptr<DialogWindow> create(DialogForm& form, DialogEvents& events) = 0;
  // The work area dialogs are centred on.
  virtual ScreenRect screenArea() = 0;
  // Handles every pending window message without waiting.
  virtual void processPendingMessages() = 0;
  // Waits for one window message and handles it (a modal show loops on this).
  virtual void handleOneMessage() = 0;
  // The folder picker: file-system folders only; `newFolderButton` also picks the new style;
  // `title` is the text above the folders, none when empty. Empty when the user cancels.
  virtual std::string pickFolder(WindowHandle owner, bool newFolderButton,
                                 const std::string& title) = 0;
};

// Roots as scripts number them.
enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// Value types as the registry numbers them.
namespace registry_types {
inline constexpr uint32_t kString = 1;
inline constexpr uint32_t kExpandString = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiString = 7;
inline constexpr uint32_t kQword = 11;
}  // namespace registry_types

// A value as stored: texts (kString, kExpandString) in the script's code page without their
// terminating NUL, a multi-string as its items each followed by a NUL, anything else as its
// bytes (a kDword little-endian).
struct RegistryValue {
  uint32_t type = registry_types::kString;
  std::string data;
};

enum class RegistryReadStatus { Found, NoKey, NoValue, ReadError };

struct RegistryRead {
  RegistryReadStatus status = RegistryReadStatus::NoKey;
  RegistryValue value;  // when Found
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens the key read-only and reads one value ("" is the key's default value).
  virtual RegistryRead readValue(RegistryRoot root, const std::string& key,
                                 const std::string& valueName) = 0;
  // Creates the key with its missing parents and writes the value.
  virtual bool writeValue(RegistryRoot root, const std::string& key, const std::string& valueName,
                          const RegistryValue& value) = 0;
  virtual bool deleteValue(RegistryRoot root, const std::string& key,
                           const std::string& valueName) = 0;
  // Deletes the key with all its subkeys.
  virtual bool deleteKey(RegistryRoot root, const std::string& key) = 0;

  // A text value (kString or kExpandString, not expanded); nullopt for anything else.
  std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                        const std::string& valueName) {
    RegistryRead read = readValue(root, key, valueName);
    if (read.status != RegistryReadStatus::Found) return std::nullopt;
    if (read.value.type != registry_types::kString &&
        read.value.type != registry_types::kExpandString)
      return std::nullopt;
    return std::move(read.value.data);
  }
  bool writeString(RegistryRoot root, const std::string& key, const std::string& valueName,
                   const std::string& value) {
    return writeValue(root, key, valueName, {registry_types::kString, value});
  }
};

enum class FolderCreation { Created, AlreadyExists, Failed };

struct FileVersion {
  uint16_t major = 0, minor = 0, release = 0, build = 0;
  auto operator<=>(const FileVersion&) const = default;
};

// What a file's version resource says.
struct VersionInformation {
  FileVersion fileVersion;  // from the fixed information
  // The first entry of the translation table: language identifier in the low 16 bits, code
  // page in the high 16 bits.
  std::optional<uint32_t> firstTranslation;
};

// A directory entry as the system's find-first/find-next functions list it.
struct FolderEntry {
  std::string name;
  bool isFolder = false;
};

struct DiskSpace {
  uint64_t freeBytes = 0;  // available to the caller
  uint64_t totalBytes = 0;
};

// A file open for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `size` bytes; 0 at the end of the file or on a failure.
  virtual size_t read(char* buffer, size_t size) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool fileExists(const std::string& path) = 0;
  virtual bool folderExists(const std::string& path) = 0;
  virtual std::optional<std::string> readFile(const std::string& path) = 0;
  virtual bool writeFile(const std::string& path, const std::string& bytes) = 0;
  virtual bool deleteFile(const std::string& path) = 0;
  // Creates one folder whose parent exists. AlreadyExists when anything of that name is there
  // already, so that of two callers racing for one name only one gets Created.
  virtual FolderCreation createFolderExclusive(const std::string& path) = 0;
  // Copies a file, replacing the target.
  virtual bool copyFile(const std::string& from, const std::string& to) = 0;
  // Clears every attribute (read-only, hidden, system) of a file.
  virtual bool setNormalAttributes(const std::string& path) = 0;
  // Deletes a folder with everything in it, clearing attributes first; links inside it are
  // removed, never followed. Entries that cannot be deleted are skipped.
  virtual void removeTree(const std::string& path) = 0;
  // The short (8.3) form of an existing path as the file system reports it; nullopt when it
  // reports none.
  virtual std::optional<std::string> shortPathName(const std::string& path) = 0;
  // The path with every component, from the drive down, spelt as the file system lists it;
  // nullopt when a component does not exist.
  virtual std::optional<std::string> longPathName(const std::string& path) = 0;
  // Creates a new, empty file named prefix + hexadecimal number + ".tmp" in the folder and
  // returns its full path; nullopt when none can be created.
  virtual std::optional<std::string> createTemporaryFile(const std::string& folder,
                                                         const std::string& prefix) = 0;
  // Creates a folder with all its missing parents; true when it exists afterwards.
  virtual bool createFolders(const std::string& path) = 0;
  // The entries that match a path whose last part may hold wildcards ("C:\x\*.*"), in the
  // order the file system lists them, "." and ".." included where it lists them; empty when
  // nothing matches or the folder cannot be listed.
  virtual std::vector<FolderEntry> findEntries(const std::string& pattern) = 0;
  // nullopt when the file has no version information (or cannot be read).
  virtual std::optional<VersionInformation> versionInformation(const std::string& path) = 0;
  // Free and total bytes of the disk that holds the path; both 0 when the query fails.
  virtual DiskSpace diskSpace(const std::string& path) = 0;
  // A key's value in a section of an INI file as the system's profile-string reader gives it
  // with an empty default and a 260-byte buffer; empty when the file, section or key is missing.
  virtual std::string iniValue(const std::string& file, const std::string& section,
                               const std::string& key) = 0;
  // null when the file cannot be opened for reading.
  virtual std::unique_ptr<ReadableFile> openForReading(const std::string& path) = 0;
  // Renames a file (within one volume); false when the target exists or the rename fails.
  virtual bool renameFile(const std::string& from, const std::string& to) = 0;
  // Renames a folder with everything in it (within one volume); false as for renameFile.
  virtual bool renameFolder(const std::string& from, const std::string& to) = 0;
  // Asks the system to delete a file, or an empty folder, when the computer next restarts.
  virtual bool deleteAtRestart(const std::string& path) = 0;
};

// Called as an archive's entries are written: the entry's name, the bytes written so far of
// the whole extraction and their total; false stops the extraction.
using ArchiveProgress = std::function<bool(std::string_view entry, uint64_t done, uint64_t total)>;

// What ArchiveLibrary::extract writes and how it answers the library's questions.
struct ArchiveExtraction {
  std::string password;
  std::vector<std::string> entries;  // by the names that list gives
  ArchiveProgress progress;          // may be empty
  // A file of the destination that exists already is overwritten; with overwriteAll the first
  // answer covers every later one too.
  bool overwriteAll = false;
  // The files keep the time of writing instead of the archive's modification times.
  bool keepWriteTimes = false;
};

// The archive library: zel.dll beside the engine on Windows, the linked-in reader elsewhere.
// Paths are the engine's. A failed call leaves a failure code (ZEL_* of media/zel/zel.h) for
// lastError on the same thread.
class ArchiveLibrary {
 public:
  virtual ~ArchiveLibrary() = default;
  // The names of an archive's entries, in the archive's order; nullopt when it cannot be
  // opened and listed.
  virtual std::optional<std::vector<std::string>> list(const std::string& archive,
                                                       const std::string& password) = 0;
  // Writes the entries under `destination`, keeping the archive's folders; false on failure.
  virtual bool extract(const std::string& archive, const std::string& destination,
                       const ArchiveExtraction& extraction) = 0;
  // The code of this thread's last failure; 0 when the library cannot be loaded.
  virtual int32_t lastError() = 0;
};

// The operating system's version information as it reports it.
struct WindowsVersion {
  bool ntFamily = true;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;       // the whole 32-bit build field
  std::string servicePack;  // "Service Pack 3", or empty
};

struct ScreenFacts {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  int pixelsPerInch = -1;  // horizontal logical pixels per inch; -1 without a screen
};

enum class UserGroup { Administrators, PowerUsers, Users, Guests };

// Facts about the machine and the running engine.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual std::string shortDate() = 0;
  virtual std::string longTime() = 0;
  virtual std::string temporaryFolder() = 0;  // with a trailing backslash
  virtual std::string enginePath() = 0;       // full path of the engine program
  virtual std::string engineVersion() = 0;    // "major.minor.release.build"
  virtual bool isNtFamily() = 0;
  virtual bool isAdministrator() = 0;
  // A shell folder by its CSIDL number, without a trailing backslash; empty when unknown.
  virtual std::string specialFolder(int csidl) = 0;
  virtual WindowsVersion windowsVersion() = 0;
  virtual uint64_t totalPhysicalMemory() = 0;  // bytes
  virtual ScreenFacts screen() = 0;
  // The name of a language as the system's VerLanguageNameA gives it.
  virtual std::string languageName(uint32_t languageId) = 0;
  // The current user's account name and domain, and the computer's name; empty on failure.
  virtual std::string userName() = 0;
  virtual std::string userDomain() = 0;
  virtual std::string computerName() = 0;
  // Whether the thread's (or else the process's) token holds the group.
  virtual bool isMemberOf(UserGroup group) = 0;
  // Without a trailing backslash.
  virtual std::string systemFolder() = 0;
  virtual std::string windowsFolder() = 0;
  // The first CD-ROM drive from A to Z as "D:\"; empty when there is none.
  virtual std::string firstCdromDrive() = 0;
  // Text with its %NAME% references replaced from the environment; a name that is not set
  // stays as it is.
  virtual std::string expandEnvironment(const std::string& text) = 0;
  // A new GUID from the system's generator, in the registry form: braces around 8-4-4-4-12
  // upper-case hexadecimal digits.
  virtual std::string newGuid() = 0;
  // Asks the system to restart the computer (enabling the shutdown privilege first); the
  // answer is not examined.
  virtual void requestRestart() = 0;
  // The system's message text for a Windows error code, as its message table words it (no
  // inserts), line ends and all; empty when the table has none.
  virtual std::string errorMessage(uint32_t code) = 0;
  // Text of the ANSI code page as UTF-16 little-endian bytes, without a byte-order mark.
  virtual std::string toUtf16le(const std::string& text) = 0;
};

// zelrun's way to start: a script file of its own and a support folder it filled (kept after
// the run) with the installer package to use. A setup carries its script as the trailing data
// of its program and unpacks a new support folder.
struct PreparedRun {
  std::string scriptFile;
  std::string supportFolder;  // with a trailing backslash
  std::string msiFile;
};

// What only the engine's start-up needs: its command line, the processor binding, the system's
// common controls and the start-up windows (splash picture and "preparing" window).
class StartupServices {
 public:
  virtual ~StartupServices() = default;
  // The whole command line as the process received it.
  virtual std::string commandLine() = 0;
  // The arguments as the platform splits and unquotes them, program path excluded.
  virtual std::vector<std::string> arguments() = 0;
  virtual void bindToFirstProcessor() = 0;
  // The file version of the system's "comctl32.dll"; nullopt when it cannot be read.
  virtual std::optional<FileVersion> commonControlsVersion() = 0;
  // Shows the splash (unless splashPicture is empty) and the preparing window.
  virtual void showStartWindows(const std::string& splashPicture, const std::string& caption,
                                const std::string& text) = 0;
  virtual WindowHandle preparingWindow() = 0;
  virtual void setPreparingProgress(int minimum, int maximum, int position) = 0;
  virtual void closeStartWindows() = 0;
  virtual std::optional<PreparedRun> preparedRun() { return std::nullopt; }
};

// One call of a plug-in library's `RunTimeExecute`.
struct PluginCall {
  WindowHandle owner = 0;
  const char* variables = "";
  const char* parameters = "";
  int32_t* status = nullptr;
  char* resultBuffer = nullptr;  // null in the first call
  // The engine's progress callback, called on the thread that runs the call: position (-1
  // changes only the text) and text; false once the user has asked to cancel.
  std::function<bool(int32_t position, const char* text)> progress;
};

// A plug-in library loaded for one statement; destroying it unloads the library.
class PluginLibrary {
 public:
  virtual ~PluginLibrary() = default;
  // Calls `RunTimeExecute`; empty when the call raised an exception or a processor fault.
  virtual std::optional<int32_t> execute(const PluginCall& call) = 0;
};

class Modules {
 public:
  virtual ~Modules() = default;
  // Loads the library at a full path and resolves `RunTimeExecute`; null when either fails.
  virtual std::unique_ptr<PluginLibrary> loadPlugin(const std::string& path) = 0;
};

// A worker thread of the worker-and-wait pattern; destroying it waits for the thread to end.
class WorkerThread {
 public:
  virtual ~WorkerThread() = default;
  virtual void join() = 0;
};

class Threads {
 public:
  virtual ~Threads() = default;
  // Runs `work` on a new thread. After it returns, the thread waiting in
  // UserInterface::handleOneMessage is woken (on Windows by a null window message).
  virtual std::unique_ptr<WorkerThread> startWorker(std::function<void()> work) = 0;
};

// Pixels of a decoded picture: rows from the top, four bytes per pixel (red, green, blue,
// alpha).
struct DecodedImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;
};

// Decoders of the compressed picture formats that dialog definitions carry. A stream that
// can't be decoded, or whose picture is larger than kMaxDecodedPixels, gives none.
class PictureCodecs {
 public:
  static constexpr uint64_t kMaxDecodedPixels = uint64_t{1} << 26;
  virtual ~PictureCodecs() = default;
  virtual std::optional<DecodedImage> decodePng(const std::string& data) = 0;
  virtual std::optional<DecodedImage> decodeJpeg(const std::string& data) = 0;
};

// The exit code the system reports for a process that has not ended yet (STILL_ACTIVE).
inline constexpr int32_t kStillActive = 259;

// A start through the shell: the verb "open", else the file type's default verb, without the
// shell's error dialogs.
struct ShellStart {
  std::string file;
  std::string parameters;
  bool shown = false;  // SW_SHOW, else SW_HIDE
  bool wait = false;   // in slices of 1000 ms until the process has ended
  // The waiting thread owns windows: their messages are handled while it waits.
  bool handleMessages = false;
  // Checked between slices: once set, waiting stops and the program is left running.
  const std::atomic<bool>* cancel = nullptr;
};

// A start by process creation, under another user's account or the engine's own.
struct UserStart {
  std::string commandLine;
  std::string folder;       // working folder; empty: the engine's
  std::string environment;  // one entry a line; empty: the engine's environment
  int showCommand = 0;      // SW_* number
  std::string user;         // empty: the engine's own account, in a new console
  std::string password;
  std::string domain;
  bool wait = false;
  const std::atomic<bool>* cancel = nullptr;  // as for ShellStart
};

// Why a start as another user did not run the program: the codes scripts read.
namespace run_as_codes {
inline constexpr int32_t kNotNtFamily = -1;
inline constexpr int32_t kLogonPrivilegeNotHeld = -2;
inline constexpr int32_t kLogonFailure = -3;
inline constexpr int32_t kLogonAccessDenied = -4;
inline constexpr int32_t kLogonOther = -5;
inline constexpr int32_t kStationAccess = -6;
inline constexpr int32_t kDesktopAccess = -7;
inline constexpr int32_t kStartPrivilegeNotHeld = -8;
inline constexpr int32_t kStartFileNotFound = -9;
inline constexpr int32_t kStartOther = -10;
inline constexpr int32_t kStartOwnAccount = -11;
}  // namespace run_as_codes

struct TopLevelWindow {
  WindowHandle handle = 0;
  std::string className;  // up to 260 characters
  std::string title;      // up to 260 characters
};

// Programs started, waited for and asked to close.
class Programs {
 public:
  virtual ~Programs() = default;
  // The exit code the system reports when the start (and the wait) is over, so kStillActive
  // for a program still running; 0 when the shell handed a document to a program without a
  // process of its own; nullopt when neither verb executes the file.
  virtual std::optional<int32_t> runThroughShell(const ShellStart& start) = 0;
  // The program's exit code as for runThroughShell, or a run_as_codes code from -2 to -11.
  virtual int32_t runAsUser(const UserStart& start) = 0;
  // The top-level windows in the system's order.
  virtual std::vector<TopLevelWindow> topLevelWindows() = 0;
  // Posts WM_CANCELMODE, then WM_CLOSE.
  virtual void askToClose(WindowHandle window) = 0;
};

// An installer package opened for editing in place (no transaction: what is committed is in
// the file). Every operation answers false on failure and leaves the package as it was.
class InstallerPackage {
 public:
  virtual ~InstallerPackage() = default;
  // Runs one SQL statement; each "?" marker takes the next of `values` as a string.
  virtual bool execute(std::string_view sql, const std::vector<std::string>& values) = 0;
  // Gives `column` of every row of `table` the value that newValue() makes for that row.
  virtual bool replaceColumnValues(std::string_view table, std::string_view column,
                                   const std::function<std::string()>& newValue) = 0;
  // The summary information's revision number, which holds the package code.
  virtual bool setPackageCode(const std::string& code) = 0;
  virtual bool commit() = 0;
};

// The installer's messages to an external user interface: the kind in the top byte of
// `type`, the message-box style it asks for (buttons, icon, default button) in the low 24
// bits. The answer goes back to the installer: a button code (IDOK 1 ... IDNO 7), 0 or 1 as
// the kind needs, 2 (IDCANCEL) to cancel the installation.
using InstallerMessageHandler = std::function<int32_t(uint32_t type, const std::string& text)>;

// Codes of the installer's functions that the engine tells apart.
namespace installer_codes {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kRebootInitiated = 1641;  // ERROR_SUCCESS_REBOOT_INITIATED
inline constexpr uint32_t kRebootRequired = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED
inline constexpr int32_t kProductInstalled = 5;     // INSTALLSTATE_DEFAULT
}  // namespace installer_codes

// How a removal through a package handle ended: the action's code, and whether the installer
// reports that the computer must restart (run modes reboot-at-end or reboot-now).
struct PackageActionResult {
  uint32_t code = 0;
  bool restartNeeded = false;
};

// The system's installer, as far as the engine edits and runs packages through it. The
// installation calls (from enableLog on) are made on the apply's worker thread.
class WindowsInstaller {
 public:
  virtual ~WindowsInstaller() = default;
  // nullptr when the file is missing, read-only, or not an installer package.
  virtual std::unique_ptr<InstallerPackage> openForEditing(const std::string& path) = 0;

  // The product's installed state (MsiQueryProductStateA); negative when it is unknown or the
  // installer cannot be asked.
  virtual int32_t productState(const std::string& productCode) = 0;
  // A property of an installed product (MsiGetProductInfoA, 260 bytes); nullopt on failure.
  virtual std::optional<std::string> productInfo(const std::string& productCode,
                                                 const std::string& property) = 0;

  // Appends the installer's log of the messages in `mode` to the file (MsiEnableLogA).
  virtual void enableLog(uint32_t mode, const std::string& path, uint32_t attributes) = 0;
  // No window of the installer's own (level 0x102) and every message of `filter` to the
  // handler, on the thread that runs the installation, until the next call.
  virtual void setMessageHandler(uint32_t filter, InstallerMessageHandler handler) = 0;
  // Adds a source folder of a product for a user ("" for none: per machine).
  virtual void addSource(const std::string& productCode, const std::string& user,
                         const std::string& source) = 0;
  // MsiInstallProductA and MsiApplyPatchA (no install package, install type 0): the Windows
  // error code.
  virtual uint32_t installProduct(const std::string& package, const std::string& commandLine) = 0;
  virtual uint32_t applyPatch(const std::string& patch, const std::string& commandLine) = 0;
  // Opens a package handle, sets the properties in order, runs the action and closes the
  // handle. A handle that cannot be opened makes the action fail.
  virtual PackageActionResult runPackageAction(
      const std::string& package,
      const std::vector<std::pair<std::string, std::string>>& properties,
      const std::string& action) = 0;
};

// The running processes, the service control manager and the network shares of a computer.
// A computer name that is empty means this computer.
class MachineServices {
 public:
  virtual ~MachineServices() = default;
  // The executable of each running process, as the system's process snapshot names it; empty
  // when no snapshot can be taken.
  virtual std::vector<std::string> runningPrograms() = 0;
  // The service's current state (1 stopped to 7 paused, as the service manager numbers them);
  // nullopt when the manager or the service cannot be opened or queried.
  virtual std::optional<uint32_t> serviceState(const std::string& computer,
                                               const std::string& service) = 0;
  // Shares a folder or a printer (by its name) for unlimited users with full permissions and
  // no password; false when the system refuses.
  struct Share {
    std::string computer;
    std::string name;
    std::string path;
    std::string remark;
    bool printer = false;
  };
  virtual bool addShare(const Share& share) = 0;
  virtual bool deleteShare(const std::string& computer, const std::string& name) = 0;
};

// The kinds of object whose access list can be changed.
enum class SecuredKind { FileOrFolder, Share, RegistryKey, Service, Printer };

// An account in an access list. A named account is looked up by its name.
struct Account {
  enum class Kind { Everyone, SetupUser, AuthenticatedUsers, Named };
  Kind kind = Kind::Everyone;
  std::string name;  // for Named
  auto operator<=>(const Account&) const = default;
};

// Inheritance flags of an access entry, with the system's values.
namespace ace_flags {
inline constexpr uint8_t kObjectInherit = 0x1;
inline constexpr uint8_t kContainerInherit = 0x2;
inline constexpr uint8_t kInheritOnly = 0x8;
}  // namespace ace_flags

// The security of one object, read when opened; changes reach the object only through write.
class SecuredObject {
 public:
  virtual ~SecuredObject() = default;
  // Removes every entry of the account; false when the account is unknown.
  virtual bool removeEntries(const Account& account) = 0;
  // Appends an entry that allows the mask to the account.
  virtual bool allow(const Account& account, uint32_t mask, uint8_t inheritance) = 0;
  // An access list without entries: nobody has access.
  virtual void clearList() = 0;
  // No access list at all: nothing is restricted.
  virtual void removeList() = 0;
  virtual bool write() = 0;
};

class AccessControl {
 public:
  virtual ~AccessControl() = default;
  // A registry key is named with its root's full name ("HKEY_LOCAL_MACHINE\..."); null when
  // the object's security cannot be read.
  virtual std::unique_ptr<SecuredObject> open(SecuredKind kind, const std::string& name) = 0;
};

// COM servers registering themselves, with the system's OLE layer initialised for each call.
// Each answers whether it succeeded.
class ComRegistration {
 public:
  virtual ~ComRegistration() = default;
  // Registers a type library (with the folder of its help file as help folder) or unregisters
  // it by its identity.
  virtual bool registerTypeLibrary(const std::string& path, bool doRegister) = 0;
  // Starts a program with the switch (" /regserver" or " /unregserver") without waiting.
  virtual bool startRegistrationProgram(const std::string& path, const std::string& option) = 0;
  // Calls a library's "DllRegisterServer" or "DllUnregisterServer"; the library stays loaded
  // when it succeeds.
  virtual bool callSelfRegistration(const std::string& path, bool doRegister) = 0;
};

// The machine as the engine sees it; each member is owned by whoever builds the platform.
// The local web server's administration objects (IIS): the web service, its sites (children of
// class "IIsWebServer" named by their index) and their virtual folders (children of a site of
// class "IIsWebVirtualDir" named "Root" or "Root/" + path). Every call can fail: no web server,
// no such object, access denied.
struct WebObjectChild {
  std::string name;
  std::string className;
};
struct MimeMapEntry {
  std::string extension;
  std::string mimeType;
  bool operator==(const MimeMapEntry&) const = default;
};
using WebPropertyValue = std::variant<std::string, int32_t, bool>;

class WebObject {
 public:
  virtual ~WebObject() = default;
  // A property's text form: numbers in decimal, truth values "True" or "False".
  virtual std::optional<std::string> property(const std::string& name) = 0;
  virtual bool setProperty(const std::string& name, const WebPropertyValue& value) = 0;
  virtual std::optional<std::vector<MimeMapEntry>> mimeMap() = 0;
  virtual bool setMimeMap(const std::vector<MimeMapEntry>& entries) = 0;
  // Saves the object's properties ("SetInfo").
  virtual bool save() = 0;
  // A method of the object: "Start", "Stop", "Pause", "Continue" without an argument;
  // "EnableWebServiceExtension", "EnableExtensionFile" and "AppCreate2" with one.
  virtual bool call(const std::string& method, std::optional<WebPropertyValue> argument) = 0;
  virtual std::optional<std::vector<WebObjectChild>> children() = 0;
  virtual std::unique_ptr<WebObject> child(const std::string& className,
                                           const std::string& name) = 0;
  virtual std::unique_ptr<WebObject> create(const std::string& className,
                                            const std::string& name) = 0;
  virtual bool remove(const std::string& className, const std::string& name) = 0;
};

class WebServerAdministration {
 public:
  virtual ~WebServerAdministration() = default;
  // The local machine's web service; nullptr when there is none to reach.
  virtual std::unique_ptr<WebObject> webService() = 0;
};

struct Platform {
  UserInterface* ui = nullptr;
  Registry* registry = nullptr;
  FileSystem* files = nullptr;
  SystemInfo* system = nullptr;
  Modules* modules = nullptr;
  Threads* threads = nullptr;
  ArchiveLibrary* archives = nullptr;
  PictureCodecs* pictures = nullptr;
  WindowsInstaller* installer = nullptr;
  Programs* programs = nullptr;
  MachineServices* services = nullptr;
  AccessControl* security = nullptr;
  ComRegistration* com = nullptr;
  WebServerAdministration* webServer = nullptr;
  DialogWindows* dialogWindows = nullptr;
};

}  // namespace kx
