#pragma once
// Portable run-time classes: a growable in-memory byte stream and a list of strings.
// No platform headers: the codec, the package reader, the description parser and the form-description
// reader use these natively and on Windows alike.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Exception.h"

namespace qd {

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream held in memory. Position may be set past the end; a write there fills the gap with zeros.
class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : FData(std::move(bytes)) {}
    TMemoryStream(const void* data, std::size_t size) {
        Write(data, size);
        FPosition = 0;
    }

    std::int64_t Size() const noexcept { return static_cast<std::int64_t>(FData.size()); }
    std::int64_t Position() const noexcept { return FPosition; }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    std::int64_t Remaining() const noexcept { return FPosition < Size() ? Size() - FPosition : 0; }

    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin);

    // Reads up to `count` bytes; returns how many were read (fewer at the end of the stream).
    std::size_t Read(void* buffer, std::size_t count) noexcept;
    // Reads exactly `count` bytes or raises EStreamError.
    void ReadBuffer(void* buffer, std::size_t count);
    void Write(const void* buffer, std::size_t count);
    void WriteByte(std::uint8_t b) { Write(&b, 1); }

    // Sets the size; the position is kept unless it lies past the new end.
    void SetSize(std::int64_t size);
    void Clear() noexcept {
        FData.clear();
        FPosition = 0;
    }

    const std::uint8_t* Memory() const noexcept { return FData.data(); }
    std::uint8_t* Memory() noexcept { return FData.data(); }
    std::span<const std::uint8_t> Bytes() const noexcept { return FData; }
    const std::vector<std::uint8_t>& Data() const noexcept { return FData; }
    std::vector<std::uint8_t> TakeData() noexcept {
        FPosition = 0;
        return std::exchange(FData, {});
    }
    void Reserve(std::size_t bytes) { FData.reserve(bytes); }

private:
    std::vector<std::uint8_t> FData;
    std::int64_t FPosition = 0;
};

// An ordered list of strings, each with an optional integer payload (the "object" of the entry).
// Strings are byte strings: UTF-8 in the program's own texts, single-byte ANSI where a file says so.
class TStringList {
public:
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    bool Empty() const noexcept { return FItems.empty(); }
    const std::string& operator[](int index) const { return FItems.at(CheckIndex(index)).Text; }
    const std::string& Strings(int index) const { return (*this)[index]; }
    void SetString(int index, std::string text) { FItems.at(CheckIndex(index)).Text = std::move(text); }
    std::intptr_t Objects(int index) const { return FItems.at(CheckIndex(index)).Object; }
    void SetObject(int index, std::intptr_t object) { FItems.at(CheckIndex(index)).Object = object; }

    int Add(std::string text, std::intptr_t object = 0);
    void Insert(int index, std::string text, std::intptr_t object = 0);
    void Delete(int index);
    void Clear() noexcept { FItems.clear(); }

    // Index of the first string equal to `text` (exact, byte-wise), or -1.
    int IndexOf(std::string_view text) const noexcept;
    // "Name=Value" access: the part before the first '=' and the part after it.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    // Index of the first "Name=..." line whose name equals `name` (ASCII case folded), or -1.
    int IndexOfName(std::string_view name) const noexcept;
    std::string Values(std::string_view name) const;

    // Whole text: lines separated by CR LF when written; CR LF, CR or LF each end a line when read.
    // A final line break does not add an empty line.
    std::string Text() const;
    void SetText(std::string_view text);

    auto begin() const noexcept { return FItems.begin(); }
    auto end() const noexcept { return FItems.end(); }

    struct TItem {
        std::string Text;
        std::intptr_t Object = 0;
    };

private:
    std::size_t CheckIndex(int index) const;
    std::vector<TItem> FItems;
};

// UTF-8, one codec for the whole program. Readers of untrusted text check it (IsValidUtf8, or
// Utf8SequenceLength as they go) and reject what is malformed; the conversions never fail: each byte that starts
// no well-formed sequence becomes U+FFFD, and so does a lone surrogate.

// Length of the well-formed UTF-8 sequence at p (shortest form, no surrogates, at most U+10FFFF), or 0.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t avail) noexcept;
bool IsValidUtf8(std::string_view text) noexcept;
// Appends the UTF-8 encoding of a code point (at most U+10FFFF; callers check surrogates).
void AppendUtf8(std::string& out, std::uint32_t codePoint);
// UTF-8 <-> wide text (UTF-16 where wchar_t has 16 bits, UTF-32 otherwise); the list forms convert item by item.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::vector<std::wstring> Utf8ToWide(const std::vector<std::string>& items);
std::vector<std::string> WideToUtf8(const std::vector<std::wstring>& items);

// Holds a flag at `value` while a scope runs and clears it when the scope is left, by return or by exception:
// re-entrancy guards and "while doing this" states.
//   if (FAligning) return;
//   TFlagScope aligning(FAligning);
class TFlagScope {
public:
    explicit TFlagScope(bool& flag, bool value = true) noexcept : FFlag(flag) { FFlag = value; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

// ASCII-only case folding: never locale-dependent.
char AsciiLower(char c) noexcept;
std::string AsciiLowerCase(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b) noexcept;

}  // namespace qd
