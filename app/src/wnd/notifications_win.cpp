#include "notifications_win.h"

#include <inspectable.h>
#include <objbase.h>
#include <objidl.h>
#include <propidl.h>
#include <propsys.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <winstring.h>

#include <cstdio>
#include <cwchar>

#include "catalog.h"
#include "com_ptr_win.h"
#include "log.h"
#include "module_path.h"
#include "system_error.h"
#include "toast_xml.h"
#include "utf.h"

namespace tw::wnd {

namespace {

std::string failure(std::string_view step, HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  std::string text = sys::system_error_text(static_cast<std::uint32_t>(result));
  // Without a system description the code alone says it.
  if (text.rfind("error ", 0) == 0) return std::string(step) + ": " + code;
  return std::string(step) + ": " + text + " (" + code + ")";
}

// ---- App user model id and shortcut ---------------------------------------------------------

// System.AppUserModel.ID; defined here because MinGW's propkey.h only declares it.
const PROPERTYKEY kAppUserModelIdKey = {
    {0x9f4c2855, 0x9f79, 0x4b39, {0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3}}, 5};

std::wstring environment_value(const wchar_t* name) {
  DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) return {};
  std::wstring value(length, L'\0');
  length = GetEnvironmentVariableW(name, value.data(), length);
  value.resize(length);
  return value;
}

bool save_shortcut(const std::wstring& path, std::string& error) {
  ComPtr<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IShellLinkW, link.out_void());
  if (FAILED(result)) return error = failure("ShellLink", result), false;
  std::wstring target = sys::executable_path().native();
  result = link->SetPath(target.c_str());
  if (FAILED(result)) return error = failure("IShellLinkW::SetPath", result), false;

  ComPtr<IPropertyStore> properties;
  result = link->QueryInterface(IID_IPropertyStore, properties.out_void());
  if (FAILED(result)) return error = failure("IPropertyStore", result), false;
  PROPVARIANT id;
  PropVariantInit(&id);
  id.vt = VT_LPWSTR;
  id.pwszVal = const_cast<wchar_t*>(kAppUserModelId);  // copied by SetValue, not freed here
  result = properties->SetValue(kAppUserModelIdKey, id);
  if (FAILED(result)) return error = failure("IPropertyStore::SetValue", result), false;
  result = properties->Commit();
  if (FAILED(result)) return error = failure("IPropertyStore::Commit", result), false;

  ComPtr<IPersistFile> file;
  result = link->QueryInterface(IID_IPersistFile, file.out_void());
  if (FAILED(result)) return error = failure("IPersistFile", result), false;
  result = file->Save(path.c_str(), TRUE);
  if (FAILED(result)) return error = failure("IPersistFile::Save", result), false;
  return true;
}

// Whether the shortcut at `path` is this program's: it carries the app user model id. Where
// the id cannot be read back (Wine's shell links keep it write-only), a link whose target is
// this executable counts as this program's.
bool is_own_shortcut(const std::wstring& path) {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.out_void())))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out_void())) ||
      FAILED(file->Load(path.c_str(), STGM_READ)))
    return false;
  ComPtr<IPropertyStore> properties;
  if (SUCCEEDED(link->QueryInterface(IID_IPropertyStore, properties.out_void()))) {
    PROPVARIANT id;
    PropVariantInit(&id);
    if (SUCCEEDED(properties->GetValue(kAppUserModelIdKey, &id))) {
      bool has_id = id.vt == VT_LPWSTR && id.pwszVal != nullptr;
      bool same = has_id && std::wcscmp(id.pwszVal, kAppUserModelId) == 0;
      PropVariantClear(&id);
      if (has_id) return same;
    }
  }
  wchar_t target[MAX_PATH] = {};
  if (link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK) return false;
  return _wcsicmp(target, sys::executable_path().native().c_str()) == 0;
}

// One shortcut per app user model id: every language names the shortcut after its own
// product name, so a start in another language would leave the earlier one behind.
void remove_shortcuts_under_other_names(const std::wstring& folder, std::string_view app_name) {
  for (std::string_view code : i18n::kLanguageCodes) {
    std::string_view name = i18n::text("app.name", code);
    if (name == app_name) continue;
    std::wstring path = folder + utf8_to_wide(name) + L".lnk";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (is_own_shortcut(path)) DeleteFileW(path.c_str());
  }
}

// ---- Windows Runtime, declared by hand ------------------------------------------------------
// MinGW has no headers for Windows.Data.Xml.Dom and Windows.UI.Notifications; only the
// calls made here are declared, in the order of their interfaces' tables.

struct IXmlDocumentIO : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE LoadXml(HSTRING xml) = 0;
};
struct IToastNotifier : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE Show(IInspectable* notification) = 0;
};
struct IToastNotificationFactory : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE CreateToastNotification(IInspectable* xml_document,
                                                            IInspectable** notification) = 0;
};
struct IToastNotificationManagerStatics : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE CreateToastNotifier(IToastNotifier** notifier) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateToastNotifierWithId(HSTRING id,
                                                              IToastNotifier** notifier) = 0;
};

const IID kIXmlDocumentIO = {
    0x6cd0e74e, 0xee65, 0x4489, {0x9e, 0xbf, 0xca, 0x43, 0xe8, 0x7b, 0xa6, 0x37}};
const IID kIXmlDocument = {
    0xf7f3a506, 0x1e87, 0x42d6, {0xbc, 0xfb, 0xb8, 0xc8, 0x09, 0xfa, 0x54, 0x94}};
const IID kIToastNotificationFactory = {
    0x04124b20, 0x82c6, 0x4229, {0xb1, 0x09, 0xfd, 0x9e, 0xd4, 0x66, 0x2b, 0x53}};
