#include "installer/apply_changes.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/comma_text.h"
#include "base/language_table.h"
#include "base/script_error.h"
#include "base/values.h"
#include "installer/installer_session.h"
#include "installer/package_edits.h"
#include "installer/product_instance.h"
#include "installer/product_registration.h"
#include "installer/recording.h"
#include "interpreter/engine.h"
#include "interpreter/worker_and_wait.h"

namespace kx {
namespace {

// Every kind of message but files-in-use, and the log appended to with each line flushed.
constexpr uint32_t kLogMode = 0x3FDF;
constexpr uint32_t kLogAttributes = 3;
// Every kind up to show-dialog but files-in-use.
constexpr uint32_t kMessageFilter = 0x7FDF;

// Installer properties that the installer sets itself or that belong to it: script variables
// of these names are never handed over.
constexpr std::string_view kReservedProperties[] = {
    "ACTION",
    "ALLUSERS",
    "ARPAUTHORIZEDCDFPREFIX",
    "ARPCOMMENTS",
    "ARPCONTACT",
    "ARPINSTALLLOCATION",
    "ARPNOMODIFY",
    "ARPNOREMOVE",
    "ARPNOREPAIR",
    "ARPPRODUCTICON",
    "ARPREADME",
    "ARPSIZE",
    "ARPSYSTEMCOMPONENT",
    "ARPURLINFOABOUT",
    "ARPURLUPDATEINFO",
    "AVAILABLEFREEREG",
    "CCP_DRIVE",
    "DEFAULTUIFONT",
    "DISABLEADVTSHORTCUTS",
    "DISABLEMEDIA",
    "DISABLEROLLBACK",
    "EXECUTEACTION",
    "EXECUTEMODE",
    "FASTOEM",
    "INSTALLLEVEL",
    "LIMITUI",
    "LOGACTION",
    "MEDIAPACKAGEPATH",
    "MSINODISABLEMEDIA",
    "MSIENFORCEUPGRADECOMPONENTRULES",
    "PRIMARYFOLDER",
    "PRIVILEGED",
    "PROMPTROLLBACKCOST",
    "REBOOT",
    "REBOOTPROMPT",
    "ROOTDRIVE",
    "SEQUENCE",
    "SHORTFILENAMES",
    "TRANSFORMS",
    "TRANSFORMSATSOURCE",
    "TRANSFORMSSECURE",
    "DATE",
    "TIME",
    "ADDDEFAULT",
    "ADDLOCAL",
    "ADDSOURCE",
    "ADVERTISE",
    "COMPADDLOCAL",
    "COMPADDSOURCE",
    "FILEADDDEFAULT",
    "FILEADDLOCAL",
    "FILEADDSOURCE",
    "MSIPATCHREMOVE",
    "PATCH",
    "REINSTALL",
    "REINSTALLMODE",
    "REMOVE",
    "ALPHA",
    "BORDERSIDE",
    "BORDERTOP",
    "CAPTIONHEIGHT",
    "COLORBITS",
    "INTEL",
    "INTEL64",
    "MSIAMD64",
    "PHYSICALMEMORY",
    "SCREENX",
    "SCREENY",
    "TEXTHEIGHT",
    "VIRTUALMEMORY",
    "AFTERREBOOT",
    "COSTINGCOMPLETE",
    "INSTALLED",
    "MSICHECKCRCS",
    "MSIUIHIDECANCEL",
    "MSIUIPROGRESSONLY",
    "MSIUISOURCERESONLY",
    "NOCOMPANYNAME",
    "NOUSERNAME",
    "OUTOFDISKSPACE",
    "OUTOFNORBDISKSPACE",
    "PRESELECTED",
    "PRIMARYVOLUMEPATH",
    "PRIMARYVOLUMESPACEAVAILABLE",
    "PRIMARYVOLUMESPACEREMAINING",
    "PRIMARYVOLUMESPACEREQUIRED",
    "PRODUCTLANGUAGE",
    "REPLACEINUSEFILES",
    "RESUME",
    "ROLLBACKDISABLED",
    "UILEVEL",
    "UPDATESTARTED",
    "UPGRADINGPRODUCTCODE",
    "VERSIONMSI",
    "ADMINPROPERTIES",
    "COMPANYNAME",
    "LOGONUSER",
    "MSIHIDDENPROPERTIES",
    "PIDKEY",
    "PRODUCTID",
    "USERLANGUAGEID",
    "USERNAME",
    "USERSID",
    "ADMINTOOLSFOLDER",
    "APPDATAFOLDER",
    "COMMONAPPDATAFOLDER",
    "COMMONFILES64FOLDER",
    "COMMONFILESFOLDER",
    "DESKTOPFOLDER",
    "FAVORITESFOLDER",
    "FONTSFOLDER",
    "LOCALAPPDATAFOLDER",
    "MYPICTURESFOLDER",
    "PERSONALFOLDER",
    "PROGRAMFILES64FOLDER",
    "PROGRAMFILESFOLDER",
    "PROGRAMMENUFOLDER",
    "SENDTOFOLDER",
    "STARTMENUFOLDER",
    "STARTUPFOLDER",
    "SYSTEM16FOLDER",
    "SYSTEM64FOLDER",
    "SYSTEMFOLDER",
    "TEMPFOLDER",
    "TEMPLATEFOLDER",
    "WINDOWSFOLDER",
    "WINDOWSVOLUME",
    "PATCHNEWPACKAGECODE",
    "PATCHNEWSUMMARYCOMMENTS",
    "PATCHNEWSUMMARYSUBJECT",
    "ARPHELPLINK",
    "ARPHELPTELEPHONE",
    "DISKPROMPT",
    "ISADMINPACKAGE",
    "LEFTUNI",
    "MANUFACTURER",
    "MediaSourceDir",
    "MSIINSTANCEGUID",
    "MSINEWINSTANCE",
    "PIDTEMPLATE",
    "PRODUCTCODE",
    "PRODUCTNAME",
    "PRODUCTSTATE",
    "PRODUCTVERSION",
    "UPGRADECODE",
    "ADMINUSER",
    "COMPUTERNAME",
    "MSINTPRODUCTTYPE",
    "MSINTSUITEBACKOFFICE",
    "MSINTSUITEDATACENTER",
    "MSINTSUITEENTERPRISE",
    "MSINTSUITESMALLBUSINESS",
    "MSINTSUITESMALLBUSINESSRESTRICTED",
    "MSINTSUITEWEBSERVER",
    "MSINTSUITEPERSONAL",
    "MSINETASSEMBLYSUPPORT",
    "MSIWIN32ASSEMBLYSUPPORT",
    "OLEADVTSUPPORT",
    "REDIRECTEDDLLSUPORT",
    "REMOTEADMINTS",
    "SERVICEPACKLEVEL",
    "SERVICEPACKLEVELMINOR",
    "SHAREDWINDOWS",
    "SHELLADVTSUPPORT",
    "SYSTEMLANGUAGEID",
    "TERMINALSERVER",
    "TTCSUPPORT",
    "VERSION9X",
    "VERSIONDATABASE",
    "VERSIONNT",
    "VERSIONNT64",
    "WINDOWSBUILD",
    "ORIGINALDATABASE",
    "SourceDir",
    "SRCDIR",
    "CLEANUPUNINSTALLROLLBACK",
    "CLIENTPROCESSID",
    "CLIENTUILEVEL",
    "CURRENTDIRECTORY",
    "DATABASE",
    "SUPPORTDIR",
    "PACKAGECODE",
    "PACKAGECODECHANGING",
    "SOURCEDIRPRODUCT",
};

bool isReservedProperty(std::string_view name) {
  for (const std::string_view reserved : kReservedProperties)
    if (equalsIgnoringAsciiCase(reserved, name)) return true;
  return false;
}

// The drive letter and colon, or the server and share of a network path.
size_t drivePartLength(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return 2;
  if (!path.starts_with("\\\\")) return 0;
  const size_t serverEnd = path.find('\\', 2);
  if (serverEnd == std::string_view::npos) return path.size();
  const size_t shareEnd = path.find('\\', serverEnd + 1);
  return shareEnd == std::string_view::npos ? path.size() : shareEnd;
}

// The system's text for a Windows error code without its line end and final periods.
std::string systemErrorText(SystemInfo& system, uint32_t code) {
  std::string text = system.errorMessage(code);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) < 33 || text.back() == '.'))
    text.pop_back();
  return text;
}

