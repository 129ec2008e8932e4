#pragma once
// Stored form descriptions: the readable text that describes a form, its components and their property values.
//
//   object Form_Main: TForm_Main
//     Caption = '岚栎在线订单管理系统'
//     Font.Style = []
//     object StatusBar_Main: TStatusBar
//       Panels = <
//         item
//           Width = 100
//         end>
//     end
//   end
//
// ParseFormText turns the text into a tree of objects and property values without knowing any class; the
// property registry on the Windows side applies the tree to real components by name. WriteFormText writes a tree
// back in the canonical layout. Portable: no platform headers.
//
// The reader is fed embedded text but is written for hostile input: nesting is limited to kMaxFormNesting levels
// and the text to kMaxFormTextSize bytes, and every fault is an EFormTextError naming the form, the line and,
// where there is one, the property.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Exception.h"

namespace qd {

inline constexpr int kMaxFormNesting = 64;                            // objects, collections and lists together
inline constexpr std::size_t kMaxFormTextSize = 64u * 1024u * 1024u;  // bytes, a byte order mark included

enum class TFormValueKind { vkInteger, vkFloat, vkString, vkIdent, vkSet, vkList, vkCollection, vkBinary };

struct TFormProperty;

struct TFormValue {
    TFormValueKind Kind = TFormValueKind::vkInteger;
    int Line = 0;                                   // 1-based line where the value starts (0: not from a text)
    std::int64_t Integer = 0;                       // vkInteger
    double Float = 0;                               // vkFloat
    std::string Text;                               // vkString (UTF-8) and vkIdent
    std::vector<std::string> Set;                   // vkSet identifiers, in file order
    std::vector<TFormValue> List;                   // vkList items
    std::vector<std::vector<TFormProperty>> Items;  // vkCollection: properties of each item
    std::vector<std::uint8_t> Bytes;                // vkBinary
};

struct TFormProperty {
    std::string Name;  // dotted path, e.g. "Font.Height"
    TFormValue Value;
    int Line = 0;
};

struct TFormObject {
    std::string Name, ClassName;
    int Line = 0;
    std::vector<TFormProperty> Properties;  // in file order
    std::vector<TFormObject> Children;      // in file order
};

// Trees are equal when they hold the same names, kinds and values; line numbers are not compared (a written
// tree keeps its content but not its layout). Only the fields that belong to a value's kind take part; floats
// compare by bit pattern, so 0.0 and -0.0 differ.
bool operator==(const TFormValue& a, const TFormValue& b) noexcept;
bool operator==(const TFormProperty& a, const TFormProperty& b) noexcept;
bool operator==(const TFormObject& a, const TFormObject& b) noexcept;

class EFormTextError : public Exception {
public:
    EFormTextError(std::string message, int line, std::string property = {})
        : Exception(std::move(message)), FLine(line), FProperty(std::move(property)) {}
    int Line() const noexcept { return FLine; }                         // 0 when the fault has no line
    const std::string& Property() const noexcept { return FProperty; }  // empty when none is involved

private:
    int FLine;
    std::string FProperty;
};

// "Form_Main, line 12, property "Font.Height": expected a value"; the line part is left out when line <= 0 and
// the property part when property is empty. Both the reader and the property registry word their errors so.
std::string FormErrorText(std::string_view source, int line, std::string_view property, std::string_view what);

// `source` names the form (e.g. "Form_Main") in messages. Raises EFormTextError.
TFormObject ParseFormText(std::string_view text, std::string_view source);

// Writes `root` in the canonical layout (two-space indent, one property per line, binary data 64 hex digits per
// line, strings re-quoted with control characters as #n codes). ParseFormText(WriteFormText(t)) == t for every
// tree the parser produces. A tree that no text could describe (a name that is not an identifier, a property
// named "object" or "end", invalid UTF-8, a non-finite float, nesting beyond kMaxFormNesting) raises
// EFormTextError instead of producing text that would not read back.
std::string WriteFormText(const TFormObject& root);

}  // namespace qd
