#include "system/iis_commands.h"

#include <optional>

#include "base/comma_text.h"
#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr std::string_view kSiteClass = "IIsWebServer";
constexpr std::string_view kFolderClass = "IIsWebVirtualDir";
constexpr std::string_view kPropertyError = "!ERROR!";

std::unique_ptr<WebObject> webService(Engine& engine) {
  WebServerAdministration* server = engine.platform.webServer;
  return server ? server->webService() : nullptr;
}

std::optional<int32_t> wholeNumber(Engine& engine, size_t line) {
  return tryParseInteger(engine.expandedPath(line));
}

std::string translated(Engine& engine, size_t line) {
  return engine.store.expand(engine.translatable(line));
}

bool flag(Engine& engine, size_t line) {
  return isTrue(engine.expanded(line));
}

std::string folderName(const std::string& path) {
  return path.empty() ? "Root" : "Root/" + path;
}

std::unique_ptr<WebObject> openSite(WebObject& service, int32_t index) {
  return service.child(std::string(kSiteClass), std::to_string(index));
}

// Starting at 1, the first index no site has; -1 without a web service.
int32_t nextFreeSiteIndex(WebObject* service) {
  if (!service) return -1;
  int32_t index = 1;
  while (openSite(*service, index)) ++index;
  return index;
}

void commandCreateIisSite(Engine& engine) {
  auto service = webService(engine);
  if (!service) return;
  const auto given = wholeNumber(engine, 2);
  const int32_t index = given ? *given : nextFreeSiteIndex(service.get());
  const auto timeout = wholeNumber(engine, 7);
  const bool unlimited = flag(engine, 12);
  // The maximum is read only when it is used.
  const auto maximumConnections = unlimited ? std::optional<int32_t>(-1) : wholeNumber(engine, 14);
  const auto serverSize = wholeNumber(engine, 15);
  if (!timeout || !maximumConnections || !serverSize) return;
  auto site = openSite(*service, index);
  if (!site) site = service->create(std::string(kSiteClass), std::to_string(index));
  if (!site) return;

  const std::string address = engine.expanded(3);
  const std::string hostHeader = engine.expanded(4);
  site->setProperty("ServerComment", translated(engine, 1));
  site->setProperty("ServerBindings", address + ":" + engine.expanded(5) + ":" + hostHeader);
  site->setProperty("SecureBindings", address + ":" + engine.expanded(6) + ":" + hostHeader);
  site->setProperty("ConnectionTimeout", *timeout);
  site->setProperty("AllowKeepAlive", flag(engine, 8));
  if (flag(engine, 9)) {
    site->setProperty("LogType", 1);
    site->setProperty("DontLog", false);
  } else {
    site->setProperty("LogType", 0);
  }
  const bool asp = flag(engine, 10);
  const bool executables = flag(engine, 11);
  if (asp) service->call("EnableWebServiceExtension", std::string("ASP"));
  if (executables) service->call("EnableExtensionFile", std::string("*.exe"));
  if (asp || executables) service->save();
  site->setProperty("MaxConnections", *maximumConnections);
  site->setProperty("ServerSize", *serverSize);
  site->save();
}

void commandDeleteIisSite(Engine& engine) {
  const auto index = wholeNumber(engine, 1);
  if (!index) return;
  if (auto service = webService(engine))
    service->remove(std::string(kSiteClass), std::to_string(*index));
}

void commandControlIisSite(Engine& engine) {
  const auto index = wholeNumber(engine, 1);
  const auto action = wholeNumber(engine, 2);
  if (!index || !action || *action < 0 || *action > 3) return;
  auto service = webService(engine);
  auto site = service ? openSite(*service, *index) : nullptr;
  if (!site || !site->property("Status")) return;
  if (*action >= 2) site->call("Start", std::nullopt);
  static constexpr const char* kMethods[] = {"Start", "Stop", "Pause", "Continue"};
  site->call(kMethods[*action], std::nullopt);
}

// The first site, in the web service's order, whose display name is `name`; 0 when none is.
int32_t siteIndexByName(WebObject* service, const std::string& name) {
  const auto children = service ? service->children() : std::nullopt;
  if (!children) return 0;
  for (const WebObjectChild& child : *children) {
    if (!equalsIgnoringAsciiCase(child.className, kSiteClass)) continue;
    const auto site = service->child(child.className, child.name);
    if (site && site->property("ServerComment") == name)
      return tryParseInteger(child.name).value_or(0);
  }
  return 0;
}

void commandGetIisSiteIndex(Engine& engine) {
  const std::string name = translated(engine, 1);
  const int32_t index = siteIndexByName(webService(engine).get(), name);
  engine.writeResult(upperAscii(namedVariable(engine.parameter(2))), std::to_string(index));
}

