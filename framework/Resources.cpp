#include "framework/Resources.h"

#include <windows.h>

#include <utility>

#include "framework/Classes.h"

namespace qd {

namespace {
TFormResourceProvider& Provider() {
    static TFormResourceProvider provider;
    return provider;
}
}  // namespace

std::string FormResourceName(std::string_view className) {
    std::string name(className);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

TFormResourceProvider SetFormResourceProvider(TFormResourceProvider provider) {
    return std::exchange(Provider(), std::move(provider));
}

std::string LoadFormResource(std::string_view className) {
    if (className.empty()) throw EResNotFound("A form class without a name has no stored description");
    if (auto& provider = Provider()) {
        if (auto text = provider(className)) return std::move(*text);
    }
    const std::string name = FormResourceName(className);
    // Resource names are ASCII identifiers here; anything else cannot name a resource of ours.
    std::wstring wide;
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) throw EResNotFound("Resource " + name + " not found");
        wide.push_back(static_cast<wchar_t>(c));
    }
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, wide.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) throw EResNotFound("Resource " + name + " not found");
    HGLOBAL data = ::LoadResource(module, info);
    const DWORD size = ::SizeofResource(module, info);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (!bytes && size != 0) throw EResNotFound("Resource " + name + " cannot be loaded");
    return std::string(static_cast<const char*>(bytes), size);
}

}  // namespace qd
