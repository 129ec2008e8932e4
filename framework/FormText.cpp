#include "framework/FormText.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "framework/Classes.h"

namespace qd {

namespace {

constexpr bool IsIdentStart(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
constexpr bool IsIdentChar(char c) noexcept { return IsIdentStart(c) || IsDigit(c); }
constexpr int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsPlainIdent(std::string_view s) noexcept {
    if (s.empty() || !IsIdentStart(s[0])) return false;
    for (char c : s)
        if (!IsIdentChar(c)) return false;
    return true;
}

// "Font.Height": identifiers joined by single dots.
bool IsDottedIdent(std::string_view s) noexcept {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = s.find('.', start);
        if (!IsPlainIdent(s.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start)))
            return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

// Token text echoed in a message: short, and only printable ASCII so the message itself stays valid UTF-8.
std::string Echo(std::string_view s) {
    constexpr std::size_t kMax = 40;
    std::string out;
    for (std::size_t i = 0; i < s.size() && i < kMax; ++i) {
        const char c = s[i];
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    if (s.size() > kMax) out += "...";
    return out;
}

enum class TTokenKind { tkEof, tkIdent, tkInteger, tkFloat, tkString, tkSymbol };

struct TToken {
    TTokenKind Kind = TTokenKind::tkEof;
    int Line = 0;     // where the token starts
    int EndLine = 0;  // where it ends (a continued string spans lines)
    std::string Text;
    std::int64_t Integer = 0;
    double Float = 0;
    char Symbol = 0;

    bool Is(char symbol) const noexcept { return Kind == TTokenKind::tkSymbol && Symbol == symbol; }
    bool IsWord(std::string_view word) const noexcept { return Kind == TTokenKind::tkIdent && Text == word; }
};

class TFormParser {
public:
    TFormParser(std::string_view text, std::string_view source) : FText(text), FSource(source) {}

    TFormObject ParseRoot() {
        if (FText.size() > kMaxFormTextSize)
            Fail(0, "the description is " + std::to_string(FText.size()) + " bytes long, more than the limit of " +
                        std::to_string(kMaxFormTextSize));
        if (FText.substr(0, 3) == "\xEF\xBB\xBF") FPos = 3;
        const TToken head = Next();
        if (!head.IsWord("object")) Fail(head.Line, "expected \"object\"");
        TFormObject root = ParseObject(head.Line);
        const TToken& rest = Peek();
        if (rest.Kind != TTokenKind::tkEof) Fail(rest.Line, "unexpected text after the final \"end\"");
        return root;
    }

private:
    // ---- errors -------------------------------------------------------------------------------------------

    std::string PropertyPath() const {
        std::string path;
        for (const auto& part : FPath) {
            if (!path.empty()) path += '.';
            path += part;
        }
        return path;
    }

    [[noreturn]] void Fail(int line, std::string_view what) const {
        std::string property = PropertyPath();
        std::string message = FormErrorText(FSource, line, property, what);  // before `property` is moved
        throw EFormTextError(std::move(message), line, std::move(property));
    }

    // Nesting is bounded so that hostile input cannot run the recursive descent off the stack.
    void Enter(int line) {
        if (++FDepth > kMaxFormNesting)
            Fail(line,
                 "objects, collections and lists nested deeper than " + std::to_string(kMaxFormNesting) + " levels");
    }
    void Leave() noexcept { --FDepth; }

    // ---- characters -----------------------------------------------------------------------------------------

    bool AtEnd() const noexcept { return FPos >= FText.size(); }
    char Cur() const noexcept { return FPos < FText.size() ? FText[FPos] : '\0'; }
    char At(std::size_t offset) const noexcept { return FPos + offset < FText.size() ? FText[FPos + offset] : '\0'; }

    // Skips blanks, line breaks and comment lines (a line whose first non-blank characters are "//").
    void SkipBlanks() {
        while (!AtEnd()) {
            const char c = Cur();
            if (c == ' ' || c == '\t') {
                ++FPos;
            } else if (c == '\n') {
                ++FPos;
                ++FLine;
                FLineStart = true;
            } else if (c == '\r') {
                if (At(1) != '\n') Fail(FLine, "carriage return without a line feed");
                FPos += 2;
                ++FLine;
                FLineStart = true;
            } else if (c == '/' && At(1) == '/' && FLineStart) {
                while (!AtEnd() && Cur() != '\n') ++FPos;
            } else {
                return;
            }
        }
    }

    // ---- tokens ---------------------------------------------------------------------------------------------

    const TToken& Peek() {
        if (!FHaveToken) {
            FToken = Lex();
            FHaveToken = true;
        }
        return FToken;
    }

    TToken Next() {
        Peek();
        FHaveToken = false;
        FLastEndLine = FToken.EndLine;
        return std::move(FToken);
    }

    // Each property, object header and "end" stands on its own line.
    void ExpectLineBreak(std::string_view what) {
        if (!FHaveToken) {
            // Look ahead on the raw text first, so that a fault on a following line is not reported as part of
            // the property that ends here.
            std::size_t p = FPos;
            while (p < FText.size() && (FText[p] == ' ' || FText[p] == '\t')) ++p;
            if (p >= FText.size() || FText[p] == '\n' ||
                (FText[p] == '\r' && p + 1 < FText.size() && FText[p + 1] == '\n'))
                return;
        }
        const TToken& t = Peek();
        if (t.Kind != TTokenKind::tkEof && t.Line == FLastEndLine) Fail(t.Line, what);
    }

    TToken Lex() {
        SkipBlanks();
        FLineStart = false;
        TToken t;
        t.Line = FLine;
        if (AtEnd()) {
            t.EndLine = FLine;
            return t;
        }
        const char c = Cur();
        if (IsIdentStart(c)) {
            LexIdent(t);
        } else if (IsDigit(c) || ((c == '-' || c == '+') && IsDigit(At(1)))) {
            LexNumber(t);
        } else if (c == '$') {
            LexHex(t);
        } else if (c == '\'' || c == '#') {
            LexString(t);
        } else if (std::string_view("=:[],()<>{}").find(c) != std::string_view::npos) {
            t.Kind = TTokenKind::tkSymbol;
            t.Symbol = c;
            ++FPos;
        } else if (c >= 0x20 && c < 0x7F) {
            Fail(FLine, std::string("unexpected character \"") + c + "\"");
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            const auto b = static_cast<unsigned char>(c);
            Fail(FLine, std::string("unexpected byte 0x") + kHex[b >> 4] + kHex[b & 15]);
        }
        t.EndLine = FLine;
        return t;
    }

    void LexIdent(TToken& t) {
        const std::size_t start = FPos;
        for (;;) {
            while (IsIdentChar(Cur())) ++FPos;
            if (Cur() != '.') break;
            if (!IsIdentStart(At(1))) {
                ++FPos;
                Fail(FLine, "invalid name \"" + Echo(FText.substr(start, FPos - start)) + "\"");
            }
            ++FPos;
        }
        t.Kind = TTokenKind::tkIdent;
        t.Text.assign(FText.substr(start, FPos - start));
    }

    void FailNumber(std::size_t start) {
        while (IsIdentChar(Cur()) || Cur() == '.') ++FPos;
        Fail(FLine, "invalid number \"" + Echo(FText.substr(start, FPos - start)) + "\"");
    }

    void LexNumber(TToken& t) {
        const std::size_t start = FPos;
        if (Cur() == '-' || Cur() == '+') ++FPos;
        const std::size_t digits = FPos;
        while (IsDigit(Cur())) ++FPos;
        bool isFloat = false;
        if (Cur() == '.') {
            isFloat = true;
            ++FPos;
            if (!IsDigit(Cur())) FailNumber(start);
            while (IsDigit(Cur())) ++FPos;
        }
        if (Cur() == 'e' || Cur() == 'E') {
            isFloat = true;
            ++FPos;
            if (Cur() == '+' || Cur() == '-') ++FPos;
            if (!IsDigit(Cur())) FailNumber(start);
            while (IsDigit(Cur())) ++FPos;
        }
        if (IsIdentChar(Cur()) || Cur() == '.') FailNumber(start);

        // from_chars takes a leading '-' but not a '+'.
        const char* first = FText.data() + (FText[start] == '+' ? digits : start);
        const char* last = FText.data() + FPos;
        if (isFloat) {
            t.Kind = TTokenKind::tkFloat;
            const auto r = std::from_chars(first, last, t.Float);
            if (r.ec != std::errc() || r.ptr != last || !std::isfinite(t.Float))
                Fail(FLine, "number out of range \"" + Echo(FText.substr(start, FPos - start)) + "\"");
        } else {
            t.Kind = TTokenKind::tkInteger;
            const auto r = std::from_chars(first, last, t.Integer);
            if (r.ec != std::errc() || r.ptr != last)
                Fail(FLine, "integer out of range \"" + Echo(FText.substr(start, FPos - start)) + "\"");
        }
    }

    void LexHex(TToken& t) {
        const std::size_t start = FPos++;
        std::uint64_t value = 0;
        int count = 0;
        while (HexDigit(Cur()) >= 0) {
            if (++count > 16) {
                while (HexDigit(Cur()) >= 0) ++FPos;
                Fail(FLine, "more than 16 hex digits in \"" + Echo(FText.substr(start, FPos - start)) + "\"");
            }
            value = (value << 4) | static_cast<std::uint64_t>(HexDigit(Cur()));
            ++FPos;
        }
        if (count == 0 || IsIdentChar(Cur()) || Cur() == '.') FailNumber(start);
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            Fail(FLine, "integer out of range \"" + Echo(FText.substr(start, FPos - start)) + "\"");
        t.Kind = TTokenKind::tkInteger;
        t.Integer = static_cast<std::int64_t>(value);
    }

    // 'quoted' parts ('' is a quote) and #nnn code points glued together; a "+" that ends a line continues the
    // string with the next part on a following line.
    void LexString(TToken& t) {
        t.Kind = TTokenKind::tkString;
        for (;;) {
            while (Cur() == '\'' || Cur() == '#') {
                if (Cur() == '\'')
                    LexQuoted(t.Text);
                else
                    LexCharCode(t.Text);
            }
            std::size_t p = FPos;
            while (p < FText.size() && (FText[p] == ' ' || FText[p] == '\t')) ++p;
            if (p >= FText.size() || FText[p] != '+') return;
            std::size_t q = p + 1;
            while (q < FText.size() && (FText[q] == ' ' || FText[q] == '\t')) ++q;
            if (q < FText.size() && FText[q] != '\n' && FText[q] != '\r') return;  // "+5" is the next token
            FPos = p + 1;
            SkipBlanks();
            FLineStart = false;
            if (Cur() != '\'' && Cur() != '#') Fail(FLine, "expected a string after \"+\"");
        }
    }

    void LexQuoted(std::string& out) {
        const int line = FLine;
        ++FPos;
        for (;;) {
            if (AtEnd() || Cur() == '\n' || Cur() == '\r') Fail(line, "unterminated string");
            const char c = Cur();
            if (c == '\'') {
                if (At(1) != '\'') {
                    ++FPos;
                    return;
                }
                out += '\'';
                FPos += 2;
                continue;
            }
            const std::size_t n =
                Utf8SequenceLength(reinterpret_cast<const unsigned char*>(FText.data()) + FPos, FText.size() - FPos);
            if (n == 0) Fail(line, "invalid UTF-8 in a string");
            out.append(FText.substr(FPos, n));
            FPos += n;
        }
    }

    void LexCharCode(std::string& out) {
        const std::size_t start = FPos++;
        if (!IsDigit(Cur())) Fail(FLine, "expected a character code after \"#\"");
        std::uint32_t cp = 0;
        bool tooBig = false;
        while (IsDigit(Cur())) {
            cp = cp * 10 + static_cast<std::uint32_t>(Cur() - '0');
            if (cp > 0x10FFFF) {
                tooBig = true;
                cp = 0x110000;  // keeps the product from wrapping while the digits are skipped
            }
            ++FPos;
        }
        if (tooBig || (cp >= 0xD800 && cp <= 0xDFFF))
            Fail(FLine, "\"" + Echo(FText.substr(start, FPos - start)) + "\" is not a Unicode character");
        AppendUtf8(out, cp);
    }

    // Called with the "{" consumed; the lexer stands right after it.
    std::vector<std::uint8_t> ReadBinary(int line) {
        std::vector<std::uint8_t> bytes;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail(line, "binary data without the closing \"}\"");
            if (Cur() == '}') {
                ++FPos;
                break;
            }
            const std::size_t start = FPos;
            while (HexDigit(Cur()) >= 0) ++FPos;
            if (FPos == start) Fail(FLine, "invalid character in binary data");
            FLineStart = false;
            if ((FPos - start) % 2 != 0) Fail(FLine, "binary data with an odd number of hex digits");
            for (std::size_t i = start; i < FPos; i += 2)
                bytes.push_back(static_cast<std::uint8_t>(HexDigit(FText[i]) * 16 + HexDigit(FText[i + 1])));
        }
        FLineStart = false;
        FLastEndLine = FLine;
        return bytes;
    }

    // ---- grammar --------------------------------------------------------------------------------------------

    // "object" already consumed.
    TFormObject ParseObject(int line) {
        Enter(line);
        TFormObject obj;
        obj.Line = line;
        // The header "object Name: ClassName" stands on one line.
        TToken t = Next();
        if (t.Kind != TTokenKind::tkIdent || !IsPlainIdent(t.Text) || t.Line != line)
            Fail(line, "expected an object name");
        obj.Name = std::move(t.Text);
        t = Next();
        if (!t.Is(':') || t.Line != line) Fail(line, "expected \":\" after the object name");
        t = Next();
        if (t.Kind != TTokenKind::tkIdent || !IsPlainIdent(t.Text) || t.Line != line)
            Fail(line, "expected a class name");
        obj.ClassName = std::move(t.Text);
        ExpectLineBreak("unexpected text after the class name");
        for (;;) {
            const TToken& p = Peek();
            if (p.Kind == TTokenKind::tkEof) Fail(p.Line, "expected \"end\"");
            if (p.Kind != TTokenKind::tkIdent) Fail(p.Line, "expected a property name, \"object\" or \"end\"");
            if (p.Text == "end") {
                Next();
                ExpectLineBreak("unexpected text after \"end\"");
                break;
            }
            if (p.Text == "object") {
                const int childLine = Next().Line;
                obj.Children.push_back(ParseObject(childLine));
            } else {
                obj.Properties.push_back(ParseProperty());
            }
        }
        Leave();
        return obj;
    }

    TFormProperty ParseProperty() {
        TToken name = Next();
        TFormProperty prop;
        prop.Line = name.Line;
        FPath.push_back(name.Text);
        const TToken eq = Next();
        if (!eq.Is('=')) {
            if (name.Text == "inherited" || name.Text == "inline") {
                FPath.pop_back();
                Fail(name.Line, "unknown keyword \"" + name.Text + "\"");
            }
            Fail(name.Line, "expected \"=\" after the property name");
        }
        if (Peek().Line != eq.EndLine || Peek().Kind == TTokenKind::tkEof) Fail(eq.Line, "expected a value");
        prop.Value = ParseValue();
        ExpectLineBreak("unexpected text after the value");
        FPath.pop_back();
        prop.Name = std::move(name.Text);
        return prop;
    }

    TFormValue ParseValue() {
        TToken t = Next();
        TFormValue v;
        v.Line = t.Line;
        switch (t.Kind) {
            case TTokenKind::tkInteger:
                v.Kind = TFormValueKind::vkInteger;
                v.Integer = t.Integer;
                return v;
            case TTokenKind::tkFloat:
                v.Kind = TFormValueKind::vkFloat;
                v.Float = t.Float;
                return v;
            case TTokenKind::tkString:
                v.Kind = TFormValueKind::vkString;
                v.Text = std::move(t.Text);
                return v;
            case TTokenKind::tkIdent:
                if (!IsPlainIdent(t.Text)) Fail(t.Line, "invalid value \"" + Echo(t.Text) + "\"");
                v.Kind = TFormValueKind::vkIdent;
                v.Text = std::move(t.Text);
                return v;
            case TTokenKind::tkSymbol:
                switch (t.Symbol) {
                    case '[':
                        v.Kind = TFormValueKind::vkSet;
                        v.Set = ParseSet();
                        return v;
                    case '(':
                        v.Kind = TFormValueKind::vkList;
                        v.List = ParseList(t.Line);
                        return v;
                    case '<':
                        v.Kind = TFormValueKind::vkCollection;
                        v.Items = ParseCollection(t.Line);
                        return v;
                    case '{':
                        v.Kind = TFormValueKind::vkBinary;
                        v.Bytes = ReadBinary(t.Line);
                        return v;
                    default:
                        break;
                }
                break;
            case TTokenKind::tkEof:
                break;
        }
        Fail(t.Line, "expected a value");
    }

    // "[" consumed.
    std::vector<std::string> ParseSet() {
        std::vector<std::string> names;
        if (Peek().Is(']')) {
            Next();
            return names;
        }
        for (;;) {
            TToken t = Next();
            if (t.Kind != TTokenKind::tkIdent || !IsPlainIdent(t.Text)) Fail(t.Line, "expected a name in the set");
            names.push_back(std::move(t.Text));
            t = Next();
            if (t.Is(']')) return names;
            if (!t.Is(',')) Fail(t.Line, "expected \",\" or \"]\" in the set");
        }
    }

    // "(" consumed.
    std::vector<TFormValue> ParseList(int line) {
        Enter(line);
        std::vector<TFormValue> items;
        for (;;) {
            const TToken& t = Peek();
            if (t.Is(')')) {
                Next();
                break;
            }
            if (t.Kind == TTokenKind::tkEof) Fail(t.Line, "expected \")\"");
            items.push_back(ParseValue());
        }
        Leave();
        return items;
    }

    // "<" consumed.
    std::vector<std::vector<TFormProperty>> ParseCollection(int line) {
        Enter(line);
        std::vector<std::vector<TFormProperty>> items;
        const std::string base = FPath.back();
        for (;;) {
            const TToken t = Next();
            if (t.Is('>')) break;
            if (!t.IsWord("item")) Fail(t.Line, "expected \"item\" or \">\"");
            FPath.back() = base + "[" + std::to_string(items.size()) + "]";
            ExpectLineBreak("unexpected text after \"item\"");
            std::vector<TFormProperty> props;
            for (;;) {
                const TToken& p = Peek();
                if (p.Kind == TTokenKind::tkEof) Fail(p.Line, "expected \"end\"");
                if (p.Kind != TTokenKind::tkIdent) Fail(p.Line, "expected a property name or \"end\"");
                if (p.Text == "end") {
                    Next();
                    break;
                }
                if (p.Text == "object") Fail(p.Line, "a collection item holds properties, not objects");
                props.push_back(ParseProperty());
            }
            items.push_back(std::move(props));
            FPath.back() = base;
        }
        Leave();
        return items;
    }

    std::string_view FText;
    std::string_view FSource;
    std::size_t FPos = 0;
    int FLine = 1;
    bool FLineStart = true;  // only blanks since the last line break
    int FDepth = 0;
    int FLastEndLine = 0;
    TToken FToken;
    bool FHaveToken = false;
    std::vector<std::string> FPath;  // property names (with item indexes) for messages
};

// ---- writer -----------------------------------------------------------------------------------------------------

class TFormWriter {
public:
    explicit TFormWriter(std::string_view source) : FSource(source) {}

    std::string Write(const TFormObject& root) {
        WriteObject(root, 0, 0);
        return std::move(FOut);
    }

private:
    [[noreturn]] void Fail(std::string_view property, std::string_view what) const {
        throw EFormTextError(FormErrorText(FSource, 0, property, "cannot write: " + std::string(what)), 0,
                             std::string(property));
    }

    void Indent(int n) { FOut.append(static_cast<std::size_t>(n), ' '); }

    void CheckDepth(int depth, std::string_view property) const {
        if (depth > kMaxFormNesting)
            Fail(property, "nested deeper than " + std::to_string(kMaxFormNesting) + " levels");
    }

    void WriteObject(const TFormObject& obj, int indent, int depth) {
        CheckDepth(++depth, {});
        if (!IsPlainIdent(obj.Name)) Fail({}, "object name \"" + Echo(obj.Name) + "\" is not an identifier");
        if (!IsPlainIdent(obj.ClassName)) Fail({}, "class name \"" + Echo(obj.ClassName) + "\" is not an identifier");
        Indent(indent);
        FOut += "object ";
        FOut += obj.Name;
        FOut += ": ";
        FOut += obj.ClassName;
        FOut += '\n';
        for (const auto& p : obj.Properties) WriteProperty(p, indent + 2, depth);
        for (const auto& c : obj.Children) WriteObject(c, indent + 2, depth);
        Indent(indent);
        FOut += "end\n";
    }

    void WriteProperty(const TFormProperty& p, int indent, int depth) {
        // "object" and "end" open and close objects where a property name could stand.
        if (!IsDottedIdent(p.Name) || p.Name == "object" || p.Name == "end")
            Fail({}, "property name \"" + Echo(p.Name) + "\" cannot be written");
        Indent(indent);
        FOut += p.Name;
        FOut += " = ";
        WriteValue(p.Value, indent, depth, p.Name);
        FOut += '\n';
    }

    void WriteString(std::string_view s, std::string_view property) {
        if (!IsValidUtf8(s)) Fail(property, "the string is not valid UTF-8");
        if (s.empty()) {
            FOut += "''";
            return;
        }
        bool open = false;
        for (const char c : s) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x20 || b == 0x7F) {
                // Control characters as codes: a raw line break would end the line inside the quotes.
                if (open) FOut += '\'';
                open = false;
                FOut += '#';
                FOut += std::to_string(b);
                continue;
            }
            if (!open) FOut += '\'';
            open = true;
            FOut += c;
            if (c == '\'') FOut += '\'';
        }
        if (open) FOut += '\'';
    }