void commandCreateVirtualFolder(Engine& engine) {
  const auto protection = wholeNumber(engine, 9);
  const auto execution = wholeNumber(engine, 10);
  const auto index = wholeNumber(engine, 18);
  if (!protection || !execution || !index) return;
  auto service = webService(engine);
  auto site = service ? openSite(*service, *index) : nullptr;
  if (!site) return;
  const std::string path = translated(engine, 1);
  const std::string name = folderName(path);
  auto folder = site->child(std::string(kFolderClass), name);
  if (!folder) folder = site->create(std::string(kFolderClass), name);
  if (!folder) return;

  folder->setProperty("Path", engine.expandedPath(2));
  folder->setProperty("AccessSource", flag(engine, 3));
  folder->setProperty("AccessRead", flag(engine, 4));
  folder->setProperty("AccessWrite", flag(engine, 5));
  folder->setProperty("EnableDirBrowsing", flag(engine, 6));
  folder->setProperty("DontLog", !flag(engine, 7));
  folder->setProperty("ContentIndexed", flag(engine, 8));
  // The provider's isolation numbers: 0 in the server process, 1 isolated, 2 pooled.
  static constexpr int32_t kIsolation[] = {0, 0, 2, 1};
  if (*protection >= 1 && *protection <= 3) {
    folder->call("AppCreate2", kIsolation[*protection]);
    folder->setProperty("AppFriendlyName", path);
  }
  folder->setProperty("AccessScript", false);
  folder->setProperty("AccessExecute", false);
  if (*execution >= 1) folder->setProperty("AccessScript", true);
  if (*execution >= 2) folder->setProperty("AccessExecute", true);
  folder->setProperty("EnableDefaultDoc", flag(engine, 11));
  folder->setProperty("DefaultDoc", translated(engine, 12));
  const std::string footer = translated(engine, 13);
  folder->setProperty("EnableDocFooter", !footer.empty());
  if (!footer.empty()) folder->setProperty("DefaultDocFooter", footer);
  folder->setProperty("AuthAnonymous", flag(engine, 14));
  folder->setProperty("AuthNTLM", flag(engine, 15));
  folder->setProperty("AuthBasic", flag(engine, 16));
  folder->save();

  // Each item is added to the entries already there and saved on its own.
  for (const std::string& item : readCommaText(engine.expanded(17))) {
    auto entries = folder->mimeMap();
    if (!entries) return;
    const size_t equals = item.find('=');
    entries->push_back({item.substr(0, equals),
                        equals == std::string::npos ? std::string() : item.substr(equals + 1)});
    if (!folder->setMimeMap(*entries) || !folder->save()) return;
  }
}

void commandDeleteVirtualFolder(Engine& engine) {
  const auto index = wholeNumber(engine, 1);
  if (!index) return;
  auto service = webService(engine);
  auto site = service ? openSite(*service, *index) : nullptr;
  if (site) site->remove(std::string(kFolderClass), folderName(engine.expanded(2)));
}

// The site of line 3, or with line 1 false its folder of line 4; nullptr when either is
// missing.
std::unique_ptr<WebObject> propertyOwner(Engine& engine, int32_t index) {
  auto service = webService(engine);
  auto site = service ? openSite(*service, index) : nullptr;
  if (!site || flag(engine, 1)) return site;
  return site->child(std::string(kFolderClass), folderName(engine.expanded(4)));
}

void commandGetIisProperty(Engine& engine) {
  const auto index = wholeNumber(engine, 3);
  if (!index) return;
  auto owner = propertyOwner(engine, *index);
  const auto value = owner ? owner->property(engine.expanded(5)) : std::nullopt;
  engine.writeResult(upperAscii(namedVariable(engine.parameter(6))),
                     value.value_or(std::string(kPropertyError)));
}

void commandSetIisProperty(Engine& engine) {
  const auto index = wholeNumber(engine, 3);
  if (!index) return;
  auto owner = propertyOwner(engine, *index);
  if (owner && owner->setProperty(engine.expanded(5), engine.expanded(6))) owner->save();
}

void commandIisAnonymousUser(Engine& engine) {
  engine.writeResult(upperAscii(namedVariable(engine.parameter(1))), iisAnonymousUser(engine));
}

constexpr CommandDescriptor kIisCommands[] = {
    {"Create IIS Site", commandCreateIisSite, {}, {{{1, 1}}}},
    {"Delete IIS Site", commandDeleteIisSite},
    {"Control IIS Site", commandControlIisSite},
    {"Create Virtual Folder", commandCreateVirtualFolder, {}, {{{1, 1}, {12, 2}, {13, 3}}}},
    {"Delete Virtual Folder", commandDeleteVirtualFolder},
    {"Get IIS Property", commandGetIisProperty, {.resultLines = {6}}},
    {"Set IIS Property", commandSetIisProperty},
    {"Get IIS Site Index", commandGetIisSiteIndex, {.resultLines = {2}}, {{{1, 1}}}},
    {"IIS Anonymous User", commandIisAnonymousUser, {.resultLines = {1}}},
};

}  // namespace

std::string iisAnonymousUser(Engine& engine) {
  auto service = webService(engine);
  const int32_t index = nextFreeSiteIndex(service.get());
  if (index < 0) return {};
  const std::string name = std::to_string(index);
  auto site = service->create(std::string(kSiteClass), name);
  if (!site) return {};
  const auto user = site->save() ? site->property("AnonymousUserName") : std::nullopt;
  service->remove(std::string(kSiteClass), name);
  return user.value_or("");
}

std::span<const CommandDescriptor> iisCommands() {
  return kIisCommands;
}

}  // namespace kx