// One sentence ending in a period loses it; a text with a period before its end keeps all.
std::string withoutSinglePeriod(std::string text) {
  const size_t period = text.find('.');
  if (period != std::string::npos && period + 1 == text.size()) text.pop_back();
  return text;
}

// What the interpreter and the installer's worker share during one apply. Written before the
// worker starts and read after it has ended, but for the cancel flag.
struct ApplyRun {
  std::string packagePath;
  bool patch = false;
  std::string variables;   // comma text, names and values alternating
  std::string properties;  // the same form
  std::string productCode;
  bool install = false;
  bool advertise = false;
  std::string dataFolder;      // with a trailing backslash
  std::string existingFolder;  // with a trailing backslash
  WindowHandle owner = 0;
  std::string packageFolder;
  std::string mediaPath;
  bool quotePackage = false;
  bool quoteData = false;
  std::atomic<bool> cancel = false;
  bool error = false;
  bool reboot = false;
  std::string errorText;
};

enum class ApplyResult { Failed = -1, Cancelled = 0, Complete = 1, CompleteRestart = 2 };

// The installer's run on its own thread: the hand-over file, the log, the message handler and
// the installer's call, the outcome in the run's flags.
class TMSIThread {
 public:
  TMSIThread(Engine& engine, InstallerSession& session, ApplyRun& run)
      : engine_(engine),
        files_(*engine.platform.files),
        system_(*engine.platform.system),
        installer_(*engine.platform.installer),
        session_(session),
        run_(run) {}

