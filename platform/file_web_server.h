#pragma once
// A web server of our own behind the administration seam, for machines without IIS: the objects
// live in memory and in a text file (zelrun --iis, tests). Format, one record a line, fields
// separated by a tab, with "\\", "\t", "\n" and "\r" written as backslash escapes:
//   Kestrix web server 1                   the first line
//   anonymous <name>                       the account a newly created site gets
//   object <path> <class>                  an object; the web service is the empty path, a site
//                                          its index, a folder "<index>/Root[/<path>]"
//   property <name> <text>                 a property of the object above
//   mime <extension> <type>                an entry of its MIME map, in order
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kx {

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

struct StoredWebObject {
  std::string className;
  std::map<std::string, std::string, CaseInsensitiveLess> properties;
  std::vector<MimeMapEntry> mimeMap;
  bool operator==(const StoredWebObject&) const = default;
};

// Property changes take effect at once; saving checks that the object still exists. Sites
// keep their state in "ServerState" (2 started, 4 stopped, 6 paused), which "Status" reads;
// "Pause" needs a started site and "Continue" a paused one. "AppCreate2" sets "AppIsolated";
// "EnableWebServiceExtension" and "EnableExtensionFile" add their argument to the web service's
// "EnabledWebServiceExtensions" and "EnabledExtensionFiles" (comma-separated).
class FileWebServer : public WebServerAdministration {
 public:
  FileWebServer();
  std::unique_ptr<WebObject> webService() override;

  bool installed = false;  // false: there is no web server, every call fails
  std::string anonymousUser;
  std::map<std::string, StoredWebObject, CaseInsensitiveLess> objects;  // by path
  bool operator==(const FileWebServer& other) const {
    return installed == other.installed && anonymousUser == other.anonymousUser &&
           objects == other.objects;
  }
};

// Replaces the server's content with the file's and marks it installed; an error text (with the
// line number) leaves the server as it was.
std::string readWebServerFile(std::string_view text, FileWebServer& server);
std::string writeWebServerFile(const FileWebServer& server);

}  // namespace kx
