#include "framework/Properties.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace qd {

// ---- Errors and names -------------------------------------------------------------------------------------------

namespace {

std::string PropertyMessage(const std::string& reason, const std::string& property) {
    if (property.empty()) return reason;
    return "property \"" + property + "\": " + reason;
}

std::string_view ValueKindName(TFormValueKind kind) noexcept {
    switch (kind) {
        case TFormValueKind::vkInteger:
            return "an integer";
        case TFormValueKind::vkFloat:
            return "a number";
        case TFormValueKind::vkString:
            return "a string";
        case TFormValueKind::vkIdent:
            return "an identifier";
        case TFormValueKind::vkSet:
            return "a set";
        case TFormValueKind::vkList:
            return "a list";
        case TFormValueKind::vkCollection:
            return "a collection";
        case TFormValueKind::vkBinary:
            return "binary data";
    }
    return "an unknown value";
}

[[noreturn]] void KindMismatch(std::string_view expected, const TFormValue& v) {
    throw EPropertyError("expected " + std::string(expected) + ", found " + std::string(ValueKindName(v.Kind)));
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

EPropertyError::EPropertyError(std::string reason, std::string property, int line)
    : Exception(PropertyMessage(reason, property)),
      FReason(std::move(reason)),
      FProperty(std::move(property)),
      FLine(line) {}

std::string_view PropertyKindName(TPropertyKind kind) noexcept {
    switch (kind) {
        case TPropertyKind::pkInt:
            return "Int";
        case TPropertyKind::pkBool:
            return "Bool";
        case TPropertyKind::pkFloat:
            return "Float";
        case TPropertyKind::pkStr:
            return "Str";
        case TPropertyKind::pkWStr:
            return "WStr";
        case TPropertyKind::pkEnum:
            return "Enum";
        case TPropertyKind::pkSet:
            return "Set";
        case TPropertyKind::pkColor:
            return "Color";
        case TPropertyKind::pkCharset:
            return "Charset";
        case TPropertyKind::pkObject:
            return "Object";
        case TPropertyKind::pkEvent:
            return "Event";
        case TPropertyKind::pkBinary:
            return "Binary";
        case TPropertyKind::pkStrings:
            return "Strings";
        case TPropertyKind::pkCollection:
            return "Collection";
        case TPropertyKind::pkCustom:
            return "Custom";
        case TPropertyKind::pkComponent:
            return "Component";
    }
    return "?";
}

// ---- Identifier tables ------------------------------------------------------------------------------------------

TIdentTable::TIdentTable(std::initializer_list<const char*> names) {
    std::int64_t n = 0;
    for (const char* name : names) FEntries.emplace_back(name ? name : "", n++);
}

TIdentTable::TIdentTable(std::initializer_list<TIdentValue> values) {
    for (const TIdentValue& v : values) FEntries.emplace_back(v.Name ? v.Name : "", v.Value);
}

const std::int64_t* TIdentTable::Find(std::string_view name) const noexcept {
    for (const auto& entry : FEntries)
        if (SameTextAscii(entry.first, name)) return &entry.second;
    return nullptr;
}

std::string_view TIdentTable::NameOf(std::int64_t value) const noexcept {
    for (const auto& entry : FEntries)
        if (entry.second == value) return entry.first;
    return {};
}

const TIdentTable& CharsetIdents() {
    static const TIdentTable table{
        {"ANSI_CHARSET", 0},          {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
        {"MAC_CHARSET", 77},          {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
        {"HANGUL_CHARSET", 129},      {"JOHAB_CHARSET", 130},    {"GB2312_CHARSET", 134},
        {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},    {"TURKISH_CHARSET", 162},
        {"VIETNAMESE_CHARSET", 163},  {"HEBREW_CHARSET", 177},   {"ARABIC_CHARSET", 178},
        {"BALTIC_CHARSET", 186},      {"RUSSIAN_CHARSET", 204},  {"THAI_CHARSET", 222},
        {"EASTEUROPE_CHARSET", 238},  {"OEM_CHARSET", 255},
    };
    return table;
}

// ---- Colour names -----------------------------------------------------------------------------------------------

namespace {

struct TColorName {
    std::string_view Name;
    TColor Value;
};

// First name of a value wins when writing; the aliases come after the names they stand for.
constexpr std::array kColorNames{
    TColorName{"clBlack", clBlack},
    TColorName{"clMaroon", clMaroon},
    TColorName{"clGreen", clGreen},
    TColorName{"clOlive", clOlive},
    TColorName{"clNavy", clNavy},
    TColorName{"clPurple", clPurple},
    TColorName{"clTeal", clTeal},
    TColorName{"clGray", clGray},
    TColorName{"clSilver", clSilver},
    TColorName{"clRed", clRed},
    TColorName{"clLime", clLime},
    TColorName{"clYellow", clYellow},
    TColorName{"clBlue", clBlue},
    TColorName{"clFuchsia", clFuchsia},
    TColorName{"clAqua", clAqua},
    TColorName{"clWhite", clWhite},
    TColorName{"clMoneyGreen", clMoneyGreen},
    TColorName{"clSkyBlue", clSkyBlue},
    TColorName{"clCream", clCream},
    TColorName{"clMedGray", clMedGray},
    TColorName{"clNone", clNone},
    TColorName{"clDefault", clDefault},
    TColorName{"clScrollBar", clScrollBar},
    TColorName{"clBackground", clBackground},
    TColorName{"clActiveCaption", clActiveCaption},
    TColorName{"clInactiveCaption", clInactiveCaption},
    TColorName{"clMenu", clMenu},
    TColorName{"clWindow", clWindow},
    TColorName{"clWindowFrame", clWindowFrame},
    TColorName{"clMenuText", clMenuText},
    TColorName{"clWindowText", clWindowText},
    TColorName{"clCaptionText", clCaptionText},
    TColorName{"clActiveBorder", clActiveBorder},
    TColorName{"clInactiveBorder", clInactiveBorder},
    TColorName{"clAppWorkSpace", clAppWorkSpace},
    TColorName{"clHighlight", clHighlight},
    TColorName{"clHighlightText", clHighlightText},
    TColorName{"clBtnFace", clBtnFace},
    TColorName{"clBtnShadow", clBtnShadow},
    TColorName{"clGrayText", clGrayText},
    TColorName{"clBtnText", clBtnText},
    TColorName{"clInactiveCaptionText", clInactiveCaptionText},
    TColorName{"clBtnHighlight", clBtnHighlight},
    TColorName{"cl3DDkShadow", cl3DDkShadow},
    TColorName{"cl3DLight", cl3DLight},
    TColorName{"clInfoText", clInfoText},
    TColorName{"clInfoBk", clInfoBk},
    TColorName{"clHotLight", clHotLight},
    TColorName{"clGradientActiveCaption", clGradientActiveCaption},
    TColorName{"clGradientInactiveCaption", clGradientInactiveCaption},
    TColorName{"clMenuHighlight", clMenuHighlight},
    TColorName{"clMenuBar", clMenuBar},
    TColorName{"clLtGray", clLtGray},
    TColorName{"clDkGray", clDkGray},
};

}  // namespace

std::optional<TColor> IdentToColor(std::string_view ident) noexcept {
    for (const TColorName& c : kColorNames)
        if (SameTextAscii(c.Name, ident)) return c.Value;
    return std::nullopt;
}

std::string_view ColorToIdent(TColor color) noexcept {
    for (const TColorName& c : kColorNames)
        if (c.Value == color) return c.Name;
    return {};
}

// ---- Class information and registry -----------------------------------------------------------------------------

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent) : FName(std::move(name)), FParent(parent) {}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const noexcept {
    for (const TClassInfo* c = this; c; c = c->FParent)
        if (c == &other) return true;
    return false;
}

bool TClassInfo::InheritsFrom(std::string_view className) const noexcept {
    for (const TClassInfo* c = this; c; c = c->FParent)
        if (SameTextAscii(c->FName, className)) return true;
    return false;
}

namespace {
template <class V>
const typename V::value_type* FindInChain(const TClassInfo* info, V const& (TClassInfo::*list)() const noexcept,
                                          std::string_view name) noexcept {
    for (const TClassInfo* c = info; c; c = c->Parent())
        for (const auto& item : (c->*list)())
            if (SameTextAscii(item.Name, name)) return &item;
    return nullptr;
}
}  // namespace

const TPropertyInfo* TClassInfo::FindProperty(std::string_view name) const noexcept {
    return FindInChain(this, &TClassInfo::Properties, name);
}

const THandlerInfo* TClassInfo::FindHandler(std::string_view name) const noexcept {
    return FindInChain(this, &TClassInfo::Handlers, name);
}

const TFieldInfo* TClassInfo::FindField(std::string_view name) const noexcept {
    return FindInChain(this, &TClassInfo::Fields, name);
}

TComponent* TClassInfo::Create(TComponent* owner) const {
    if (!FFactory) throw EInvalidOperation("class " + FName + " cannot be created from a stored description");
    return FFactory(owner);
}

namespace {
std::vector<const TClassInfo*>& Registry() {
    static std::vector<const TClassInfo*> classes;
    return classes;
}
}  // namespace

void RegisterClassInfo(const TClassInfo& info) {
    for (const TClassInfo* c : Registry()) {
        if (!SameTextAscii(c->Name(), info.Name())) continue;
        if (c == &info) return;
        throw EInvalidOperation("another class named " + info.Name() + " is already registered");
    }
    Registry().push_back(&info);
}

void RegisterClassInfos(std::initializer_list<const TClassInfo*> infos) {
    for (const TClassInfo* info : infos)
        if (info) RegisterClassInfo(*info);
}

void UnregisterClassInfo(const TClassInfo& info) noexcept {
    auto& classes = Registry();
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (*it == &info) {
            classes.erase(it);
            return;
        }
    }
}

const TClassInfo* FindClass(std::string_view name) noexcept {
    for (const TClassInfo* c : Registry())
        if (SameTextAscii(c->Name(), name)) return c;
    return nullptr;
}

// ---- Property paths ---------------------------------------------------------------------------------------------

namespace {

struct TResolved {
    TPersistent* Object;
    const TPropertyInfo* Property;
};

struct TPathPart {
    std::string_view Name;
    int Index = -1;  // -1: no [index]
};

TPathPart ParsePart(std::string_view part) {
    TPathPart result;
    const std::size_t open = part.find('[');
    result.Name = part.substr(0, open);
    if (result.Name.empty()) throw EPropertyError("the property name is empty");
    if (open == std::string_view::npos) return result;
    if (part.back() != ']') throw EPropertyError("malformed item index in " + Quoted(part));
    const std::string_view digits = part.substr(open + 1, part.size() - open - 2);
    int index = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || index < 0)
        throw EPropertyError("malformed item index in " + Quoted(part));
    result.Index = index;
    return result;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = path.find('.', start);
        parts.push_back(path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts;
}

TResolved Resolve(TPersistent& start, std::string_view path) {
    const std::vector<std::string_view> parts = SplitPath(path);
    TPersistent* obj = &start;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const TPathPart part = ParsePart(parts[i]);
        const TPropertyInfo* prop = obj->ClassInfo().FindProperty(part.Name);
        if (!prop) throw EPropertyError("class " + obj->ClassName() + " has no property " + Quoted(part.Name));
        const bool last = i + 1 == parts.size();
        if (part.Index >= 0) {
            if (prop->Kind != TPropertyKind::pkCollection || !prop->Item || !prop->ItemCount)
                throw EPropertyError(Quoted(part.Name) + " has no items to index");
            if (last) throw EPropertyError(Quoted(parts[i]) + " is an item: name one of its properties");
            const int count = prop->ItemCount(*obj);
            if (part.Index >= count)
                throw EPropertyError("item index " + std::to_string(part.Index) + " is out of range (" +
                                     std::to_string(count) + " items)");
            obj = prop->Item(*obj, part.Index);
            if (!obj) throw EPropertyError("item " + std::to_string(part.Index) + " is not assigned");
            continue;
        }
        if (last) return {obj, prop};
        // "Lines.Strings" names the list itself: the stored form of a string list property.
        if (prop->Kind == TPropertyKind::pkStrings && i + 2 == parts.size() && SameTextAscii(parts[i + 1], "Strings"))
            return {obj, prop};
        if (prop->Kind != TPropertyKind::pkObject)
            throw EPropertyError(Quoted(part.Name) + " is not an object with properties of its own");
        TPersistent* sub = prop->Object(*obj);
        if (!sub) throw EPropertyError(Quoted(part.Name) + " is not assigned");
        obj = sub;
    }
    throw EPropertyError("the property name is empty");  // not reached: SplitPath yields at least one part
}

// `inner` (a path relative to the property `outer`: "Alignment", "[1].Width" or "") seen from outer's object.
std::string JoinPath(std::string_view outer, const std::string& inner) {
    if (outer.empty()) return inner;
    std::string full(outer);
    if (!inner.empty()) full += (inner[0] == '[' ? "" : ".") + inner;
    return full;
}

// Fixups queued while a property was applied get the property's path (and line, where they have none).
void NameNewFixups(const TApplyContext& context, std::size_t from, std::string_view path, int line) {
    if (!context.Fixups) return;
    for (std::size_t i = from; i < context.Fixups->size(); ++i) {
        TFixup& f = (*context.Fixups)[i];
        f.Property = JoinPath(path, f.Property);
        if (f.Line <= 0) f.Line = line;
    }
}

// Re-raises a fault from inside a property as an EPropertyError naming the whole path.
[[noreturn]] void RethrowWithin(std::string_view path, int line) {
    try {
        throw;
    } catch (const EPropertyError& e) {
        throw EPropertyError(e.Reason(), JoinPath(path, e.Property()), e.Line() > 0 ? e.Line() : line);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw EPropertyError(e.what(), std::string(path), line);
    }
}

}  // namespace

void SetPropertyValue(TPersistent& obj, std::string_view path, const TFormValue& value, const TApplyContext& context) {
    const std::size_t fixupsBefore = context.Fixups ? context.Fixups->size() : 0;
    try {
        const TResolved r = Resolve(obj, path);
        if (r.Property->Kind == TPropertyKind::pkObject)
            throw EPropertyError("an object property takes no value: set its properties (" + std::string(path) +
                                 ".Name = ...)");
        if (!r.Property->Set) throw EPropertyError("the property is read-only");
        r.Property->Set(*r.Object, value, context);
    } catch (...) {
        RethrowWithin(path, value.Line);
    }
    NameNewFixups(context, fixupsBefore, path, value.Line);
}

void SetPropertyText(TPersistent& obj, std::string_view path, std::string_view valueText,
                     const TApplyContext& context) {
    TFormObject tree;
    try {
        std::string text = "object Value: TValue\n  Value = ";
        text.append(valueText);
        text += "\nend\n";
        tree = ParseFormText(text, "value");
    } catch (const EFormTextError& e) {
        throw EPropertyError("malformed value: " + e.Message(), std::string(path));
    }
    if (tree.Properties.size() != 1 || !tree.Children.empty())
        throw EPropertyError("malformed value", std::string(path));
    TFormValue value = tree.Properties.front().Value;
    value.Line = 0;
    SetPropertyValue(obj, path, value, context);
}

void ApplyProperties(TPersistent& obj, const std::vector<TFormProperty>& properties, const TApplyContext& context) {
    for (const TFormProperty& p : properties) {
        const std::size_t fixupsBefore = context.Fixups ? context.Fixups->size() : 0;
        try {
            SetPropertyValue(obj, p.Name, p.Value, context);
        } catch (const EPropertyError& e) {
            if (e.Line() > 0 || p.Line <= 0) throw;
            throw EPropertyError(e.Reason(), e.Property(), p.Line);
        }
        NameNewFixups(context, fixupsBefore, {}, p.Line);
    }
}

TFormValue GetPropertyValue(TPersistent& obj, std::string_view path) {
    try {
        const TResolved r = Resolve(obj, path);
        if (r.Property->Kind == TPropertyKind::pkObject)
            throw EPropertyError("an object property has no value of its own: read its properties");
        if (!r.Property->Get) throw EPropertyError("the property cannot be read");
        return r.Property->Get(*r.Object);
    } catch (...) {
        RethrowWithin(path, 0);
    }
}

namespace {

void AppendHex(std::string& out, const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
}

std::string FloatText(double value) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec != std::errc()) return "?";
    return std::string(buffer.data(), end);
}

