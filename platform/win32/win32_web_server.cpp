#include "platform/win32/win32_web_server.h"

#include <ole2.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/com_ptr.h"

namespace kx {
namespace {

// COM stays initialised on the thread while any object of the web service is held.
class Apartment {
 public:
  Apartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

std::wstring wide(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
  return result;
}

std::string narrow(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

// A VARIANT that clears itself.
struct Variant {
  Variant() { VariantInit(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value); }
  VARIANT value;
};

void setText(Variant& variant, const std::string& text) {
  variant.value.vt = VT_BSTR;
  const std::wstring converted = wide(text);
  variant.value.bstrVal = SysAllocStringLen(converted.data(), static_cast<UINT>(converted.size()));
}

void setValue(Variant& variant, const WebPropertyValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    setText(variant, *text);
  } else if (const auto* number = std::get_if<int32_t>(&value)) {
    variant.value.vt = VT_I4;
    variant.value.lVal = *number;
  } else {
    variant.value.vt = VT_BOOL;
    variant.value.boolVal = std::get<bool>(value) ? VARIANT_TRUE : VARIANT_FALSE;
  }
}

std::optional<std::string> textOf(const VARIANT& value) {
  if (value.vt == VT_BOOL) return value.boolVal ? "True" : "False";
  Variant text;
  // The declaration takes the source as writable; it is only read.
  if (FAILED(VariantChangeType(&text.value, const_cast<VARIANT*>(&value), 0, VT_BSTR)))
    return std::nullopt;
  return narrow(text.value.bstrVal, static_cast<int>(SysStringLen(text.value.bstrVal)));
}

// Calls a member by name. Arguments are given in order (COM takes them last first).
bool invoke(IDispatch* object, const std::string& name, WORD kind, std::vector<Variant*> arguments,
            VARIANT* result) {
  std::wstring member = wide(name);
  LPOLESTR names[] = {member.data()};
  DISPID id = 0;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  std::vector<VARIANT> reversed;
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back((*it)->value);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (kind == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &put;
    parameters.cNamedArgs = 1;
  }
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result,
                                  nullptr, nullptr));
}

std::optional<std::string> textProperty(IDispatch* object, const std::string& name) {
  Variant value;
  if (!invoke(object, name, DISPATCH_PROPERTYGET, {}, &value.value)) return std::nullopt;
  return textOf(value.value);
}

class Win32WebObject : public WebObject {
 public:
  Win32WebObject(std::shared_ptr<Apartment> apartment, ComPtr<IDispatch> object)
      : apartment_(std::move(apartment)), object_(std::move(object)) {}

