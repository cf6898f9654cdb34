#include "platform/win32/win32_installer.h"

#include <windows.h>
// For the types and constants only: the functions are bound at run time.
#include <msi.h>
#include <msiquery.h>
#include <wtypes.h>

#include <optional>
#include <type_traits>
#include <vector>

#include "platform/installer_statement.h"

namespace kx {

struct MsiFunctions {
  HMODULE library = nullptr;
  decltype(&MsiOpenDatabaseA) openDatabase = nullptr;
  decltype(&MsiDatabaseOpenViewA) openView = nullptr;
  decltype(&MsiViewExecute) viewExecute = nullptr;
  decltype(&MsiViewFetch) viewFetch = nullptr;
  decltype(&MsiViewModify) viewModify = nullptr;
  decltype(&MsiViewClose) viewClose = nullptr;
  decltype(&MsiCreateRecord) createRecord = nullptr;
  decltype(&MsiRecordSetStringA) recordSetString = nullptr;
  decltype(&MsiGetSummaryInformationA) getSummaryInformation = nullptr;
  decltype(&MsiSummaryInfoSetPropertyA) summarySetProperty = nullptr;
  decltype(&MsiSummaryInfoPersist) summaryPersist = nullptr;
  decltype(&MsiDatabaseCommit) databaseCommit = nullptr;
  decltype(&MsiCloseHandle) closeHandle = nullptr;
  // Every function above is there.
  bool editing = false;

  // Each may be missing on its own.
  decltype(&MsiQueryProductStateA) queryProductState = nullptr;
  decltype(&MsiGetProductInfoA) getProductInfo = nullptr;
  decltype(&MsiEnableLogA) enableLog = nullptr;
  decltype(&MsiSetInternalUI) setInternalUI = nullptr;
  decltype(&MsiSetExternalUIA) setExternalUI = nullptr;
  decltype(&MsiSourceListAddSourceA) sourceListAddSource = nullptr;
  decltype(&MsiInstallProductA) installProduct = nullptr;
  decltype(&MsiApplyPatchA) applyPatch = nullptr;
  decltype(&MsiOpenPackageA) openPackage = nullptr;
  decltype(&MsiSetPropertyA) setProperty = nullptr;
  decltype(&MsiDoActionA) doAction = nullptr;
  decltype(&MsiGetMode) getMode = nullptr;

  ~MsiFunctions() {
    if (library) FreeLibrary(library);
  }
};

namespace {

constexpr UINT kRevisionNumber = 9;  // PID_REVNUMBER: the package code
constexpr DWORD kProductInfoSize = 260;

// The code of a call that cannot be made: no installer at all, or one without the function.
uint32_t unavailable(const MsiFunctions* msi) {
  return msi ? ERROR_CALL_NOT_IMPLEMENTED : ERROR_INSTALL_SERVICE_FAILURE;
}

// The external user interface that msi.dll calls on the installing thread, with the stored
// handler as its context.
INT WINAPI forwardMessage(LPVOID context, UINT type, LPCSTR text) {
  const auto& handler = *static_cast<const InstallerMessageHandler*>(context);
  return handler ? handler(type, text ? std::string(text) : std::string()) : 0;
}

// A handle of msi.dll, closed when it goes.
class Handle {
 public:
  explicit Handle(const MsiFunctions& msi) : msi_(msi) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  MSIHANDLE get() const { return handle_; }
  MSIHANDLE* out() {
    reset();
    return &handle_;
  }
  void reset() {
    if (handle_) msi_.closeHandle(handle_);
    handle_ = 0;
  }

 private:
  const MsiFunctions& msi_;
  MSIHANDLE handle_ = 0;
};

class Win32InstallerPackage : public InstallerPackage {
 public:
  Win32InstallerPackage(std::shared_ptr<const MsiFunctions> msi, MSIHANDLE database)
      : msi_(std::move(msi)), database_(*msi_) {
    *database_.out() = database;
  }

  bool execute(std::string_view sql, const std::vector<std::string>& values) override {
    if (values.size() < parameterMarkerCount(sql)) return false;
    const MsiFunctions& msi = *msi_;
    Handle view(msi);
    if (msi.openView(database_.get(), std::string(sql).c_str(), view.out()) != ERROR_SUCCESS)
      return false;
    Handle parameters(msi);
    if (!values.empty()) {
      *parameters.out() = msi.createRecord(static_cast<UINT>(values.size()));
      if (!parameters.get()) return false;
      for (size_t i = 0; i < values.size(); ++i)
        if (msi.recordSetString(parameters.get(), static_cast<UINT>(i + 1), values[i].c_str()) !=
            ERROR_SUCCESS)
          return false;
    }
    const bool executed = msi.viewExecute(view.get(), parameters.get()) == ERROR_SUCCESS;
    msi.viewClose(view.get());
    return executed;
  }