    void WriteFloat(double f, std::string_view property) {
        if (!std::isfinite(f)) Fail(property, "the number is not finite");
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, f);
        std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
        FOut += text;
        // The shortest form of 100.0 is "100", which would read back as an integer.
        if (text.find_first_of(".eE") == std::string_view::npos) FOut += ".0";
    }

    void WriteValue(const TFormValue& v, int indent, int depth, std::string_view property) {
        switch (v.Kind) {
            case TFormValueKind::vkInteger:
                FOut += std::to_string(v.Integer);
                return;
            case TFormValueKind::vkFloat:
                WriteFloat(v.Float, property);
                return;
            case TFormValueKind::vkString:
                WriteString(v.Text, property);
                return;
            case TFormValueKind::vkIdent:
                if (!IsPlainIdent(v.Text)) Fail(property, "\"" + Echo(v.Text) + "\" is not an identifier");
                FOut += v.Text;
                return;
            case TFormValueKind::vkSet:
                FOut += '[';
                for (std::size_t i = 0; i < v.Set.size(); ++i) {
                    if (!IsPlainIdent(v.Set[i]))
                        Fail(property, "set member \"" + Echo(v.Set[i]) + "\" is not an identifier");
                    if (i > 0) FOut += ", ";
                    FOut += v.Set[i];
                }
                FOut += ']';
                return;
            case TFormValueKind::vkList:
                CheckDepth(depth + 1, property);
                FOut += '(';
                for (const auto& item : v.List) {
                    FOut += '\n';
                    Indent(indent + 2);
                    WriteValue(item, indent + 2, depth + 1, property);
                }
                FOut += ')';
                return;
            case TFormValueKind::vkCollection:
                CheckDepth(depth + 1, property);
                FOut += '<';
                for (const auto& item : v.Items) {
                    FOut += '\n';
                    Indent(indent + 2);
                    FOut += "item\n";
                    for (const auto& p : item) WriteProperty(p, indent + 4, depth + 1);
                    Indent(indent + 2);
                    FOut += "end";
                }
                FOut += '>';
                return;
            case TFormValueKind::vkBinary: {
                static const char kHex[] = "0123456789ABCDEF";
                constexpr std::size_t kBytesPerLine = 32;  // 64 hex digits
                FOut += '{';
                for (std::size_t i = 0; i < v.Bytes.size(); ++i) {
                    if (i % kBytesPerLine == 0) {
                        FOut += '\n';
                        Indent(indent + 2);
                    }
                    FOut += kHex[v.Bytes[i] >> 4];
                    FOut += kHex[v.Bytes[i] & 15];
                }
                FOut += '}';
                return;
            }
        }
        Fail(property, "unknown value kind");
    }