const IID kIToastNotificationManagerStatics = {
    0x50ac103f, 0xd235, 0x4598, {0xbb, 0xef, 0x98, 0xfe, 0x4d, 0x1a, 0x3a, 0xd4}};

// The runtime's entry points, looked up in combase.dll (absent before Windows 8).
struct Runtime {
  HRESULT(WINAPI* activate_instance)(HSTRING, IInspectable**) = nullptr;
  HRESULT(WINAPI* activation_factory)(HSTRING, REFIID, void**) = nullptr;
  HRESULT(WINAPI* create_string)(PCNZWCH, UINT32, HSTRING*) = nullptr;
  HRESULT(WINAPI* delete_string)(HSTRING) = nullptr;

  bool loaded() const {
    return activate_instance && activation_factory && create_string && delete_string;
  }
};

const Runtime& runtime() {
  static const Runtime functions = [] {
    Runtime r;
    if (HMODULE combase = LoadLibraryW(L"combase.dll")) {
      r.activate_instance = reinterpret_cast<decltype(r.activate_instance)>(
          GetProcAddress(combase, "RoActivateInstance"));
      r.activation_factory = reinterpret_cast<decltype(r.activation_factory)>(
          GetProcAddress(combase, "RoGetActivationFactory"));
      r.create_string = reinterpret_cast<decltype(r.create_string)>(
          GetProcAddress(combase, "WindowsCreateString"));
      r.delete_string = reinterpret_cast<decltype(r.delete_string)>(
          GetProcAddress(combase, "WindowsDeleteString"));
    }
    return r;
  }();
  return functions;
}

class RuntimeString {
 public:
  RuntimeString(const std::wstring& text) {
    if (FAILED(runtime().create_string(text.c_str(), static_cast<UINT32>(text.size()), &m_string)))
      m_string = nullptr;
  }
  ~RuntimeString() {
    if (m_string) runtime().delete_string(m_string);
  }
  RuntimeString(const RuntimeString&) = delete;
  RuntimeString& operator=(const RuntimeString&) = delete;
  HSTRING get() const { return m_string; }

 private:
  HSTRING m_string = nullptr;
};

bool show_toast_xml(const std::wstring& xml, std::string& error) {
  const Runtime& rt = runtime();
  if (!rt.loaded()) return error = "Windows Runtime (combase.dll) not available", false;

  ComPtr<IInspectable> document;
  HRESULT result =
      rt.activate_instance(RuntimeString(L"Windows.Data.Xml.Dom.XmlDocument").get(), document.out());
  if (FAILED(result)) return error = failure("Windows.Data.Xml.Dom.XmlDocument", result), false;
  ComPtr<IXmlDocumentIO> loader;
  result = document->QueryInterface(kIXmlDocumentIO, loader.out_void());
  if (FAILED(result)) return error = failure("IXmlDocumentIO", result), false;
  result = loader->LoadXml(RuntimeString(xml).get());
  if (FAILED(result)) return error = failure("IXmlDocumentIO::LoadXml", result), false;
  ComPtr<IInspectable> content;
  result = document->QueryInterface(kIXmlDocument, content.out_void());
  if (FAILED(result)) return error = failure("IXmlDocument", result), false;

  ComPtr<IToastNotificationFactory> factory;
  result = rt.activation_factory(RuntimeString(L"Windows.UI.Notifications.ToastNotification").get(),
                                 kIToastNotificationFactory, factory.out_void());
  if (FAILED(result)) return error = failure("Windows.UI.Notifications.ToastNotification", result), false;
  ComPtr<IInspectable> toast;
  result = factory->CreateToastNotification(content.get(), toast.out());
  if (FAILED(result)) return error = failure("CreateToastNotification", result), false;

  ComPtr<IToastNotificationManagerStatics> manager;
  result = rt.activation_factory(
      RuntimeString(L"Windows.UI.Notifications.ToastNotificationManager").get(),
      kIToastNotificationManagerStatics, manager.out_void());
  if (FAILED(result)) return error = failure("Windows.UI.Notifications.ToastNotificationManager", result), false;
  ComPtr<IToastNotifier> notifier;
  result = manager->CreateToastNotifierWithId(RuntimeString(kAppUserModelId).get(), notifier.out());
  if (FAILED(result)) return error = failure("CreateToastNotifierWithId", result), false;
  result = notifier->Show(toast.get());
  if (FAILED(result)) return error = failure("IToastNotifier::Show", result), false;
  return true;
}

}  // namespace

bool set_up_notifications(std::string_view app_name, std::string& error) {
  HRESULT result = SetCurrentProcessExplicitAppUserModelID(kAppUserModelId);
  if (FAILED(result)) return error = failure("SetCurrentProcessExplicitAppUserModelID", result), false;
  std::wstring app_data = environment_value(L"APPDATA");
  if (app_data.empty()) return error = "APPDATA is not set", false;
  std::wstring folder = app_data + L"\\Microsoft\\Windows\\Start Menu\\Programs\\";
  std::wstring path = folder + utf8_to_wide(app_name) + L".lnk";
  remove_shortcuts_under_other_names(folder, app_name);
  // An existing shortcut is left as it is, wherever it points.
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  return save_shortcut(path, error);
}

bool show_toast(std::string_view message, std::string& error) {
  return show_toast_xml(utf8_to_wide(toast_xml(message)), error);
}

void ToastNotifier::notify(const std::string& text) {
  std::string error;
  if (!show_toast(text, error)) olib::log_line("[toast] 알림을 띄우지 못했습니다: " + error);
}

}  // namespace tw::wnd
