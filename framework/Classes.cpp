#include "framework/Classes.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

namespace qd {

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    switch (origin) {
        case TSeekOrigin::soBeginning:
            base = 0;
            break;
        case TSeekOrigin::soCurrent:
            base = FPosition;
            break;
        case TSeekOrigin::soEnd:
            base = Size();
            break;
    }
    if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) || base + offset < 0)
        throw EStreamError("Stream seek out of range");
    FPosition = base + offset;
    return FPosition;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) noexcept {
    const std::int64_t avail = Remaining();
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::int64_t>(avail, static_cast<std::int64_t>(std::min<std::size_t>(
                                          count, static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max())))));
    if (n > 0) {
        std::memcpy(buffer, FData.data() + FPosition, n);
        FPosition += static_cast<std::int64_t>(n);
    }
    return n;
}

void TMemoryStream::ReadBuffer(void* buffer, std::size_t count) {
    if (Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    const std::size_t pos = static_cast<std::size_t>(FPosition);
    // The position may have been set far past the end: the new end must still be a valid size and position.
    const std::size_t limit =
        std::min<std::size_t>(FData.max_size(), static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max()));
    if (count > limit || pos > limit - count) throw EStreamError("Stream write error");
    const auto* source = static_cast<const std::uint8_t*>(buffer);
    if (FData.size() < pos + count) {
        // The source may lie in this stream's own memory (appending a part of the stream to itself); growing
        // the buffer would free it before the copy, so remember it as an offset.
        const std::uint8_t* begin = FData.data();
        const bool inside = begin != nullptr && !std::less<const std::uint8_t*>()(source, begin) &&
                            std::less<const std::uint8_t*>()(source, begin + FData.size());
        const std::size_t offset = inside ? static_cast<std::size_t>(source - begin) : 0;
        FData.resize(pos + count);
        if (inside) source = FData.data() + offset;
    }
    // Source and destination may overlap when the stream copies within itself.
    std::memmove(FData.data() + pos, source, count);
    FPosition += static_cast<std::int64_t>(count);
}

void TMemoryStream::SetSize(std::int64_t size) {
    if (size < 0) throw EStreamError("Stream size out of range");
    FData.resize(static_cast<std::size_t>(size));
    if (FPosition > size) FPosition = size;
}

std::size_t TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EInvalidOperation("List index out of bounds (" + std::to_string(index) + ")");
    return static_cast<std::size_t>(index);
}

int TStringList::Add(std::string text, std::intptr_t object) {
    FItems.push_back({std::move(text), object});
    return Count() - 1;
}

void TStringList::Insert(int index, std::string text, std::intptr_t object) {
    if (index < 0 || index > Count())
        throw EInvalidOperation("List index out of bounds (" + std::to_string(index) + ")");
    FItems.insert(FItems.begin() + index, TItem{std::move(text), object});
}

void TStringList::Delete(int index) { FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(CheckIndex(index))); }

int TStringList::IndexOf(std::string_view text) const noexcept {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<std::size_t>(i)].Text == text) return i;
    return -1;
}

std::string TStringList::Names(int index) const {
    const std::string& s = (*this)[index];
    const auto eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
    const std::string& s = (*this)[index];
    const auto eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStringList::IndexOfName(std::string_view name) const noexcept {
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = FItems[static_cast<std::size_t>(i)].Text;
        const auto eq = s.find('=');
        if (eq != std::string::npos && SameTextAscii(std::string_view(s).substr(0, eq), name)) return i;
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const {
    const int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

std::string TStringList::Text() const {
    std::string out;
    for (const auto& item : FItems) {
        out += item.Text;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    FItems.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            FItems.push_back({std::string(text.substr(start, i - start)), 0});
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) FItems.push_back({std::string(text.substr(start)), 0});
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at p (shortest form, no surrogates, at most U+10FFFF), or 0.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t avail) noexcept {
    const unsigned char b0 = p[0];
    if (b0 < 0x80) return 1;
    auto cont = [&](std::size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        return i < avail && p[i] >= lo && p[i] <= hi;
    };
    if (b0 >= 0xC2 && b0 <= 0xDF) return cont(1) ? 2 : 0;
    if (b0 == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
    if ((b0 >= 0xE1 && b0 <= 0xEC) || b0 == 0xEE || b0 == 0xEF) return cont(1) && cont(2) ? 3 : 0;
    if (b0 == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
    if (b0 == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (b0 >= 0xF1 && b0 <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (b0 == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

bool IsValidUtf8(std::string_view s) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8SequenceLength(p + i, s.size() - i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(p + i, text.size() - i);
        if (n == 0) {
            out += static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        std::uint32_t cp = n == 1 ? p[i] : p[i] & (0x7Fu >> n);
        for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (p[i + k] & 0x3Fu);
        i += n;
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (cp >> 10));
                out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
                continue;
            }
        }
        out += static_cast<wchar_t>(cp);
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto cp = static_cast<std::uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
                const auto low = static_cast<std::uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;  // a lone surrogate is no character
        AppendUtf8(out, cp);
    }
    return out;
}

std::vector<std::wstring> Utf8ToWide(const std::vector<std::string>& items) {
    std::vector<std::wstring> out;
    out.reserve(items.size());
    for (const auto& item : items) out.push_back(Utf8ToWide(item));
    return out;
}

std::vector<std::string> WideToUtf8(const std::vector<std::wstring>& items) {
    std::vector<std::string> out;
    out.reserve(items.size());
    for (const auto& item : items) out.push_back(WideToUtf8(item));
    return out;
}

char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string AsciiLowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

bool SameTextAscii(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

}  // namespace qd