  bool replaceColumnValues(std::string_view table, std::string_view column,
                           const std::function<std::string()>& newValue) override {
    const MsiFunctions& msi = *msi_;
    const std::string sql =
        "SELECT `" + std::string(column) + "` FROM `" + std::string(table) + "`";
    Handle view(msi);
    if (msi.openView(database_.get(), sql.c_str(), view.out()) != ERROR_SUCCESS ||
        msi.viewExecute(view.get(), 0) != ERROR_SUCCESS)
      return false;
    bool replaced = true;
    for (;;) {
      Handle record(msi);
      const UINT fetched = msi.viewFetch(view.get(), record.out());
      if (fetched == ERROR_NO_MORE_ITEMS) break;
      if (fetched != ERROR_SUCCESS ||
          msi.recordSetString(record.get(), 1, newValue().c_str()) != ERROR_SUCCESS ||
          msi.viewModify(view.get(), MSIMODIFY_UPDATE, record.get()) != ERROR_SUCCESS) {
        replaced = false;
        break;
      }
    }
    msi.viewClose(view.get());
    return replaced;
  }

  bool setPackageCode(const std::string& code) override {
    const MsiFunctions& msi = *msi_;
    Handle summary(msi);
    return msi.getSummaryInformation(database_.get(), nullptr, 1, summary.out()) == ERROR_SUCCESS &&
           msi.summarySetProperty(summary.get(), kRevisionNumber, VT_LPSTR, 0, nullptr,
                                  code.c_str()) == ERROR_SUCCESS &&
           msi.summaryPersist(summary.get()) == ERROR_SUCCESS;
  }

  bool commit() override { return msi_->databaseCommit(database_.get()) == ERROR_SUCCESS; }

 private:
  std::shared_ptr<const MsiFunctions> msi_;
  Handle database_;
};

// msi.dll is loaded by its full path in the system folder, so that a library of that name
// beside a downloaded setup is never the one used.
std::shared_ptr<const MsiFunctions> loadMsi() {
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return nullptr;
  auto msi = std::make_shared<MsiFunctions>();
  msi->library = LoadLibraryA((std::string(folder, length) + "\\msi.dll").c_str());
  if (!msi->library) return nullptr;
  const auto entry = [&msi](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void*>(GetProcAddress(msi->library, name)));
    return function != nullptr;
  };
  msi->editing =
      entry(msi->closeHandle, "MsiCloseHandle") && entry(msi->openDatabase, "MsiOpenDatabaseA") &&
      entry(msi->openView, "MsiDatabaseOpenViewA") && entry(msi->viewExecute, "MsiViewExecute") &&
      entry(msi->viewFetch, "MsiViewFetch") && entry(msi->viewModify, "MsiViewModify") &&
      entry(msi->viewClose, "MsiViewClose") && entry(msi->createRecord, "MsiCreateRecord") &&
      entry(msi->recordSetString, "MsiRecordSetStringA") &&
      entry(msi->getSummaryInformation, "MsiGetSummaryInformationA") &&
      entry(msi->summarySetProperty, "MsiSummaryInfoSetPropertyA") &&
      entry(msi->summaryPersist, "MsiSummaryInfoPersist") &&
      entry(msi->databaseCommit, "MsiDatabaseCommit");
  entry(msi->queryProductState, "MsiQueryProductStateA");
  entry(msi->getProductInfo, "MsiGetProductInfoA");
  entry(msi->enableLog, "MsiEnableLogA");
  entry(msi->setInternalUI, "MsiSetInternalUI");
  entry(msi->setExternalUI, "MsiSetExternalUIA");
  entry(msi->sourceListAddSource, "MsiSourceListAddSourceA");
  entry(msi->installProduct, "MsiInstallProductA");
  entry(msi->applyPatch, "MsiApplyPatchA");
  entry(msi->openPackage, "MsiOpenPackageA");
  entry(msi->setProperty, "MsiSetPropertyA");
  entry(msi->doAction, "MsiDoActionA");
  entry(msi->getMode, "MsiGetMode");
  return msi;
}

}  // namespace