std::string ValueText(const TFormValue& v) {
    switch (v.Kind) {
        case TFormValueKind::vkInteger:
            return std::to_string(v.Integer);
        case TFormValueKind::vkFloat:
            return FloatText(v.Float);
        case TFormValueKind::vkString:
        case TFormValueKind::vkIdent:
            return v.Text;
        case TFormValueKind::vkSet: {
            std::string out = "[";
            for (std::size_t i = 0; i < v.Set.size(); ++i) out += (i ? ", " : "") + v.Set[i];
            return out + "]";
        }
        case TFormValueKind::vkList: {
            std::string out;
            for (std::size_t i = 0; i < v.List.size(); ++i) out += (i ? "\n" : "") + ValueText(v.List[i]);
            return out;
        }
        case TFormValueKind::vkCollection:
            return "<" + std::to_string(v.Items.size()) + " items>";
        case TFormValueKind::vkBinary: {
            std::string out;
            AppendHex(out, v.Bytes);
            return out;
        }
    }
    return {};
}

constexpr int kMaxObjectDepth = 16;  // sub-objects within sub-objects; guards against a property cycle

void CollectPublished(TPersistent& obj, const std::string& prefix, int depth, std::vector<TFormProperty>& out) {
    if (depth > kMaxObjectDepth) throw EPropertyError("sub-objects nest too deeply", prefix);
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = &obj.ClassInfo(); c; c = c->Parent()) chain.push_back(c);
    const TClassInfo& own = obj.ClassInfo();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const TPropertyInfo& p : (*it)->Properties()) {
            if (own.FindProperty(p.Name) != &p) continue;  // redeclared by a derived class: listed there
            const std::string name = prefix + p.Name;
            if (p.Kind == TPropertyKind::pkObject) {
                if (TPersistent* sub = p.Object(obj)) CollectPublished(*sub, name + ".", depth + 1, out);
            } else if (p.Get && p.Set) {
                TFormProperty fp;
                fp.Name = name;
                fp.Value = p.Get(obj);
                // An unbound event or an empty reference is no value at all.
                if ((p.Kind == TPropertyKind::pkEvent || p.Kind == TPropertyKind::pkComponent) && fp.Value.Text.empty())
                    continue;
                out.push_back(std::move(fp));
            }
        }
    }
}

}  // namespace

