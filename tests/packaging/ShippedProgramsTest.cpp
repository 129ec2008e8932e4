// What Explorer and the loader read from each program we ship: its version information, and the manifest that
// asks for the version 6 common controls and states the program's DPI awareness.

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "app/AppConstants.h"
#include "packaging/ShippedPrograms.h"

namespace {

using qd::test::FileNameOf;
using qd::test::ShippedPrograms;

TEST(ShippedProgramsTest, EachCarriesTheProductsVersionInformationInChinese) {
    const auto programs = ShippedPrograms();
    ASSERT_GE(programs.size(), 2u);
    for (const std::wstring& path : programs) {
        SCOPED_TRACE(testing::Message() << "program " << testing::PrintToString(path));
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version information, error " << ::GetLastError();
        std::vector<char> data(size);
        ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(QD_VERSION_MINOR, QD_VERSION_MAJOR)));
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, QD_VERSION_PATCH)));
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        // The strings are found through the translation the resource declares, as Explorer finds them.
        WORD* translation = nullptr;
        ASSERT_TRUE(
            ::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
        ASSERT_GE(len, 4u);
        EXPECT_EQ(translation[0], MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        EXPECT_EQ(translation[1], 1200);
        wchar_t block[40];
        wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT chars = 0;
            const std::wstring key = std::wstring(block) + name;
            if (!::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
                return std::wstring(L"(missing)");
            return std::wstring(value);
        };
        EXPECT_EQ(text(L"ProductName"), qd::kAppTitle);
        EXPECT_EQ(text(L"CompanyName"), qd::kVendorName);
        EXPECT_EQ(text(L"OriginalFilename"), FileNameOf(path));
        EXPECT_EQ(text(L"FileVersion").rfind(std::to_wstring(QD_VERSION_MAJOR) + L".", 0), 0u) << text(L"FileVersion");
        const std::wstring description = text(L"FileDescription");
        EXPECT_FALSE(description.empty() || description == L"(missing)");
    }
}

// The platform itself reads the client's embedded manifest: an activation context made from it must give the
// version 6 common controls and report the program as DPI unaware (the skin draws in device pixels).
TEST(ShippedProgramsTest, ClientManifestGivesCommonControlsSixAndNoDpiAwareness) {
    std::wstring client;
    for (const std::wstring& path : ShippedPrograms())
        if (FileNameOf(path) == L"QuandrelDemo.exe") client = path;
    ASSERT_FALSE(client.empty());

    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = client.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    const HANDLE context = ::CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "no usable manifest, error " << ::GetLastError();

    wchar_t value[64] = {};
    SIZE_T written = 0;
    EXPECT_TRUE(::QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", value, 64, &written));
    EXPECT_STREQ(value, L"false");

    // The loader takes comctl32.dll from the side-by-side assembly the manifest names. (Its version numbers tell
    // nothing under Wine, whose version 6 build reports 5.81.)
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(::ActivateActCtx(context, &cookie));
    const HMODULE controls = ::LoadLibraryW(L"comctl32.dll");
    wchar_t loaded[MAX_PATH] = {};
    ::GetModuleFileNameW(controls, loaded, MAX_PATH);
    std::wstring path = loaded;
    for (wchar_t& c : path) c = static_cast<wchar_t>(::towlower(c));
    EXPECT_NE(path.find(L"\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << testing::PrintToString(path);
    ::FreeLibrary(controls);
    ::DeactivateActCtx(0, cookie);
    ::ReleaseActCtx(context);
}

}  // namespace