  void execute() {
    handOverFile_ = system_.temporaryFolder() + run_.productCode;
    try {
      runInstaller();
    } catch (const std::exception& failure) {
      run_.error = true;
      run_.errorText = failure.what();
    }
    if (run_.error && run_.errorText.empty()) run_.errorText = session_.messages.lastError();
    if (run_.error && run_.errorText.empty())
      run_.errorText = engine_.messages.message(message_ids::kGeneralSetupFailure);
    run_.errorText = withoutSinglePeriod(run_.errorText);
    files_.deleteFile(handOverFile_);
  }

 private:
  void runInstaller() {
    run_.packageFolder = shortFolder(std::string(folderPart(run_.packagePath)), run_.quotePackage);
    if (!endsWithIgnoringAsciiCase(run_.packagePath, ".msp"))
      files_.createFolders(run_.dataFolder);
    else if (files_.folderExists(run_.existingFolder))
      run_.existingFolder = shortFolder(run_.existingFolder, run_.quoteData);
    if (files_.folderExists(run_.dataFolder))
      run_.dataFolder = shortFolder(run_.dataFolder, run_.quoteData);
    const std::string parent(folderPart(withoutTrailingBackslash(run_.dataFolder)));
    run_.mediaPath = parent.substr(drivePartLength(parent));
    {
      std::lock_guard guard(engine_.generalLock);
      engine_.progress.maximum = 100;
      engine_.progress.minimum = 0;
    }
    files_.writeFile(handOverFile_, handOverText());
    {
      std::lock_guard guard(engine_.generalLock);
      engine_.progress.position = 100;
      engine_.progress.text = "Windows Installer";
    }
    if (!run_.patch) writeRows();
    const bool installed =
        installer_.productState(run_.productCode) == installer_codes::kProductInstalled;
    if (run_.cancel) return;
    startLog();
    installer_.setMessageHandler(kMessageFilter, [this](uint32_t type, const std::string& text) {
      return session_.messages.handle(*engine_.platform.ui, engine_.messages, type, text,
                                      [this](const std::string& actionText, int64_t minimum,
                                             int64_t maximum, int64_t position) {
                                        std::lock_guard guard(engine_.generalLock);
                                        engine_.progress.text = actionText;
                                        engine_.progress.position = position;
                                        engine_.progress.maximum = maximum;
                                        engine_.progress.minimum = minimum;
                                        return !run_.cancel;
                                      });
    });
    callInstaller(installed);
  }

  // The folder's short form with a trailing backslash; `quote` is set when that holds a blank
  // or the file system gives no short form, which leaves the folder as it is.
  std::string shortFolder(const std::string& folder, bool& quote) {
    const std::optional<std::string> shortForm = files_.shortPathName(folder);
    if (!shortForm) {
      quote = true;
      return folder;
    }
    std::string result = withTrailingBackslash(*shortForm);
    if (result.find(' ') != std::string::npos) quote = true;
    return result;
  }

