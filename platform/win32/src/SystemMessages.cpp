// FormatMessageW over the system message table: the English texts Windows gives for the error codes the
// engine and this layer produce. Like Windows, each text ends in ".\r\n" (or "\r\n"), so callers that trim
// white space see exactly the Windows text.

#include "Diagnostics.h"

#include <cstdlib>
#include <cwchar>
#include <unordered_map>

namespace {

using MessageTable = std::unordered_map<DWORD, const wchar_t*>;

const MessageTable& SystemMessages() {
  static const MessageTable table = {
      // Win32 codes; an HRESULT of facility Win32 shares the text of its code.
      {ERROR_SUCCESS, L"The operation completed successfully.\r\n"},
      {ERROR_INVALID_FUNCTION, L"Incorrect function.\r\n"},
      {ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, L"The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, L"Access is denied.\r\n"},
      {ERROR_INVALID_HANDLE, L"The handle is invalid.\r\n"},
      {ERROR_NOT_ENOUGH_MEMORY, L"Not enough memory resources are available to process this command.\r\n"},
      {ERROR_OUTOFMEMORY, L"Not enough memory resources are available to complete this operation.\r\n"},
      {ERROR_NOT_SUPPORTED, L"The request is not supported.\r\n"},
      {ERROR_INVALID_PARAMETER, L"The parameter is incorrect.\r\n"},
      {ERROR_CALL_NOT_IMPLEMENTED, L"This function is not supported on this system.\r\n"},
      {ERROR_INSUFFICIENT_BUFFER, L"The data area passed to a system call is too small.\r\n"},
      {ERROR_MOD_NOT_FOUND, L"The specified module could not be found.\r\n"},
      {ERROR_ALREADY_EXISTS, L"Cannot create a file when that file already exists.\r\n"},
      {WAIT_TIMEOUT, L"The wait operation timed out.\r\n"},
      {ERROR_MR_MID_NOT_FOUND,
       L"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
      {ERROR_INVALID_WINDOW_HANDLE, L"Invalid window handle.\r\n"},
      {ERROR_CANNOT_FIND_WND_CLASS, L"Cannot find window class.\r\n"},
      {ERROR_CLASS_ALREADY_EXISTS, L"Class already exists.\r\n"},
      {ERROR_CLASS_DOES_NOT_EXIST, L"Class does not exist.\r\n"},
      {ERROR_RESOURCE_NAME_NOT_FOUND, L"The specified resource name cannot be found in the image file.\r\n"},

      // COM
      {static_cast<DWORD>(E_NOTIMPL), L"Not implemented\r\n"},
      {static_cast<DWORD>(E_NOINTERFACE), L"No such interface supported\r\n"},
      {static_cast<DWORD>(E_POINTER), L"Invalid pointer\r\n"},
      {static_cast<DWORD>(E_ABORT), L"Operation aborted\r\n"},
      {static_cast<DWORD>(E_FAIL), L"Unspecified error\r\n"},
      {static_cast<DWORD>(E_UNEXPECTED), L"Catastrophic failure\r\n"},
      {static_cast<DWORD>(CLASS_E_NOAGGREGATION),
       L"Class does not support aggregation (or class object is remote)\r\n"},
      {static_cast<DWORD>(REGDB_E_CLASSNOTREG), L"Class not registered\r\n"},
      {static_cast<DWORD>(CO_E_NOTINITIALIZED), L"CoInitialize has not been called.\r\n"},
      {static_cast<DWORD>(RPC_E_CHANGED_MODE), L"Cannot change thread mode after it is set.\r\n"},

      // DXGI
      {static_cast<DWORD>(DXGI_ERROR_INVALID_CALL),
       L"The application made a call that is invalid. Either the parameters of the call or the state of some "
       L"object was incorrect.\r\nEnable the D3D debug layer in order to see details via debug messages.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_NOT_FOUND),
       L"The object was not found. If calling IDXGIFactory::EnumAdaptes, there is no adapter with the "
       L"specified ordinal.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_MORE_DATA), L"The caller did not supply a sufficiently large buffer.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_UNSUPPORTED),
       L"The specified device interface or feature level is not supported on this system.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_DEVICE_REMOVED),
       L"The GPU device instance has been suspended. Use GetDeviceRemovedReason to determine the appropriate "
       L"action.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_DEVICE_HUNG),
       L"The GPU will not respond to more commands, most likely because of an invalid command passed by the "
       L"calling application.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_DEVICE_RESET),
       L"The GPU will not respond to more commands, most likely because some other application submitted "
       L"invalid commands.\r\nThe calling application should re-create the device and continue.\r\n"},
      {static_cast<DWORD>(DXGI_ERROR_DRIVER_INTERNAL_ERROR),
       L"An internal issue prevented the driver from carrying out the specified operation. The driver's "
       L"state is probably suspect, and the application should not continue.\r\n"},

      // Windows Imaging Component
      {static_cast<DWORD>(WINCODEC_ERR_WRONGSTATE), L"The codec is in the wrong state.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_VALUEOUTOFRANGE), L"The value is out of range.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_UNKNOWNIMAGEFORMAT), L"The image format is unknown.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_NOTINITIALIZED), L"The component is not initialized.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_COMPONENTNOTFOUND), L"The component cannot be found.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_BADIMAGE), L"The image is unrecognized.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_BADHEADER), L"The image header is unrecognized.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_FRAMEMISSING), L"The bitmap frame is missing.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_BADSTREAMDATA), L"The stream data is unrecognized.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_STREAMREAD), L"Failed to read from the stream.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT), L"The bitmap pixel format is unsupported.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_UNSUPPORTEDOPERATION), L"The operation is unsupported.\r\n"},
      {static_cast<DWORD>(WINCODEC_ERR_INSUFFICIENTBUFFER), L"The buffer allocated is insufficient.\r\n"},
  };
  return table;
}

