#include "platform/file_web_server.h"

#include <algorithm>
#include <cctype>

namespace kx {
namespace {

constexpr std::string_view kHeader = "Kestrix web server 1";
constexpr std::string_view kServiceClass = "IIsWebService";
constexpr std::string_view kSiteClass = "IIsWebServer";
constexpr std::string_view kStarted = "2";
constexpr std::string_view kStopped = "4";
constexpr std::string_view kPaused = "6";

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::string textOf(const WebPropertyValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  return std::get<bool>(value) ? "True" : "False";
}

std::string joined(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

// Adds an item to a comma-separated list unless it is there already.
std::string withItem(const std::string& list, const std::string& item) {
  std::string_view rest = list;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    if (sameText(rest.substr(0, comma), item)) return list;
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return list.empty() ? item : list + "," + item;
}

class FileWebObject : public WebObject {
 public:
  FileWebObject(FileWebServer& server, std::string path)
      : server_(server), path_(std::move(path)) {}

  std::optional<std::string> property(const std::string& name) override {
    StoredWebObject* object = stored();
    if (!object) return std::nullopt;
    const bool site = sameText(object->className, kSiteClass);
    const auto found =
        object->properties.find(site && sameText(name, "Status") ? "ServerState" : name);
    if (found == object->properties.end()) return std::nullopt;
    return found->second;
  }
  bool setProperty(const std::string& name, const WebPropertyValue& value) override {
    StoredWebObject* object = stored();
    if (!object || name.empty()) return false;
    object->properties[name] = textOf(value);
    return true;
  }
  std::optional<std::vector<MimeMapEntry>> mimeMap() override {
    StoredWebObject* object = stored();
    if (!object) return std::nullopt;
    return object->mimeMap;
  }
  bool setMimeMap(const std::vector<MimeMapEntry>& entries) override {
    StoredWebObject* object = stored();
    if (!object) return false;
    object->mimeMap = entries;
    return true;
  }
  bool save() override { return stored() != nullptr; }

  bool call(const std::string& method, std::optional<WebPropertyValue> argument) override {
    StoredWebObject* object = stored();
    if (!object) return false;
    auto& properties = object->properties;
    if (sameText(object->className, kSiteClass) && !argument) {
      std::string& state = properties["ServerState"];
      if (sameText(method, "Start") || sameText(method, "Stop")) {
        state = sameText(method, "Start") ? kStarted : kStopped;
        return true;
      }
      if (sameText(method, "Pause") || sameText(method, "Continue")) {
        const bool pause = sameText(method, "Pause");
        if (state != (pause ? kStarted : kPaused)) return false;
        state = pause ? kPaused : kStarted;
        return true;
      }
      return false;
    }
    if (!argument) return false;
    if (sameText(object->className, kServiceClass)) {
      for (const auto& [name, list] :
           {std::pair{"EnableWebServiceExtension", "EnabledWebServiceExtensions"},
            std::pair{"EnableExtensionFile", "EnabledExtensionFiles"}})
        if (sameText(method, name)) {
          properties[list] = withItem(properties[list], textOf(*argument));
          return true;
        }
      return false;
    }
    if (sameText(method, "AppCreate2") && std::holds_alternative<int32_t>(*argument)) {
      properties["AppIsolated"] = textOf(*argument);
      return true;
    }
    return false;
  }

  std::optional<std::vector<WebObjectChild>> children() override {
    if (!stored()) return std::nullopt;
    std::vector<WebObjectChild> found;
    const std::string prefix = path_.empty() ? "" : path_ + "/";
    for (const auto& [path, object] : server_.objects) {
      if (path.empty() || path.size() <= prefix.size() ||
          !sameText(path.substr(0, prefix.size()), prefix))
        continue;
      const std::string name = path.substr(prefix.size());
      if (name.find('/') == std::string::npos) found.push_back({name, object.className});
    }
    return found;
  }
  std::unique_ptr<WebObject> child(const std::string& className, const std::string& name) override {
    if (!stored()) return nullptr;
    const auto found = server_.objects.find(joined(path_, name));
    if (found == server_.objects.end() || !sameText(found->second.className, className))
      return nullptr;
    return std::make_unique<FileWebObject>(server_, found->first);
  }
  std::unique_ptr<WebObject> create(const std::string& className,
                                    const std::string& name) override {
    if (!stored() || name.empty() || className.empty()) return nullptr;
    const std::string path = joined(path_, name);
    if (server_.objects.contains(path)) return nullptr;
    StoredWebObject& object = server_.objects[path];
    object.className = className;
    if (sameText(className, kSiteClass)) {
      object.properties["ServerState"] = kStopped;
      object.properties["AnonymousUserName"] = server_.anonymousUser;
    }
    return std::make_unique<FileWebObject>(server_, path);
  }
  bool remove(const std::string& className, const std::string& name) override {
    if (!stored()) return false;
    const std::string path = joined(path_, name);
    const auto found = server_.objects.find(path);
    if (found == server_.objects.end() || !sameText(found->second.className, className))
      return false;
    const std::string prefix = path + "/";
    std::erase_if(server_.objects, [&](const auto& entry) {
      return sameText(entry.first, path) ||
             (entry.first.size() > prefix.size() &&
              sameText(entry.first.substr(0, prefix.size()), prefix));
    });
    return true;
  }

 private:
  StoredWebObject* stored() {
    if (!server_.installed) return nullptr;
    const auto found = server_.objects.find(path_);
    return found == server_.objects.end() ? nullptr : &found->second;
  }

  FileWebServer& server_;
  std::string path_;
};

std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::optional<std::string> unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// The web service is the empty path; anything else starts with a site index and has no empty
// part.
bool isObjectPath(std::string_view path) {
  if (path.empty()) return true;
  const std::string_view index = path.substr(0, path.find('/'));
  if (index.empty() ||
      !std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  return path.find("//") == std::string_view::npos && path.back() != '/';
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) <
           std::toupper(static_cast<unsigned char>(y));
  });
}

FileWebServer::FileWebServer() {
  objects[""].className = kServiceClass;
}

std::unique_ptr<WebObject> FileWebServer::webService() {
  if (!installed) return nullptr;
  return std::make_unique<FileWebObject>(*this, "");
}

std::string readWebServerFile(std::string_view text, FileWebServer& server) {
  FileWebServer read;
  read.objects.clear();
  StoredWebObject* current = nullptr;
  size_t number = 0;
  bool first = true;
  while (!text.empty() || first) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string where = "line " + std::to_string(number) + ": ";
    if (first) {
      if (line != kHeader) return where + "not a web server file";
      first = false;
      continue;
    }
    if (line.empty()) continue;
    std::vector<std::string> fields;
    for (std::string_view rest = line;;) {
      const size_t tab = rest.find('\t');
      const auto field = unescaped(rest.substr(0, tab));
      if (!field) return where + "a backslash that starts no escape";
      fields.push_back(*field);
      if (tab == std::string_view::npos) break;
      rest = rest.substr(tab + 1);
    }
    const std::string& keyword = fields[0];
    if (keyword == "anonymous" && fields.size() == 2) {
      read.anonymousUser = fields[1];
    } else if (keyword == "object" && fields.size() == 3) {
      if (!isObjectPath(fields[1])) return where + "not an object path: " + fields[1];
      if (fields[2].empty()) return where + "an object without a class";
      if (read.objects.contains(fields[1])) return where + "a second object " + fields[1];
      current = &read.objects[fields[1]];
      current->className = fields[2];
    } else if ((keyword == "property" || keyword == "mime") && fields.size() == 3) {
      if (!current) return where + keyword + " before the first object";
      if (keyword == "mime") {
        current->mimeMap.push_back({fields[1], fields[2]});
      } else if (fields[1].empty() || !current->properties.emplace(fields[1], fields[2]).second) {
        return where + "an empty or repeated property name";
      }
    } else {
      return where + "not a record of a web server file";
    }
  }
  if (!read.objects.contains("")) read.objects[""].className = kServiceClass;
  read.installed = true;
  server = std::move(read);
  return {};
}

std::string writeWebServerFile(const FileWebServer& server) {
  std::string out = std::string(kHeader) + "\n";
  out += "anonymous\t" + escaped(server.anonymousUser) + "\n";
  for (const auto& [path, object] : server.objects) {
    out += "object\t" + escaped(path) + "\t" + escaped(object.className) + "\n";
    for (const auto& [name, value] : object.properties)
      out += "property\t" + escaped(name) + "\t" + escaped(value) + "\n";
    for (const auto& entry : object.mimeMap)
      out += "mime\t" + escaped(entry.extension) + "\t" + escaped(entry.mimeType) + "\n";
  }
  return out;
}

}  // namespace kx
