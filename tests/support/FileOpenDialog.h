#pragma once
// The platform's common file dialog, opened through its COM object (the program links no common-dialog library).

#include <windows.h>
#include <shobjidl.h>

namespace qd::test {

// Shows a modal file open dialog owned by `owner` until it is closed; what IFileDialog::Show answered
// (HRESULT_FROM_WIN32(ERROR_CANCELLED) when it was cancelled), or the failure that kept it from opening.
inline HRESULT ShowFileOpenDialog(HWND owner = nullptr) {
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(init)) return init;
    IFileOpenDialog* dialog = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                        reinterpret_cast<void**>(&dialog));
    if (SUCCEEDED(result)) {
        result = dialog->Show(owner);
        dialog->Release();
    }
    ::CoUninitialize();
    return result;
}

}  // namespace qd::test