  // Entries of a name line, the value's lines and "$ex".
  std::string handOverText() {
    std::string text;
    const auto entry = [&text](std::string_view name, std::string_view value) {
      text.append(name).append("\r\n").append(value).append("\r\n$ex\r\n");
    };
    entry("SourceDir", run_.patch ? run_.existingFolder : run_.dataFolder);
    if (run_.patch)
      entry("SRCDIREX", run_.existingFolder);
    else
      entry("MEDIAPACKAGEPATH", run_.mediaPath);
    const std::vector<std::string> properties = readCommaText(run_.properties);
    for (size_t i = 0; i + 1 < properties.size(); i += 2)
      entry(properties[i], preparedValue(engine_, properties[i + 1]));
    const std::vector<std::string> variables = readCommaText(run_.variables);
    for (size_t i = 0; i + 1 < variables.size(); i += 2) {
      const std::string& name = variables[i];
      const std::string& value = variables[i + 1];
      if (equalsIgnoringAsciiCase(name, "SILENT"))
        session_.messages.settings.silent = upperAscii(value) == kTrue;
      else if (equalsIgnoringAsciiCase(name, "TITLE"))
        session_.messages.settings.caption = value;
      if (!isReservedProperty(name)) entry(name, preparedValue(engine_, value));
    }
    return text;
  }

  void writeRows() {
    ChangeRecording& changes = engine_.changes;
    NewInstanceCodes codes{run_.productCode, currentValue(engine_, "REVISIONCODE")};
    const bool newInstance =
        writePendingRows(installer_, system_, run_.packagePath, changes.pendingRows,
                         session_.newInstanceRequested ? &codes : nullptr);
    changes.pendingRows.clear();
    // The package has its new codes now: a later apply must not give it others.
    if (newInstance) {
      session_.newInstanceRequested = false;
      session_.newInstanceWritten = true;
    }
  }

  void startLog() {
    const std::string logFile = currentValue(engine_, "LOGGED");
    if (logFile.empty()) return;
    files_.createFolders(std::string(folderPart(logFile)));
    std::string header = "=== Kestrix: Applying Changes @" + system_.shortDate() + " " +
                         system_.longTime() + " ===\r\n\r\n";
    const auto section = [&header](std::string_view heading, std::string_view value) {
      header.append(heading).append("\r\n").append(value).append("\r\n\r\n");
    };
    section("*** Variables ***", run_.variables);
    section("*** Properties ***", run_.properties);
    section("*** MSI Database ***", run_.packagePath);
    section("*** GUID ***", run_.productCode);
    section("*** Data Directory ***", run_.dataFolder);
    section("*** Media Directory ***", run_.mediaPath);
    section("*** MSI Directory ***", run_.packageFolder);
    header += "\r\n";
    files_.writeFile(logFile, system_.isNtFamily() ? system_.toUtf16le(header) : header);
    installer_.enableLog(kLogMode, logFile, kLogAttributes);
  }

  // NAME=VALUE and a blank, the value between double quotes when `quoted`.
  static std::string property(std::string_view name, const std::string& value, bool quoted) {
    return std::string(name) + "=" + (quoted ? "\"" + value + "\"" : value) + " ";
  }

  std::string accountName() {
    if (!system_.isNtFamily()) return system_.userName();
    const std::string user = system_.userName();
    return user.empty() ? std::string() : system_.userDomain() + "\\" + user;
  }