// Bound while the platform is made, on the main thread before any other thread runs: loading
// msi.dll pulls in a dozen libraries under the loader lock, which a first installer call in
// the middle of a run, with other threads busy on windows, can deadlock on.
Win32WindowsInstaller::Win32WindowsInstaller() {
  bind();
}

// msi.dll keeps the handler past this object otherwise.
Win32WindowsInstaller::~Win32WindowsInstaller() {
  if (handlerRegistered_) functions_->setExternalUI(nullptr, 0, nullptr);
}

std::shared_ptr<const MsiFunctions> Win32WindowsInstaller::bind() {
  std::call_once(bound_, [this] { functions_ = loadMsi(); });
  return functions_;
}

std::unique_ptr<InstallerPackage> Win32WindowsInstaller::openForEditing(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
    return nullptr;
  std::shared_ptr<const MsiFunctions> msi = bind();
  if (!msi || !msi->editing) return nullptr;
  MSIHANDLE database = 0;
  if (msi->openDatabase(path.c_str(), reinterpret_cast<LPCSTR>(MSIDBOPEN_DIRECT), &database) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32InstallerPackage>(std::move(msi), database);
}

int32_t Win32WindowsInstaller::productState(const std::string& productCode) {
  const auto msi = bind();
  if (!msi || !msi->queryProductState) return INSTALLSTATE_UNKNOWN;
  return msi->queryProductState(productCode.c_str());
}

std::optional<std::string> Win32WindowsInstaller::productInfo(const std::string& productCode,
                                                              const std::string& property) {
  const auto msi = bind();
  if (!msi || !msi->getProductInfo) return std::nullopt;
  char value[kProductInfoSize];
  DWORD size = sizeof value;
  if (msi->getProductInfo(productCode.c_str(), property.c_str(), value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::string(value, size);
}

void Win32WindowsInstaller::enableLog(uint32_t mode, const std::string& path, uint32_t attributes) {
  const auto msi = bind();
  if (msi && msi->enableLog) msi->enableLog(mode, path.c_str(), attributes);
}

void Win32WindowsInstaller::setMessageHandler(uint32_t filter, InstallerMessageHandler handler) {
  handler_ = std::move(handler);
  const auto msi = bind();
  if (!msi || !msi->setInternalUI || !msi->setExternalUI) return;
  HWND noWindow = nullptr;
  msi->setInternalUI(
      static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_NONE | INSTALLUILEVEL_SOURCERESONLY), &noWindow);
  msi->setExternalUI(forwardMessage, filter, &handler_);
  handlerRegistered_ = true;
}

void Win32WindowsInstaller::addSource(const std::string& productCode, const std::string& user,
                                      const std::string& source) {
  const auto msi = bind();
  if (msi && msi->sourceListAddSource)
    msi->sourceListAddSource(productCode.c_str(), user.empty() ? nullptr : user.c_str(), 0,
                             source.c_str());
}

uint32_t Win32WindowsInstaller::installProduct(const std::string& package,
                                               const std::string& commandLine) {
  const auto msi = bind();
  if (!msi || !msi->installProduct) return unavailable(msi.get());
  return msi->installProduct(package.c_str(), commandLine.c_str());
}

uint32_t Win32WindowsInstaller::applyPatch(const std::string& patch,
                                           const std::string& commandLine) {
  const auto msi = bind();
  if (!msi || !msi->applyPatch) return unavailable(msi.get());
  return msi->applyPatch(patch.c_str(), nullptr, INSTALLTYPE_DEFAULT, commandLine.c_str());
}

PackageActionResult Win32WindowsInstaller::runPackageAction(
    const std::string& package, const std::vector<std::pair<std::string, std::string>>& properties,
    const std::string& action) {
  const auto msi = bind();
  if (!msi || !msi->closeHandle || !msi->openPackage || !msi->setProperty || !msi->doAction ||
      !msi->getMode)
    return {unavailable(msi.get()), false};
  Handle session(*msi);
  // What the action answers on the handle that could not be opened.
  if (msi->openPackage(package.c_str(), session.out()) != ERROR_SUCCESS)
    return {ERROR_INVALID_HANDLE, false};
  for (const auto& [name, value] : properties)
    msi->setProperty(session.get(), name.c_str(), value.c_str());
  const UINT code = msi->doAction(session.get(), action.c_str());
  return {code, msi->getMode(session.get(), MSIRUNMODE_REBOOTATEND) ||
                    msi->getMode(session.get(), MSIRUNMODE_REBOOTNOW)};
}

}  // namespace kx