    std::string_view FSource;
    std::string FOut;
};

}  // namespace

// ---- equality ---------------------------------------------------------------------------------------------------

bool operator==(const TFormValue& a, const TFormValue& b) noexcept {
    if (a.Kind != b.Kind) return false;
    switch (a.Kind) {
        case TFormValueKind::vkInteger:
            return a.Integer == b.Integer;
        case TFormValueKind::vkFloat:
            return std::bit_cast<std::uint64_t>(a.Float) == std::bit_cast<std::uint64_t>(b.Float);
        case TFormValueKind::vkString:
        case TFormValueKind::vkIdent:
            return a.Text == b.Text;
        case TFormValueKind::vkSet:
            return a.Set == b.Set;
        case TFormValueKind::vkList:
            return a.List == b.List;
        case TFormValueKind::vkCollection:
            return a.Items == b.Items;
        case TFormValueKind::vkBinary:
            return a.Bytes == b.Bytes;
    }
    return false;
}

bool operator==(const TFormProperty& a, const TFormProperty& b) noexcept {
    return a.Name == b.Name && a.Value == b.Value;
}

bool operator==(const TFormObject& a, const TFormObject& b) noexcept {
    return a.Name == b.Name && a.ClassName == b.ClassName && a.Properties == b.Properties && a.Children == b.Children;
}

std::string FormErrorText(std::string_view source, int line, std::string_view property, std::string_view what) {
    std::string text = source.empty() ? std::string("form description") : std::string(source);
    if (line > 0) text += ", line " + std::to_string(line);
    if (!property.empty()) {
        text += ", property \"";
        text += property;
        text += '"';
    }
    text += ": ";
    text += what;
    return text;
}

TFormObject ParseFormText(std::string_view text, std::string_view source) {
    return TFormParser(text, source).ParseRoot();
}

std::string WriteFormText(const TFormObject& root) { return TFormWriter(root.Name).Write(root); }

}  // namespace qd