  std::optional<std::string> property(const std::string& name) override {
    return textProperty(object_.get(), name);
  }
  bool setProperty(const std::string& name, const WebPropertyValue& value) override {
    Variant argument;
    setValue(argument, value);
    return invoke(object_.get(), name, DISPATCH_PROPERTYPUT, {&argument}, nullptr);
  }
  std::optional<std::vector<MimeMapEntry>> mimeMap() override {
    Variant value;
    if (!invoke(object_.get(), "MimeMap", DISPATCH_PROPERTYGET, {}, &value.value))
      return std::nullopt;
    std::vector<MimeMapEntry> entries;
    if (value.value.vt == VT_EMPTY) return entries;
    if (value.value.vt != (VT_ARRAY | VT_VARIANT)) return std::nullopt;
    SAFEARRAY* items = value.value.parray;
    LONG first = 0;
    LONG last = -1;
    if (FAILED(SafeArrayGetLBound(items, 1, &first)) || FAILED(SafeArrayGetUBound(items, 1, &last)))
      return std::nullopt;
    for (LONG i = first; i <= last; ++i) {
      Variant item;
      if (FAILED(SafeArrayGetElement(items, &i, &item.value)) || item.value.vt != VT_DISPATCH ||
          !item.value.pdispVal)
        return std::nullopt;
      const auto extension = textProperty(item.value.pdispVal, "Extension");
      const auto type = textProperty(item.value.pdispVal, "MimeType");
      if (!extension || !type) return std::nullopt;
      entries.push_back({*extension, *type});
    }
    return entries;
  }
  bool setMimeMap(const std::vector<MimeMapEntry>& entries) override {
    CLSID mimeMapClass{};
    if (FAILED(CLSIDFromProgID(L"MimeMap", &mimeMapClass))) return false;
    SAFEARRAYBOUND bounds{static_cast<ULONG>(entries.size()), 0};
    Variant array;
    array.value.vt = VT_ARRAY | VT_VARIANT;
    array.value.parray = SafeArrayCreate(VT_VARIANT, 1, &bounds);
    if (!array.value.parray) return false;
    for (LONG i = 0; i < static_cast<LONG>(entries.size()); ++i) {
      ComPtr<IDispatch> entry;
      if (FAILED(CoCreateInstance(mimeMapClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(entry.out()))))
        return false;
      Variant extension;
      Variant type;
      setText(extension, entries[i].extension);
      setText(type, entries[i].mimeType);
      if (!invoke(entry.get(), "Extension", DISPATCH_PROPERTYPUT, {&extension}, nullptr) ||
          !invoke(entry.get(), "MimeType", DISPATCH_PROPERTYPUT, {&type}, nullptr))
        return false;
      VARIANT element;
      element.vt = VT_DISPATCH;
      element.pdispVal = entry.get();
      if (FAILED(SafeArrayPutElement(array.value.parray, &i, &element))) return false;
    }
    return invoke(object_.get(), "MimeMap", DISPATCH_PROPERTYPUT, {&array}, nullptr);
  }
  bool save() override { return invoke(object_.get(), "SetInfo", DISPATCH_METHOD, {}, nullptr); }
  bool call(const std::string& method, std::optional<WebPropertyValue> argument) override {
    Variant value;
    if (!argument) return invoke(object_.get(), method, DISPATCH_METHOD, {}, nullptr);
    setValue(value, *argument);
    return invoke(object_.get(), method, DISPATCH_METHOD, {&value}, nullptr);
  }
  std::optional<std::vector<WebObjectChild>> children() override {
    Variant enumerator;
    if (!invoke(object_.get(), "_NewEnum", DISPATCH_PROPERTYGET, {}, &enumerator.value) ||
        enumerator.value.vt != VT_UNKNOWN || !enumerator.value.punkVal)
      return std::nullopt;
    ComPtr<IEnumVARIANT> items;
    if (FAILED(enumerator.value.punkVal->QueryInterface(IID_IEnumVARIANT,
                                                        reinterpret_cast<void**>(items.out()))))
      return std::nullopt;
    std::vector<WebObjectChild> found;
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      if (items->Next(1, &item.value, &fetched) != S_OK || fetched != 1) break;
      if (item.value.vt != VT_DISPATCH || !item.value.pdispVal) continue;
      const auto name = textProperty(item.value.pdispVal, "Name");
      const auto className = textProperty(item.value.pdispVal, "Class");
      if (name && className) found.push_back({*name, *className});
    }
    return found;
  }
  std::unique_ptr<WebObject> child(const std::string& className, const std::string& name) override {
    return objectFrom("GetObject", className, name);
  }
  std::unique_ptr<WebObject> create(const std::string& className,
                                    const std::string& name) override {
    return objectFrom("Create", className, name);
  }
  bool remove(const std::string& className, const std::string& name) override {
    Variant classArgument;
    Variant nameArgument;
    setText(classArgument, className);
    setText(nameArgument, name);
    return invoke(object_.get(), "Delete", DISPATCH_METHOD, {&classArgument, &nameArgument},
                  nullptr);
  }

 private:
  std::unique_ptr<WebObject> objectFrom(const std::string& method, const std::string& className,
                                        const std::string& name) {
    Variant classArgument;
    Variant nameArgument;
    Variant result;
    setText(classArgument, className);
    setText(nameArgument, name);
    if (!invoke(object_.get(), method, DISPATCH_METHOD, {&classArgument, &nameArgument},
                &result.value) ||
        result.value.vt != VT_DISPATCH || !result.value.pdispVal)
      return nullptr;
    ComPtr<IDispatch> object;
    result.value.pdispVal->AddRef();
    *object.out() = result.value.pdispVal;
    return std::make_unique<Win32WebObject>(apartment_, std::move(object));
  }

  std::shared_ptr<Apartment> apartment_;  // released last
  ComPtr<IDispatch> object_;
};

}  // namespace

std::unique_ptr<WebObject> Win32WebServer::webService() {
  auto apartment = std::make_shared<Apartment>();
  ComPtr<IDispatch> service;
  if (FAILED(CoGetObject(L"IIS://localhost/w3svc", nullptr, IID_IDispatch,
                         reinterpret_cast<void**>(service.out()))))
    return nullptr;
  return std::make_unique<Win32WebObject>(std::move(apartment), std::move(service));
}

}  // namespace kx