  void callInstaller(bool installed) {
    const std::string sourceList = run_.dataFolder + ";" + run_.packageFolder;
    const bool quoteSources = run_.quotePackage || run_.quoteData;
    // Exactly "TRUE": a lower-case "true" installs for the user.
    const bool forAllUsers = currentValue(engine_, "ALLUSERS") == kTrue;
    const std::string allUsersPart = forAllUsers ? "ALLUSERS=1 " : "ALLUSERS=\"\" ";
    const std::string hidden = "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 ";
    const std::string sources = property("SRCDIR", run_.dataFolder, run_.quoteData) +
                                property("SOURCELIST", sourceList, quoteSources) +
                                property("MEDIAPACKAGEPATH", run_.mediaPath, run_.quoteData) +
                                "REBOOT=R ";
    if (run_.patch) {
      const std::string existing = property("SRCDIR", run_.existingFolder, run_.quoteData) +
                                   property("SRCDIREX", run_.existingFolder, run_.quoteData);
      installer_.addSource(run_.productCode, "", run_.existingFolder);
      installer_.addSource(run_.productCode, accountName(), run_.existingFolder);
      finishWith(
          installer_.applyPatch(run_.packagePath, "ADDLOCAL=ALL " + allUsersPart + existing));
    } else if (run_.install) {
      const std::string mode = installed        ? "REINSTALL=ALL REINSTALLMODE=vomus "
                               : run_.advertise ? "ADVERTISE=ALL "
                                                : "ADDLOCAL=ALL ";
      finishWith(
          installer_.installProduct(run_.packagePath, mode + allUsersPart + hidden + sources));
    } else {
      const PackageActionResult removal =
          installer_.runPackageAction(run_.packagePath,
                                      {{"ALLUSERS", forAllUsers ? "1" : ""},
                                       {"REMOVE", "ALL"},
                                       {"SRCDIR", run_.dataFolder},
                                       {"SOURCELIST", sourceList},
                                       {"MEDIAPACKAGEPATH", run_.mediaPath},
                                       {"REBOOT", "R"}},
                                      "INSTALL");
      finishWith(removal.code);
      if (!run_.error && removal.restartNeeded) run_.reboot = true;
    }
  }

  void finishWith(uint32_t code) {
    if (code == installer_codes::kSuccess) return;
    if (code == installer_codes::kRebootRequired || code == installer_codes::kRebootInitiated) {
      run_.reboot = true;
      return;
    }
    run_.error = true;
    run_.errorText = systemErrorText(system_, code);
  }

  Engine& engine_;
  FileSystem& files_;
  SystemInfo& system_;
  WindowsInstaller& installer_;
  InstallerSession& session_;
  ApplyRun& run_;
  std::string handOverFile_;
};

ApplyResult runInstallerThread(Engine& engine, ApplyRun& run) {
  InstallerSession& session = installerSession(engine);
  run.owner = engine.run.modelessWindow;
  session.messages.settings.owner = run.owner;
  session.messages.clearLastError();
  {
    std::lock_guard guard(engine.generalLock);
    engine.progress.text.clear();
  }
  TMSIThread thread(engine, session, run);
  runWorkerAndWait(
      engine, run.cancel, [&thread] { thread.execute(); }, [] {});
  if (run.cancel) return ApplyResult::Cancelled;
  if (run.error) return ApplyResult::Failed;
  return run.reboot ? ApplyResult::CompleteRestart : ApplyResult::Complete;
}

// The folder of the installed product's uninstaller, or the sources folder of the command line.
std::string existingFolder(Engine& engine) {
  if (!engine.options.sourcesFolder.empty())
    return withTrailingBackslash(engine.options.sourcesFolder);
  const std::optional<std::string> command = engine.platform.registry->readString(
      productRegistryRoot(engine), uninstallEntryKey(currentValue(engine, "TITLE")),
      "UninstallString");
  if (!command) return {};
  const std::string folder(folderPart(unquotedUninstallString(*command)));
  return folder.empty() ? std::string() : withTrailingBackslash(folder);
}

// Asks for the setup's sources until the user picks a folder that holds the marker file, or
// its "data\" subfolder does; empty when the user gives up.
std::string locateSources(Engine& engine, const std::string& marker) {
  DialogWindows* windows = engine.platform.dialogWindows;
  if (engine.silent() || !windows) return {};
  FileSystem& files = *engine.platform.files;
  const std::string title = engine.messages.message(message_ids::kLocateSources);
  for (;;) {
    const std::string picked = windows->pickFolder(engine.run.modelessWindow, true, title);
    if (picked.empty()) return {};
    const std::string folder = withTrailingBackslash(picked);
    if (files.fileExists(folder + marker)) return folder;
    if (files.fileExists(folder + "data\\" + marker)) return folder + "data\\";
  }
}

void writeResultWord(Engine& engine, const std::string& resultLine, std::string_view word) {
  if (resultLine.empty()) return;
  engine.writeResult(namedVariable(resultLine), std::string(word));
}