const wchar_t* FindSystemMessage(DWORD id) {
  const MessageTable& table = SystemMessages();
  if (auto found = table.find(id); found != table.end()) return found->second;
  if (HRESULT_FACILITY(id) == FACILITY_WIN32 && HRESULT_SEVERITY(id) == SEVERITY_ERROR) {
    if (auto found = table.find(HRESULT_CODE(id)); found != table.end()) return found->second;
  }
  return nullptr;
}

// Copies `text` into the caller's buffer, or into one allocated for LocalFree when the caller asked for
// FORMAT_MESSAGE_ALLOCATE_BUFFER (then `buffer` really is a pointer to the caller's pointer).
DWORD DeliverText(const wchar_t* text, DWORD flags, LPWSTR buffer, DWORD size) {
  const size_t length = std::wcslen(text);
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    auto* target = reinterpret_cast<LPWSTR*>(buffer);
    if (target == nullptr) {
      win32::FailCall("FormatMessageW", ERROR_INVALID_PARAMETER, "no address for the allocated buffer");
      return 0;
    }
    const size_t capacity = length + 1 > size ? length + 1 : size;
    auto* allocated = static_cast<wchar_t*>(std::malloc(capacity * sizeof(wchar_t)));
    if (allocated == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::wmemcpy(allocated, text, length + 1);
    *target = allocated;
    return static_cast<DWORD>(length);
  }
  if (buffer == nullptr || size < length + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wmemcpy(buffer, text, length + 1);
  return static_cast<DWORD>(length);
}

}  // namespace

// Only the system table is available: there are no message-table resources in modules, and strings given
// with FORMAT_MESSAGE_FROM_STRING are not formatted. Inserts are never expanded, as with
// FORMAT_MESSAGE_IGNORE_INSERTS.
DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, va_list*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & FORMAT_MESSAGE_FROM_STRING)) {
    win32::FailCall("FormatMessageW", ERROR_INVALID_PARAMETER,
                    "flags 0x%x: only FORMAT_MESSAGE_FROM_SYSTEM is supported", flags);
    return 0;
  }
  const wchar_t* text = FindSystemMessage(messageId);
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  return DeliverText(text, flags, buffer, size);
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}
