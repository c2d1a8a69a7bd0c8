// The library's conversions on top of the real COM (oleaut32) and its error information.
#include "platform/com.h"

namespace vqm::platform {

BSTR AnsiBstr(const char* text) {
  if (text == nullptr) return nullptr;
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return nullptr;
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(units - 1));
  if (result == nullptr) return nullptr;
  MultiByteToWideChar(CP_ACP, 0, text, -1, result, units);
  return result;
}

std::string BstrToAnsi(BSTR text) {
  const int units = static_cast<int>(SysStringLen(text));
  if (units == 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, units, &result[0], bytes, nullptr, nullptr);
  return result;
}

std::string TakeErrorDescription(IUnknown* object, REFIID iid) {
  if (object == nullptr) return std::string();
  ISupportErrorInfo* support = nullptr;
  if (FAILED(object->QueryInterface(kIidSupportErrorInfo, reinterpret_cast<void**>(&support))) ||
      support == nullptr)
    return std::string();
  const HRESULT supported = support->InterfaceSupportsErrorInfo(iid);
  support->Release();
  if (supported != S_OK) return std::string();
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || info == nullptr) return std::string();
  std::string text;
  BSTR description = nullptr;
  if (SUCCEEDED(info->GetDescription(&description)) && description != nullptr) {
    text = BstrToAnsi(description);
    SysFreeString(description);
  }
  info->Release();
  return text;
}

}  // namespace vqm::platform