// The offline data copy of a local-cache setup; false when it failed, which ends the run.
bool fetchOfflineData(Engine& engine) {
  const auto fetch = engine.commands.hooks.fetchMediaBlock;
  if (!fetch) return true;
  try {
    fetch(engine, "OFFLINE\\");
    return true;
  } catch (const ScriptError& failure) {
    if (!engine.silent()) {
      MessageBoxRequest box;
      box.caption = "Kestrix";
      box.text = failure.what();
      box.icon = MessageIcon::Error;
      engine.showMessage(box);
    }
    // The run cannot go on without its data, and a run that stops here has not succeeded.
    engine.exitCode = kFailureExitCode;
    engine.run.ended = true;
    return false;
  }
}

void applyStep(Engine& engine, bool patch) {
  const std::string resultLine = engine.parameter(patch ? 1 : 2);
  const bool install = !patch && isTrue(engine.parameter(3));
  const bool uninstall = !patch && isTrue(engine.parameter(4));
  FileSystem& files = *engine.platform.files;
  const Script& script = engine.script;

  auto run = std::make_unique<ApplyRun>();
  run->dataFolder = withTrailingBackslash(engine.options.dataFolder);
  run->existingFolder = existingFolder(engine);

  const std::string& marker = script.productCode;
  const bool sourcesPresent = files.fileExists(
      (script.sourceMode == kUninstallEntrySourceMode ? run->existingFolder : run->dataFolder) +
      marker);
  if (!sourcesPresent && (isTrue(currentValue(engine, "MAINTENANCE")) || patch) &&
      script.sourceMode != kLocalCacheSourceMode && (patch || install)) {
    const std::string sources = locateSources(engine, marker);
    if (sources.empty()) {
      engine.store.defineAndSet("LASTERROR", engine.messages.message(message_ids::kSourcesNotFound),
                                engine.writeContext());
      return writeResultWord(engine, resultLine, "CANCEL");
    }
    run->dataFolder = sources;
  }
  if (script.sourceMode == kLocalCacheSourceMode && !fetchOfflineData(engine)) return;

  engine.changes.recordProperty("MSINTEMP",
                                withTrailingBackslash(engine.platform.system->temporaryFolder()));
  run->packagePath = engine.options.msiFile;
  if (!patch && !engine.run.currentLanguage.empty()) {
    engine.changes.queueRow("ProductLanguage",
                            std::to_string(languageIdentifier(engine.run.currentLanguage)));
    applyShortcutRenames(*engine.platform.installer, run->packagePath,
                         engine.changes.shortcutRenames);
    applyProgIdRenames(*engine.platform.installer, run->packagePath, engine.changes.progIdRenames);
  }
  if (patch) {
    run->existingFolder = run->dataFolder;
    run->packagePath =
        std::string(folderPart(run->packagePath)) + baseName(run->packagePath) + ".msp";
  }

  run->patch = patch;
  run->variables = engine.store.exportList();
  std::vector<std::string> properties;
  for (const auto& [name, value] : engine.changes.recordedProperties) {
    properties.push_back(name);
    properties.push_back(value);
  }
  run->properties = writeCommaText(properties);
  run->productCode = currentValue(engine, "PRODUCTCODE");
  run->advertise = !patch && !install && !uninstall;
  run->install = install || run->advertise;

  const ApplyResult result = runInstallerThread(engine, *run);
  if (!run->errorText.empty())
    engine.store.defineAndSet("LASTERROR", run->errorText, engine.writeContext());
  static constexpr std::string_view kWords[] = {"ERROR", "CANCEL", "COMPLETE", "REBOOT"};
  writeResultWord(engine, resultLine, kWords[static_cast<int>(result) + 1]);
  if (result == ApplyResult::CompleteRestart)
    engine.store.defineAndSet("REBOOTCOMPUTER", "TRUE", engine.writeContext());
  if (!patch && (result == ApplyResult::Complete || result == ApplyResult::CompleteRestart))
    registerProduct(engine, install, uninstall);
}

void commandApplyChanges(Engine& engine) {
  applyStep(engine, false);
}

void commandApplyPatch(Engine& engine) {
  applyStep(engine, true);
}

constexpr CommandDescriptor kApplyCommands[] = {
    {"Apply Changes", commandApplyChanges, {.resultLines = {2}}},
    {"Apply Patch", commandApplyPatch, {.resultLines = {1}}},
};

}  // namespace

std::span<const CommandDescriptor> applyCommands() {
  return kApplyCommands;
}

}  // namespace kx
