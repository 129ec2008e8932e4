// Feeds arbitrary bytes to the form-description reader. Every input must either be refused with an
// EFormTextError or give a tree that writes out and reads back to the same tree, and writing is stable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/FormText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qd::TFormObject tree;
    try {
        tree = qd::ParseFormText(text, "Fuzz");
    } catch (const qd::EFormTextError&) {
        return 0;
    }
    const std::string written = qd::WriteFormText(tree);
    const qd::TFormObject back = qd::ParseFormText(written, "Fuzz");
    if (!(back == tree)) std::abort();
    if (qd::WriteFormText(back) != written) std::abort();
    return 0;
}
