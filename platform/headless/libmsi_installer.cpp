#include "platform/headless/libmsi_installer.h"

#include <libmsi.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/installer_statement.h"

namespace kx {
namespace {

constexpr size_t kLongestSavedString = 128 * 1024;

struct ObjectRelease {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Owned = std::unique_ptr<T, ObjectRelease>;

// The error slot of one libmsi call, freed when it goes. The texts are not shown: a failure
// only makes the operation answer false.
class ErrorSlot {
 public:
  ErrorSlot() = default;
  ErrorSlot(const ErrorSlot&) = delete;
  ErrorSlot& operator=(const ErrorSlot&) = delete;
  ~ErrorSlot() { g_clear_error(&error_); }
  // For the next call.
  GError** out() {
    g_clear_error(&error_);
    return &error_;
  }
  bool failed() const { return error_ != nullptr; }

 private:
  GError* error_ = nullptr;
};

std::string quotedName(std::string_view name) {
  return "`" + std::string(name) + "`";
}

class LibmsiPackage : public InstallerPackage {
 public:
  LibmsiPackage(LibmsiDatabase* database, const CodePage& codePage)
      : database_(database), codePage_(codePage) {}

  bool execute(std::string_view sql, const std::vector<std::string>& values) override {
    std::vector<std::string> utf8;
    for (const std::string& value : values) {
      utf8.push_back(codePage_.toUtf8(value));
      // libmsi saves only part of a string of 128 KB or more but keeps its full length,
      // which garbles every string after it in the package; the system's installer does not.
      if (utf8.back().size() >= kLongestSavedString) return false;
    }
    return run(codePage_.toUtf8(sql), utf8);
  }

  // libmsi cannot write a fetched record back, so each row is updated by its primary key.
  bool replaceColumnValues(std::string_view table, std::string_view column,
                           const std::function<std::string()>& newValue) override {
    const std::string tableName = codePage_.toUtf8(table);
    const std::string columnName = quotedName(codePage_.toUtf8(column));
    ErrorSlot error;
    // The table and column must exist before the keys are asked for: for a missing table
    // libmsi answers an error and an undefined record.
    if (!Owned<LibmsiQuery>(libmsi_query_new(
            database_.get(), ("SELECT " + columnName + " FROM " + quotedName(tableName)).c_str(),
            error.out())))
      return false;
    LibmsiRecord* const keyRecord =
        libmsi_database_get_primary_keys(database_.get(), tableName.c_str(), error.out());
    if (error.failed() || !keyRecord) return false;
    const Owned<LibmsiRecord> keys(keyRecord);
    const guint keyCount = libmsi_record_get_field_count(keys.get());
    if (keyCount == 0) return false;
    std::string select = "SELECT ";
    std::string where;
    for (guint field = 1; field <= keyCount; ++field) {
      char* name = libmsi_record_get_string(keys.get(), field);
      const std::string key = quotedName(name);
      g_free(name);
      select += key + ", ";
      where += (field == 1 ? " WHERE " : " AND ") + key + "=?";
    }
    select += columnName + " FROM " + quotedName(tableName);

    // Every row is read before the first one changes.
    std::vector<std::vector<std::string>> rowKeys;
    const Owned<LibmsiQuery> query(libmsi_query_new(database_.get(), select.c_str(), error.out()));
    if (!query || !libmsi_query_execute(query.get(), nullptr, error.out())) return false;
    for (;;) {
      const Owned<LibmsiRecord> row(libmsi_query_fetch(query.get(), error.out()));
      if (!row) break;
      std::vector<std::string>& values = rowKeys.emplace_back();
      for (guint field = 1; field <= keyCount; ++field) {
        char* value = libmsi_record_get_string(row.get(), field);
        values.emplace_back(value ? value : "");
        g_free(value);
      }
    }
    // The end of the rows comes without an error.
    const bool fetchedAll = !error.failed();
    libmsi_query_close(query.get(), error.out());
    if (!fetchedAll) return false;

    const std::string update =
        "UPDATE " + quotedName(tableName) + " SET " + columnName + "=?" + where;
    for (const std::vector<std::string>& values : rowKeys) {
      std::vector<std::string> parameters{codePage_.toUtf8(newValue())};
      parameters.insert(parameters.end(), values.begin(), values.end());
      if (!run(update, parameters)) return false;
    }
    return true;
  }