std::string GetPropertyText(TPersistent& obj, std::string_view path) { return ValueText(GetPropertyValue(obj, path)); }

std::vector<TFormProperty> GetPublishedValues(TPersistent& obj) {
    std::vector<TFormProperty> out;
    CollectPublished(obj, "", 0, out);
    return out;
}

// ---- Decoders and encoders --------------------------------------------------------------------------------------

namespace detail {

void ExpectKind(const TFormValue& v, TFormValueKind kind) {
    if (v.Kind != kind) KindMismatch(ValueKindName(kind), v);
}

std::int64_t DecodeInteger(const TFormValue& v, std::int64_t min, std::int64_t max) {
    ExpectKind(v, TFormValueKind::vkInteger);
    if (v.Integer < min || v.Integer > max)
        throw EPropertyError("value " + std::to_string(v.Integer) + " is out of range " + std::to_string(min) + ".." +
                             std::to_string(max));
    return v.Integer;
}

bool DecodeBool(const TFormValue& v) {
    if (v.Kind != TFormValueKind::vkIdent) KindMismatch("True or False", v);
    if (SameTextAscii(v.Text, "True")) return true;
    if (SameTextAscii(v.Text, "False")) return false;
    throw EPropertyError("expected True or False, found " + Quoted(v.Text));
}

double DecodeFloat(const TFormValue& v, double min, double max) {
    double value = 0;
    if (v.Kind == TFormValueKind::vkFloat)
        value = v.Float;
    else if (v.Kind == TFormValueKind::vkInteger)
        value = static_cast<double>(v.Integer);
    else
        KindMismatch("a number", v);
    if (!std::isfinite(value) || value < min || value > max)
        throw EPropertyError("value " + FloatText(value) + " is out of range");
    return value;
}

std::string DecodeString(const TFormValue& v) {
    ExpectKind(v, TFormValueKind::vkString);
    return v.Text;
}

std::wstring DecodeWideString(const TFormValue& v) {
    const std::string text = DecodeString(v);
    if (!IsValidUtf8(text)) throw EPropertyError("the string is not valid UTF-8");
    return Utf8ToWide(text);
}

namespace {
std::string Choices(const TIdentTable& table) {
    constexpr std::size_t kMaxListed = 12;
    std::string out;
    const auto& entries = table.Entries();
    for (std::size_t i = 0; i < entries.size() && i < kMaxListed; ++i) out += (i ? ", " : "") + entries[i].first;
    if (entries.size() > kMaxListed) out += ", ...";
    return out;
}
}  // namespace

std::int64_t DecodeIdent(const TFormValue& v, const TIdentTable& table) {
    if (v.Kind != TFormValueKind::vkIdent) KindMismatch("an identifier (" + Choices(table) + ")", v);
    if (const std::int64_t* value = table.Find(v.Text)) return *value;
    throw EPropertyError("unknown value " + Quoted(v.Text) + " (expected one of " + Choices(table) + ")");
}

std::uint64_t DecodeSet(const TFormValue& v, const TIdentTable& table) {
    ExpectKind(v, TFormValueKind::vkSet);
    std::uint64_t mask = 0;
    for (const std::string& member : v.Set) {
        const std::int64_t* bit = table.Find(member);
        if (!bit) throw EPropertyError("unknown set member " + Quoted(member) + " (expected " + Choices(table) + ")");
        if (*bit < 0 || *bit > 63) throw EPropertyError("set member " + Quoted(member) + " does not fit the mask");
        mask |= std::uint64_t{1} << *bit;
    }
    return mask;
}

TColor DecodeColor(const TFormValue& v) {
    if (v.Kind == TFormValueKind::vkIdent) {
        if (auto c = IdentToColor(v.Text)) return *c;
        throw EPropertyError("unknown colour " + Quoted(v.Text));
    }
    if (v.Kind != TFormValueKind::vkInteger) KindMismatch("a colour (a number or a clXxx name)", v);
    // Negative numbers are the signed spelling of the same 32 bits (system colours are stored so).
    constexpr std::int64_t kMin = -(std::int64_t{1} << 31);
    constexpr std::int64_t kMax = (std::int64_t{1} << 32) - 1;
    if (v.Integer < kMin || v.Integer > kMax)
        throw EPropertyError("colour value " + std::to_string(v.Integer) + " does not fit 32 bits");
    return static_cast<TColor>(static_cast<std::uint32_t>(v.Integer & 0xFFFFFFFF));
}

std::vector<std::uint8_t> DecodeBinary(const TFormValue& v) {
    ExpectKind(v, TFormValueKind::vkBinary);
    return v.Bytes;
}

std::vector<std::string> DecodeStrings(const TFormValue& v) {
    ExpectKind(v, TFormValueKind::vkList);
    std::vector<std::string> lines;
    lines.reserve(v.List.size());
    for (std::size_t i = 0; i < v.List.size(); ++i) {
        if (v.List[i].Kind != TFormValueKind::vkString)
            throw EPropertyError("list item " + std::to_string(i) + " is " +
                                 std::string(ValueKindName(v.List[i].Kind)) + ", not a string");
        lines.push_back(v.List[i].Text);
    }
    return lines;
}

const THandlerInfo& FindEventHandler(const TFormValue& v, const TApplyContext& context,
                                     const std::type_info& eventType) {
    if (v.Kind != TFormValueKind::vkIdent) KindMismatch("a handler name", v);
    if (!context.Root) throw EPropertyError("events are bound to handler methods only while a form is read");
    const TClassInfo& rootClass = context.Root->ClassInfo();
    const THandlerInfo* handler = rootClass.FindHandler(v.Text);
    if (!handler) throw EPropertyError("class " + rootClass.Name() + " has no handler method " + Quoted(v.Text));
    if (!handler->EventType || *handler->EventType != eventType)
        throw EPropertyError("handler method " + Quoted(v.Text) + " of " + rootClass.Name() +
                             " has the wrong parameters for this event");
    return *handler;
}

TComponent* FindReferencedComponent(const std::string& name, TPersistent* root) {
    if (SameTextAscii(name, "nil")) return nullptr;
    auto* owner = dynamic_cast<TComponent*>(root);
    if (!owner) throw EPropertyError("components are referred to by name only while a form is read");
    if (!name.empty() && SameTextAscii(owner->Name(), name)) return owner;
    if (TComponent* found = owner->FindComponent(name)) return found;
    throw EPropertyError("there is no component named " + Quoted(name));
}

void ResolveOrDefer(const TApplyContext& context, int line, std::function<void()> resolve) {
    if (context.Fixups)
        context.Fixups->push_back(TFixup{std::move(resolve), {}, line});
    else
        resolve();
}

void ApplyCollection(const TFormValue& v, const TApplyContext& context, const std::function<TPersistent*()>& addItem) {
    ExpectKind(v, TFormValueKind::vkCollection);
    for (std::size_t i = 0; i < v.Items.size(); ++i) {
        const std::string prefix = "[" + std::to_string(i) + "]";
        TPersistent* item = addItem ? addItem() : nullptr;
        if (!item) throw EPropertyError("item " + std::to_string(i) + " could not be created");
        const std::size_t fixupsBefore = context.Fixups ? context.Fixups->size() : 0;
        try {
            ApplyProperties(*item, v.Items[i], context);
        } catch (const EPropertyError& e) {
            throw EPropertyError(e.Reason(), JoinPath(prefix, e.Property()), e.Line());
        }
        NameNewFixups(context, fixupsBefore, prefix, 0);
    }
}

namespace {
TFormValue Make(TFormValueKind kind) {
    TFormValue v;
    v.Kind = kind;
    return v;
}
}  // namespace

TFormValue EncodeInteger(std::int64_t value) {
    TFormValue v = Make(TFormValueKind::vkInteger);
    v.Integer = value;
    return v;
}

TFormValue EncodeBool(bool value) { return EncodeIdent(value ? "True" : "False"); }

TFormValue EncodeFloat(double value) {
    TFormValue v = Make(TFormValueKind::vkFloat);
    v.Float = value;
    return v;
}

TFormValue EncodeString(std::string value) {
    TFormValue v = Make(TFormValueKind::vkString);
    v.Text = std::move(value);
    return v;
}

TFormValue EncodeWideString(std::wstring_view value) { return EncodeString(WideToUtf8(value)); }

TFormValue EncodeIdent(std::string value) {
    TFormValue v = Make(TFormValueKind::vkIdent);
    v.Text = std::move(value);
    return v;
}

TFormValue EncodeEnum(const TIdentTable& table, std::int64_t value) {
    const std::string_view name = table.NameOf(value);
    return name.empty() ? EncodeInteger(value) : EncodeIdent(std::string(name));
}

TFormValue EncodeSet(const TIdentTable& table, std::uint64_t mask) {
    TFormValue v = Make(TFormValueKind::vkSet);
    for (const auto& [name, bit] : table.Entries()) {
        if (bit < 0 || bit > 63 || !(mask & (std::uint64_t{1} << bit))) continue;
        if (table.NameOf(bit) != name) continue;  // an alias: the first name is written
        v.Set.push_back(name);
    }
    return v;
}

TFormValue EncodeColor(TColor value) {
    const std::string_view name = ColorToIdent(value);
    return name.empty() ? EncodeInteger(value) : EncodeIdent(std::string(name));
}

TFormValue EncodeCharset(std::int64_t value) { return EncodeEnum(CharsetIdents(), value); }

TFormValue EncodeBinary(std::vector<std::uint8_t> bytes) {
    TFormValue v = Make(TFormValueKind::vkBinary);
    v.Bytes = std::move(bytes);
    return v;
}

TFormValue EncodeStrings(std::vector<std::string> lines) {
    TFormValue v = Make(TFormValueKind::vkList);
    for (std::string& line : lines) v.List.push_back(EncodeString(std::move(line)));
    return v;
}

TFormValue EncodeCollection(const std::vector<TPersistent*>& items) {
    TFormValue v = Make(TFormValueKind::vkCollection);
    for (TPersistent* item : items) v.Items.push_back(item ? GetPublishedValues(*item) : std::vector<TFormProperty>{});
    return v;
}

}  // namespace detail

}  // namespace qd