  bool setPackageCode(const std::string& code) override {
    ErrorSlot error;
    const Owned<LibmsiSummaryInfo> summary(
        libmsi_summary_info_new(database_.get(), 1, error.out()));
    return summary &&
           libmsi_summary_info_set_string(summary.get(), LIBMSI_PROPERTY_UUID,
                                          codePage_.toUtf8(code).c_str(), error.out()) &&
           libmsi_summary_info_persist(summary.get(), error.out());
  }

  bool commit() override {
    ErrorSlot error;
    return libmsi_database_commit(database_.get(), error.out());
  }

 private:
  bool run(const std::string& sql, const std::vector<std::string>& values) {
    if (values.size() < parameterMarkerCount(sql)) return false;
    ErrorSlot error;
    const Owned<LibmsiQuery> query(libmsi_query_new(database_.get(), sql.c_str(), error.out()));
    if (!query) return false;
    Owned<LibmsiRecord> parameters;
    if (!values.empty()) {
      parameters.reset(libmsi_record_new(static_cast<guint>(values.size())));
      for (size_t i = 0; i < values.size(); ++i)
        libmsi_record_set_string(parameters.get(), static_cast<guint>(i + 1), values[i].c_str());
    }
    const bool executed = libmsi_query_execute(query.get(), parameters.get(), error.out());
    libmsi_query_close(query.get(), error.out());
    return executed;
  }

  Owned<LibmsiDatabase> database_;
  const CodePage& codePage_;
};

}  // namespace

#ifdef __SANITIZE_ADDRESS__
// libmsi never frees all it allocates for an opened package (its tables, and the name of a
// stream it replaces, as the summary information's at each persist). Its frames have no frame
// pointers, so only its module name identifies these leaks.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libmsi.so\n";
}
#endif

// libmsi prints a warning on the standard error for a missing table or column, where the engine
// ignores a failed edit without a word. Its messages carry no log domain of their own.
LibmsiInstaller::LibmsiInstaller(const Sandbox& sandbox) : sandbox_(sandbox) {
  static std::once_flag silenced;
  std::call_once(silenced, [] {
    g_log_set_handler(
        nullptr, G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
        nullptr);
  });
}

std::unique_ptr<InstallerPackage> LibmsiInstaller::openForEditing(const std::string& path) {
  const std::string host = sandbox_.hostPath(path);
  // libmsi would open a read-only file too; the owner's write bit is the read-only attribute.
  struct stat status {};
  if (::stat(host.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      !(status.st_mode & S_IWUSR) || ::access(host.c_str(), W_OK) != 0)
    return nullptr;
  // Opened in transaction mode: libmsi then writes "<package>.tmp" and renames it over the
  // package at a commit, while its direct mode deletes a package closed without a commit.
  ErrorSlot error;
  LibmsiDatabase* database =
      libmsi_database_new(host.c_str(), LIBMSI_DB_FLAGS_TRANSACT, nullptr, error.out());
  if (!database) return nullptr;
  return std::make_unique<LibmsiPackage>(database, sandbox_.codePage());
}

std::optional<PackageIdentity> LibmsiInstaller::identity(const std::string& path) {
  ErrorSlot error;
  const Owned<LibmsiDatabase> database(libmsi_database_new(
      sandbox_.hostPath(path).c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.out()));
  if (!database) return std::nullopt;
  const Owned<LibmsiQuery> query(libmsi_query_new(
      database.get(), "SELECT `Value` FROM `Property` WHERE `Property`='ProductCode'",
      error.out()));
  if (!query || !libmsi_query_execute(query.get(), nullptr, error.out())) return std::nullopt;
  PackageIdentity identity;
  if (const Owned<LibmsiRecord> row{libmsi_query_fetch(query.get(), error.out())}) {
    char* value = libmsi_record_get_string(row.get(), 1);
    identity.productCode = sandbox_.codePage().fromUtf8(value ? value : "");
    g_free(value);
  }
  libmsi_query_close(query.get(), error.out());
  if (identity.productCode.empty()) return std::nullopt;
  const Owned<LibmsiSummaryInfo> summary(libmsi_summary_info_new(database.get(), 0, error.out()));
  const gchar* packageCode =
      summary ? libmsi_summary_info_get_string(summary.get(), LIBMSI_PROPERTY_UUID, error.out())
              : nullptr;
  if (packageCode) identity.packageCode = sandbox_.codePage().fromUtf8(packageCode);
  return identity;
}

}  // namespace kx
