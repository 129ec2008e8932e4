#pragma once
// Published properties: run-time access to the typed properties of persistent objects by name.
//
// Every persistent class describes itself once, in a function-local static TClassInfo built with TClassBuilder:
//
//   const TClassInfo& TFont::StaticClassInfo() {
//     static const TClassInfo info = TClassBuilder<TFont>("TFont", &TPersistent::StaticClassInfo())
//       .Int("Height", &TFont::Height, &TFont::SetHeight)
//       .WStr("Name", &TFont::Name, &TFont::SetName)
//       .Charset("Charset", &TFont::Charset, &TFont::SetCharset)
//       .Color("Color", &TFont::Color, &TFont::SetColor)
//       .Set("Style", &TFont::Style, &TFont::SetStyle, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
//     return info;
//   }
//
// and overrides `ClassInfo()` to return it (QD_CLASS_INFO in framework/Component.h declares both). A class whose
// objects are created from stored descriptions is registered once with RegisterClassInfo before the first form
// is read.
//
// Accessors: a getter is anything std::invoke can call with `C&` (a const or non-const member function, a data
// member pointer, a lambda); a setter is anything callable with `(C&, value)`. The setter may be left out: with a
// data member pointer as getter the member is assigned directly, otherwise the property is read-only (setting it
// is an error).
//
// Value kinds accepted per property kind (anything else is an EPropertyError naming the property):
//   Int      integer, range-checked into the member's type
//   Bool     True / False (ASCII case folded)
//   Float    number or integer
//   Str      string (UTF-8 std::string);  WStr: string converted to std::wstring (UTF-16 on Windows)
//   Enum     identifier from the table;   Set: [identifiers from the table] -> bit mask, table position = bit
//   Color    integer (-2^31 .. 2^32-1) or colour identifier (framework/Colors.h)
//   Charset  integer 0..255 or ANSI_CHARSET, DEFAULT_CHARSET, GB2312_CHARSET, ...
//   Object   not settable itself: "Font.Height" walks into the sub-object
//   Event    identifier naming a handler method of the root object whose signature is the event's type
//   Binary   { hex }  -> std::vector<std::uint8_t>
//   Strings  ( 'line' 'line' ... ) -> TStringList or std::vector<std::string>; "X.Strings" names X as well
//   Collection  < item ... end > : cleared, then one item object per item with its properties applied
//   Custom   the raw TFormValue, for stored forms of a class's own (a counted byte block, ...)
//   Component  identifier naming a component of the root (or the root itself), or nil; while a description is
//            read the reference is resolved after every component was created, so it may name a later one.
//            The class holding the pointer clears it in its Notification when the component goes.
// Names of properties, handlers and fields are compared with ASCII case folding; lookups walk the class chain,
// the derived class first.
//
// Portable: no platform headers.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "framework/Classes.h"
#include "framework/Colors.h"
#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/FormText.h"

namespace qd {

// A property could not be set or read. Reason() is the bare fault ("value 300 is out of range 0..255"),
// Property() the property path it concerns relative to the object it was applied to ("Font.Charset",
// "Panels[1].Alignment"), Line() the line of the offending value in a stored description (0 when unknown).
class EPropertyError : public Exception {
public:
    EPropertyError(std::string reason, std::string property = {}, int line = 0);
    const std::string& Reason() const noexcept { return FReason; }
    const std::string& Property() const noexcept { return FProperty; }
    int Line() const noexcept { return FLine; }

private:
    std::string FReason;
    std::string FProperty;
    int FLine;
};

enum class TPropertyKind {
    pkInt,
    pkBool,
    pkFloat,
    pkStr,
    pkWStr,
    pkEnum,
    pkSet,
    pkColor,
    pkCharset,
    pkObject,
    pkEvent,
    pkBinary,
    pkStrings,
    pkCollection,
    pkCustom,
    pkComponent,
};
std::string_view PropertyKindName(TPropertyKind kind) noexcept;

// One identifier of an enumeration or set table with its value (enumerations) or bit number (sets).
struct TIdentValue {
    const char* Name;
    std::int64_t Value;
};

// Identifier table of an Enum or Set property. A plain list of names numbers them 0, 1, 2, ... in order.
class TIdentTable {
public:
    TIdentTable(std::initializer_list<const char*> names);
    TIdentTable(std::initializer_list<TIdentValue> values);
    // Value of a name (ASCII case folded), or null.
    const std::int64_t* Find(std::string_view name) const noexcept;
    // First name of a value, or an empty view.
    std::string_view NameOf(std::int64_t value) const noexcept;
    const std::vector<std::pair<std::string, std::int64_t>>& Entries() const noexcept { return FEntries; }

private:
    std::vector<std::pair<std::string, std::int64_t>> FEntries;
};

// Character sets by their platform names (ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, GB2312_CHARSET = 134, ...).
const TIdentTable& CharsetIdents();

// A component reference waiting for the rest of the description: Resolve raises EPropertyError when the name
// does not fit. Property and Line say where it was given.
struct TFixup {
    std::function<void()> Resolve;
    std::string Property;
    int Line = 0;
};

// While properties are applied: the root object of the stored description, whose handler methods events bind to
// and whose components references name (null outside a description: setting an event is then an error), and
// where component references wait until all components exist (null: they are resolved at once).
struct TApplyContext {
    TPersistent* Root = nullptr;
    std::vector<TFixup>* Fixups = nullptr;
};

struct TPropertyInfo {
    std::string Name;
    TPropertyKind Kind = TPropertyKind::pkInt;
    // Applies a value; empty for read-only properties and for pkObject.
    std::function<void(TPersistent& obj, const TFormValue& value, const TApplyContext& context)> Set;
    // Reads the value back in the form a stored description would hold it; empty when there is no getter.
    std::function<TFormValue(TPersistent& obj)> Get;
    // pkObject: the sub-object (may be null).
    std::function<TPersistent*(TPersistent& obj)> Object;
    // pkCollection, when the class gives item access: number of items and item i.
    std::function<int(TPersistent& obj)> ItemCount;
    std::function<TPersistent*(TPersistent& obj, int index)> Item;
};

// A method of a root class that events can be bound to by its name.
struct THandlerInfo {
    std::string Name;
    const std::type_info* EventType = nullptr;  // the std::function type of the events it fits
    // Stores a call of this handler on `root` into *event, which is a std::function of type *EventType.
    std::function<void(TPersistent& root, void* event)> Bind;
};

// A published component field of a root class, set when the stored description creates the component of that
// name.
struct TFieldInfo {
    std::string Name;
    std::string ClassName;  // the field's class, for messages
    // Stores `component` in the field of `root`; false when the component is not of the field's class.
    std::function<bool(TPersistent& root, TComponent* component)> Bind;
};

using TComponentFactory = TComponent* (*)(TComponent* owner);

class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* parent);

    const std::string& Name() const noexcept { return FName; }
    const TClassInfo* Parent() const noexcept { return FParent; }
    // True when this class is `other` or derives from it.
    bool InheritsFrom(const TClassInfo& other) const noexcept;
    // The same by class name (ASCII case folded).
    bool InheritsFrom(std::string_view className) const noexcept;

    // The class's own declarations, in declaration order.
    const std::vector<TPropertyInfo>& Properties() const noexcept { return FProperties; }
    const std::vector<THandlerInfo>& Handlers() const noexcept { return FHandlers; }
    const std::vector<TFieldInfo>& Fields() const noexcept { return FFields; }

    // Lookups through the class chain, derived class first; null when nothing matches.
    const TPropertyInfo* FindProperty(std::string_view name) const noexcept;
    const THandlerInfo* FindHandler(std::string_view name) const noexcept;
    const TFieldInfo* FindField(std::string_view name) const noexcept;

    bool IsCreatable() const noexcept { return FFactory != nullptr; }
    // Creates an object of this class owned by `owner`; raises EInvalidOperation when the class is not creatable.
    TComponent* Create(TComponent* owner) const;

private:
    template <class C>
    friend class TClassBuilder;

    std::string FName;
    const TClassInfo* FParent;
    std::vector<TPropertyInfo> FProperties;
    std::vector<THandlerInfo> FHandlers;
    std::vector<TFieldInfo> FFields;
    TComponentFactory FFactory = nullptr;
};

// Class registry: the classes a stored description may name. Registering the same info again does nothing;
// another info under a registered name raises EInvalidOperation. `info` must outlive the registration.
// Platform quirk: not called RegisterClass, which <windows.h> defines as a macro (RegisterClassW).
void RegisterClassInfo(const TClassInfo& info);
void RegisterClassInfos(std::initializer_list<const TClassInfo*> infos);
void UnregisterClassInfo(const TClassInfo& info) noexcept;
const TClassInfo* FindClass(std::string_view name) noexcept;  // ASCII case folded

// Access by property path: dotted names walk into sub-objects ("Font.Height"), "Name[i]" picks item i of a
// collection ("Panels[1].Text"). Raise EPropertyError.
void SetPropertyValue(TPersistent& obj, std::string_view path, const TFormValue& value,
                      const TApplyContext& context = {});
// Parses `valueText` as a stored description's value ("-13", "clBtnFace", "[fsBold]", "'text'") and sets it.
void SetPropertyText(TPersistent& obj, std::string_view path, std::string_view valueText,
                     const TApplyContext& context = {});
// Applies properties in order; the first failure raises EPropertyError with its property path and line.
void ApplyProperties(TPersistent& obj, const std::vector<TFormProperty>& properties, const TApplyContext& context = {});
TFormValue GetPropertyValue(TPersistent& obj, std::string_view path);
// The value as text: integers in decimal, strings and identifiers as they are, sets as "[a, b]", lists one line
// each (LF), binary data as hex, floats in shortest round-trip form, collections as "<n items>".
std::string GetPropertyText(TPersistent& obj, std::string_view path);
// Every property of `obj` that can be both read and set (base class first, sub-objects flattened to
// "Font.Height", unbound events left out), as a stored description would list them.
std::vector<TFormProperty> GetPublishedValues(TPersistent& obj);

// Name of the handler an event was bound to by a stored description, or "" (unbound, or set in code).
template <class R, class... A>
std::string EventHandlerName(const std::function<R(A...)>& event);

namespace detail {

// The object as the class that declared the property; EPropertyError when it is not one.
template <class C>
C& CastTo(TPersistent& obj, const std::string& className) {
    if (auto* c = dynamic_cast<C*>(&obj)) return *c;
    throw EPropertyError("object of class " + obj.ClassName() + " is not a " + className);
}

// The object a getter's result refers to: the result itself or what it points at. Only for results that refer to
// an object that outlives the call (a reference or a pointer).
template <class T>
auto* AsPointer(T&& value) {
    if constexpr (std::is_pointer_v<std::remove_cvref_t<T>>) {
        return value;
    } else {
        static_assert(std::is_lvalue_reference_v<T&&>, "the getter must return a reference or a pointer");
        return &value;
    }
}

template <class G, class C>
using GetterValue = std::remove_cvref_t<std::invoke_result_t<G&, C&>>;

template <class T>
struct StdFunctionTraits : std::false_type {};
template <class R, class... A>
struct StdFunctionTraits<std::function<R(A...)>> : std::true_type {
    using Signature = R(A...);
};

// What a stored description binds into an event: the handler's name travels with the call, so the binding can be
// read back.
template <class Sig>
struct TBoundHandler;
template <class R, class... A>
struct TBoundHandler<R(A...)> {
    std::string Name;
    std::function<R(A...)> Call;
    R operator()(A... args) const { return Call(std::forward<A>(args)...); }
};

// Raises EPropertyError ("expected a string, found an integer") unless the value is of that kind.
void ExpectKind(const TFormValue& v, TFormValueKind kind);
// Value decoders: raise EPropertyError with the reason only (the caller adds the property and line).
std::int64_t DecodeInteger(const TFormValue& v, std::int64_t min, std::int64_t max);
bool DecodeBool(const TFormValue& v);
double DecodeFloat(const TFormValue& v, double min, double max);
std::string DecodeString(const TFormValue& v);
std::wstring DecodeWideString(const TFormValue& v);
std::int64_t DecodeIdent(const TFormValue& v, const TIdentTable& table);
std::uint64_t DecodeSet(const TFormValue& v, const TIdentTable& table);
TColor DecodeColor(const TFormValue& v);
std::vector<std::uint8_t> DecodeBinary(const TFormValue& v);
std::vector<std::string> DecodeStrings(const TFormValue& v);
const THandlerInfo& FindEventHandler(const TFormValue& v, const TApplyContext& context,
                                     const std::type_info& eventType);
// The component a reference value names among the root's components (or the root); null for nil.
TComponent* FindReferencedComponent(const std::string& name, TPersistent* root);
// Queues `resolve` in the context's fixups, or runs it now when there are none.
void ResolveOrDefer(const TApplyContext& context, int line, std::function<void()> resolve);
// Creates the items of a collection value through `addItem` and applies their properties; faults name
// "[i].Property" relative to the collection.
void ApplyCollection(const TFormValue& v, const TApplyContext& context, const std::function<TPersistent*()>& addItem);

TFormValue EncodeInteger(std::int64_t value);
TFormValue EncodeBool(bool value);
TFormValue EncodeFloat(double value);
TFormValue EncodeString(std::string value);
TFormValue EncodeWideString(std::wstring_view value);
TFormValue EncodeIdent(std::string value);
TFormValue EncodeEnum(const TIdentTable& table, std::int64_t value);
TFormValue EncodeSet(const TIdentTable& table, std::uint64_t mask);
TFormValue EncodeColor(TColor value);
TFormValue EncodeCharset(std::int64_t value);
TFormValue EncodeBinary(std::vector<std::uint8_t> bytes);
TFormValue EncodeStrings(std::vector<std::string> lines);
// Items with their readable properties (GetPublishedValues); null items stay empty.
TFormValue EncodeCollection(const std::vector<TPersistent*>& items);

template <class T>
constexpr std::int64_t MinOf() {
    return static_cast<std::int64_t>(std::numeric_limits<T>::min());
}
template <class T>
constexpr std::int64_t MaxOf() {
    if constexpr (std::numeric_limits<T>::max() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::numeric_limits<std::int64_t>::max();
    else
        return static_cast<std::int64_t>(std::numeric_limits<T>::max());
}

}  // namespace detail

template <class R, class... A>
std::string EventHandlerName(const std::function<R(A...)>& event) {
    if (const auto* bound = event.template target<detail::TBoundHandler<R(A...)>>()) return bound->Name;
    return {};
}

// Declares the class information of persistent class C. Properties, handlers and fields are added in order;
// a name declared twice in one class raises EInvalidOperation (a programming error, seen the first time the
// class information is built). A component class constructible from its owner gets a factory automatically.
template <class C>
class TClassBuilder {
    static_assert(std::is_base_of_v<TPersistent, C>, "published properties belong to persistent classes");

public:
    TClassBuilder(std::string name, const TClassInfo* parent) : FInfo(std::move(name), parent) {
        if constexpr (std::is_base_of_v<TComponent, C> && !std::is_abstract_v<C> &&
                      std::is_constructible_v<C, TComponent*>) {
            FInfo.FFactory = [](TComponent* owner) -> TComponent* { return new C(owner); };
        }
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Int(std::string name, G getter, S setter = nullptr) {
        using T = detail::GetterValue<G, C>;
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>, "Int properties are integers");
        return AddValue(
            TPropertyKind::pkInt, std::move(name), getter, setter,
            [](const TFormValue& v, const TApplyContext&) {
                return static_cast<T>(detail::DecodeInteger(v, detail::MinOf<T>(), detail::MaxOf<T>()));
            },
            [](const T& x) { return detail::EncodeInteger(static_cast<std::int64_t>(x)); });
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Bool(std::string name, G getter, S setter = nullptr) {
        static_assert(std::is_same_v<detail::GetterValue<G, C>, bool>, "Bool properties are bool");
        return Plain<&detail::DecodeBool, &detail::EncodeBool>(TPropertyKind::pkBool, std::move(name), getter, setter);
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Float(std::string name, G getter, S setter = nullptr) {
        using T = detail::GetterValue<G, C>;
        static_assert(std::is_floating_point_v<T>, "Float properties are floating point");
        return AddValue(
            TPropertyKind::pkFloat, std::move(name), getter, setter,
            [](const TFormValue& v, const TApplyContext&) {
                return static_cast<T>(detail::DecodeFloat(v, -static_cast<double>(std::numeric_limits<T>::max()),
                                                          static_cast<double>(std::numeric_limits<T>::max())));
            },
            [](const T& x) { return detail::EncodeFloat(static_cast<double>(x)); });
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Str(std::string name, G getter, S setter = nullptr) {
        static_assert(std::is_same_v<detail::GetterValue<G, C>, std::string>, "Str properties are std::string");
        return Plain<&detail::DecodeString, &detail::EncodeString>(TPropertyKind::pkStr, std::move(name), getter,
                                                                   setter);
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& WStr(std::string name, G getter, S setter = nullptr) {
        static_assert(std::is_same_v<detail::GetterValue<G, C>, std::wstring>, "WStr properties are std::wstring");
        return Plain<&detail::DecodeWideString, &detail::EncodeWideString>(TPropertyKind::pkWStr, std::move(name),
                                                                           getter, setter);
    }

    // Enumerations (enum, enum class or integer member). The table gives each identifier's value.
    template <class G, class S>
    TClassBuilder& Enum(std::string name, G getter, S setter, TIdentTable table) {
        using T = detail::GetterValue<G, C>;
        static_assert(std::is_enum_v<T> || std::is_integral_v<T>, "Enum properties are enums or integers");
        auto shared = std::make_shared<const TIdentTable>(std::move(table));
        return AddValue(
            TPropertyKind::pkEnum, std::move(name), getter, setter,
            [shared](const TFormValue& v, const TApplyContext&) {
                return static_cast<T>(detail::DecodeIdent(v, *shared));
            },
            [shared](const T& x) { return detail::EncodeEnum(*shared, static_cast<std::int64_t>(x)); });
    }
    template <class F>
    requires std::is_member_object_pointer_v<F> TClassBuilder& Enum(std::string name, F field, TIdentTable table) {
        return Enum(std::move(name), field, nullptr, std::move(table));
    }

    // Sets stored as bit masks: the identifier with table value n is bit n.
    template <class G, class S>
    TClassBuilder& Set(std::string name, G getter, S setter, TIdentTable table) {
        using T = detail::GetterValue<G, C>;
        static_assert(std::is_integral_v<T> && std::is_unsigned_v<T>, "Set properties are unsigned bit masks");
        CheckBits(name, table, std::numeric_limits<T>::digits);
        auto shared = std::make_shared<const TIdentTable>(std::move(table));
        return AddValue(
            TPropertyKind::pkSet, std::move(name), getter, setter,
            [shared](const TFormValue& v, const TApplyContext&) {
                return static_cast<T>(detail::DecodeSet(v, *shared));
            },
            [shared](const T& x) { return detail::EncodeSet(*shared, static_cast<std::uint64_t>(x)); });
    }
    template <class F>
    requires std::is_member_object_pointer_v<F> TClassBuilder& Set(std::string name, F field, TIdentTable table) {
        return Set(std::move(name), field, nullptr, std::move(table));
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Color(std::string name, G getter, S setter = nullptr) {
        static_assert(std::is_same_v<detail::GetterValue<G, C>, TColor>, "Color properties are TColor");
        return Plain<&detail::DecodeColor, &detail::EncodeColor>(TPropertyKind::pkColor, std::move(name), getter,
                                                                 setter);
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Charset(std::string name, G getter, S setter = nullptr) {
        using T = detail::GetterValue<G, C>;
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>, "Charset properties are integers");
        return AddValue(
            TPropertyKind::pkCharset, std::move(name), getter, setter,
            [](const TFormValue& v, const TApplyContext&) {
                const std::int64_t lo = std::max<std::int64_t>(0, detail::MinOf<T>());
                const std::int64_t hi = std::min<std::int64_t>(255, detail::MaxOf<T>());
                if (v.Kind == TFormValueKind::vkIdent) {
                    const std::int64_t* known = CharsetIdents().Find(v.Text);
                    if (!known) throw EPropertyError("unknown character set \"" + v.Text + "\"");
                    return static_cast<T>(*known);
                }
                return static_cast<T>(detail::DecodeInteger(v, lo, hi));
            },
            [](const T& x) { return detail::EncodeCharset(static_cast<std::int64_t>(x)); });
    }

    template <class G, class S = std::nullptr_t>
    TClassBuilder& Binary(std::string name, G getter, S setter = nullptr) {
        using T = detail::GetterValue<G, C>;
        static_assert(std::is_same_v<T, std::vector<std::uint8_t>>, "Binary properties are byte vectors");
        return AddValue(
            TPropertyKind::pkBinary, std::move(name), getter, setter,
            [](const TFormValue& v, const TApplyContext&) { return detail::DecodeBinary(v); },
            [](const T& x) { return detail::EncodeBinary(x); });
    }

    // String lists. The getter gives a TStringList or std::vector<std::string> (by value, reference or pointer).
    // Without a setter a list reached through a non-const reference or pointer is filled in place.
    template <class G, class S = std::nullptr_t>
    TClassBuilder& Strings(std::string name, G getter, S setter = nullptr) {
        using R = std::invoke_result_t<G&, C&>;
        using T = std::remove_cvref_t<std::remove_pointer_t<std::remove_cvref_t<R>>>;
        static_assert(std::is_same_v<T, TStringList> || std::is_same_v<T, std::vector<std::string>>,
                      "Strings properties are TStringList or std::vector<std::string>");
        TPropertyInfo p;
        p.Name = std::move(name);
        p.Kind = TPropertyKind::pkStrings;
        const std::string cls = FInfo.FName;
        p.Get = [getter, cls](TPersistent& o) {
            C& c = detail::CastTo<C>(o, cls);
            decltype(auto) got = std::invoke(getter, c);  // a value is kept here, a reference stays one
            const T* list = nullptr;
            if constexpr (std::is_pointer_v<std::remove_cvref_t<R>>)
                list = got;
            else
                list = &got;
            std::vector<std::string> lines;
            if (!list) return detail::EncodeStrings({});
            for (const auto& item : *list) {
                if constexpr (std::is_same_v<T, TStringList>)
                    lines.push_back(item.Text);
                else
                    lines.push_back(item);
            }
            return detail::EncodeStrings(std::move(lines));
        };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.Set = [setter, cls](TPersistent& o, const TFormValue& v, const TApplyContext&) {
                C& c = detail::CastTo<C>(o, cls);
                std::invoke(setter, c, ToList<T>(detail::DecodeStrings(v)));
            };
        } else if constexpr (std::is_member_object_pointer_v<G> ||
                             (std::is_lvalue_reference_v<R> && !std::is_const_v<std::remove_reference_t<R>>) ||
                             (std::is_pointer_v<std::remove_cvref_t<R>> &&
                              !std::is_const_v<std::remove_pointer_t<std::remove_cvref_t<R>>>)) {
            p.Set = [getter, cls](TPersistent& o, const TFormValue& v, const TApplyContext&) {
                C& c = detail::CastTo<C>(o, cls);
                auto* list = detail::AsPointer(std::invoke(getter, c));
                if (!list) throw EPropertyError("the list is not assigned");
                *list = ToList<T>(detail::DecodeStrings(v));
            };
        }
        return Add(std::move(p));
    }

    // A persistent sub-object reached through the getter (pointer or reference); its own properties are set by
    // dotted names ("Font.Height").
    template <class G>
    TClassBuilder& Object(std::string name, G getter) {
        using R = std::invoke_result_t<G&, C&>;
        using T = std::remove_cvref_t<std::remove_pointer_t<std::remove_cvref_t<R>>>;
        static_assert(std::is_base_of_v<TPersistent, T>, "Object properties are persistent objects");
        TPropertyInfo p;
        p.Name = std::move(name);
        p.Kind = TPropertyKind::pkObject;
        const std::string cls = FInfo.FName;
        p.Object = [getter, cls](TPersistent& o) -> TPersistent* {
            C& c = detail::CastTo<C>(o, cls);
            return const_cast<T*>(detail::AsPointer(std::invoke(getter, c)));
        };
        return Add(std::move(p));
    }

    // Events: std::function members bound by handler name to a method of the root object (see Handler).
    template <class G, class S = std::nullptr_t>
    TClassBuilder& Event(std::string name, G getter, S setter = nullptr) {
        using T = detail::GetterValue<G, C>;
        static_assert(detail::StdFunctionTraits<T>::value, "Event properties are std::function");
        return AddValue(
            TPropertyKind::pkEvent, std::move(name), getter, setter,
            [](const TFormValue& v, const TApplyContext& context) {
                const THandlerInfo& handler = detail::FindEventHandler(v, context, typeid(T));
                T event;
                handler.Bind(*context.Root, &event);
                return event;
            },
            [](const T& x) { return detail::EncodeIdent(EventHandlerName(x)); });
    }

    // A reference to another component of the form: the getter gives a T* (T a component class). Without a
    // setter a data member is assigned.
    template <class G, class S = std::nullptr_t>
    TClassBuilder& Component(std::string name, G getter, S setter = nullptr) {
        using P = detail::GetterValue<G, C>;
        static_assert(std::is_pointer_v<P> && std::is_base_of_v<TComponent, std::remove_cv_t<std::remove_pointer_t<P>>>,
                      "Component properties are component pointers");
        using T = std::remove_cv_t<std::remove_pointer_t<P>>;
        TPropertyInfo p;
        p.Name = std::move(name);
        p.Kind = TPropertyKind::pkComponent;
        const std::string cls = FInfo.FName;
        p.Get = [getter, cls](TPersistent& o) {
            const TComponent* target = std::invoke(getter, detail::CastTo<C>(o, cls));
            return detail::EncodeIdent(target ? target->Name() : std::string());
        };
        if constexpr (!std::is_null_pointer_v<S> || std::is_member_object_pointer_v<G>) {
            p.Set = [getter, setter, cls](TPersistent& o, const TFormValue& v, const TApplyContext& context) {
                C* self = &detail::CastTo<C>(o, cls);
                detail::ExpectKind(v, TFormValueKind::vkIdent);
                TPersistent* root = context.Root;
                detail::ResolveOrDefer(context, v.Line, [self, getter, setter, root, name = v.Text] {
                    TComponent* found = detail::FindReferencedComponent(name, root);
                    T* typed = found ? dynamic_cast<T*>(found) : nullptr;
                    if (found && !typed)
                        throw EPropertyError("component \"" + name + "\" is a " + found->ClassName() +
                                             ", which does not fit here");
                    if constexpr (!std::is_null_pointer_v<S>)
                        std::invoke(setter, *self, typed);
                    else
                        std::invoke(getter, *self) = typed;
                });
            };
        }
        return Add(std::move(p));
    }

    // Collections: `clear(C&)` empties it, `add(C&)` appends a new item and returns it (pointer or reference to
    // a persistent object). With `count(C&)` and `item(C&, int)` the items can be read back ("Panels[1].Text").
    template <class Clear, class AddItem, class Count = std::nullptr_t, class ItemAt = std::nullptr_t>
    TClassBuilder& Collection(std::string name, Clear clear, AddItem add, Count count = nullptr,
                              ItemAt item = nullptr) {
        TPropertyInfo p;
        p.Name = std::move(name);
        p.Kind = TPropertyKind::pkCollection;
        const std::string cls = FInfo.FName;
        p.Set = [clear, add, cls](TPersistent& o, const TFormValue& v, const TApplyContext& context) {
            C& c = detail::CastTo<C>(o, cls);
            detail::ExpectKind(v, TFormValueKind::vkCollection);
            std::invoke(clear, c);
            detail::ApplyCollection(v, context, [&]() -> TPersistent* {
                return static_cast<TPersistent*>(detail::AsPointer(std::invoke(add, c)));
            });
        };
        if constexpr (!std::is_null_pointer_v<Count> && !std::is_null_pointer_v<ItemAt>) {
            p.ItemCount = [count, cls](TPersistent& o) {
                return static_cast<int>(std::invoke(count, detail::CastTo<C>(o, cls)));
            };
            p.Item = [item, cls](TPersistent& o, int index) -> TPersistent* {
                return static_cast<TPersistent*>(
                    detail::AsPointer(std::invoke(item, detail::CastTo<C>(o, cls), index)));
            };
            p.Get = [count, item, cls](TPersistent& o) {
                C& c = detail::CastTo<C>(o, cls);
                std::vector<TPersistent*> items;
                const int n = static_cast<int>(std::invoke(count, c));
                for (int i = 0; i < n; ++i)
                    items.push_back(static_cast<TPersistent*>(detail::AsPointer(std::invoke(item, c, i))));
                return detail::EncodeCollection(items);
            };
        }
        return Add(std::move(p));
    }

    // A value in a stored form of the class's own: the setter gets the raw value and raises EPropertyError (or any
    // Exception) when it cannot use it. The getter, if any, returns a TFormValue.
    // A reference to a kind of component this program does not have: it is stored as nil, and nil is all it
    // accepts (anything else raises EPropertyError with `refusal`).
    TClassBuilder& NilReference(std::string name, std::string refusal) {
        return Custom(
            std::move(name), [](C&) { return detail::EncodeIdent("nil"); },
            [refusal = std::move(refusal)](C&, const TFormValue& v) {
                if (v.Kind != TFormValueKind::vkIdent || !SameTextAscii(v.Text, "nil")) throw EPropertyError(refusal);
            });
    }

    template <class G, class S>
    TClassBuilder& Custom(std::string name, G getter, S setter) {
        TPropertyInfo p;
        p.Name = std::move(name);
        p.Kind = TPropertyKind::pkCustom;
        const std::string cls = FInfo.FName;
        if constexpr (!std::is_null_pointer_v<G>) {
            p.Get = [getter, cls](TPersistent& o) -> TFormValue {
                return std::invoke(getter, detail::CastTo<C>(o, cls));
            };
        }
        if constexpr (!std::is_null_pointer_v<S>) {
            p.Set = [setter, cls](TPersistent& o, const TFormValue& v, const TApplyContext&) {
                std::invoke(setter, detail::CastTo<C>(o, cls), v);
            };
        }
        return Add(std::move(p));
    }

    // A method that events of type Ev (a std::function) can be bound to by `name`, e.g.
    // .Handler<TNotifyEvent>("FormCreate", &TForm_Main::FormCreate).
    template <class Ev, class M>
    TClassBuilder& Handler(std::string name, M method) {
        static_assert(detail::StdFunctionTraits<Ev>::value, "handlers fit std::function events");
        using Sig = typename detail::StdFunctionTraits<Ev>::Signature;
        CheckNew(name, FindOwn(FInfo.FHandlers, name));
        THandlerInfo h;
        h.Name = name;
        h.EventType = &typeid(Ev);
        const std::string cls = FInfo.FName;
        h.Bind = [method, name, cls](TPersistent& root, void* event) {
            C* self = &detail::CastTo<C>(root, cls);
            *static_cast<Ev*>(event) =
                detail::TBoundHandler<Sig>{name, [self, method](auto&&... args) -> decltype(auto) {
                                               return std::invoke(method, self, std::forward<decltype(args)>(args)...);
                                           }};
        };
        FInfo.FHandlers.push_back(std::move(h));
        return *this;
    }

    // A component pointer member set when the stored description creates the component named `name`.
    template <class T, class B>
    TClassBuilder& Field(std::string name, T* B::*field) {
        static_assert(std::is_base_of_v<TComponent, T>, "published fields hold components");
        static_assert(std::is_base_of_v<B, C>, "the field belongs to this class");
        CheckNew(name, FindOwn(FInfo.FFields, name));
        TFieldInfo f;
        f.Name = name;
        if constexpr (requires { T::StaticClassInfo(); })
            f.ClassName = T::StaticClassInfo().Name();
        else
            f.ClassName = "the field's class";
        const std::string cls = FInfo.FName;
        f.Bind = [field, cls](TPersistent& root, TComponent* component) {
            T* typed = dynamic_cast<T*>(component);
            if (!typed) return false;
            detail::CastTo<C>(root, cls).*field = typed;
            return true;
        };
        FInfo.FFields.push_back(std::move(f));
        return *this;
    }

    // Overrides the factory (or, with nullptr, makes the class not creatable from stored descriptions).
    TClassBuilder& Factory(TComponentFactory factory) {
        FInfo.FFactory = factory;
        return *this;
    }

    // The finished class information, handed over once (the builder is spent):
    //   static const TClassInfo info = TClassBuilder<TX>(...).Int(...).Bool(...);
    operator TClassInfo() { return std::move(FInfo); }

private:
    template <class T>
    static T ToList(std::vector<std::string> lines) {
        if constexpr (std::is_same_v<T, TStringList>) {
            TStringList list;
            for (auto& line : lines) list.Add(std::move(line));
            return list;
        } else {
            return lines;
        }
    }

    // A property whose value needs nothing but its own decoder and encoder.
    template <auto Decode, auto Encode, class G, class S>
    TClassBuilder& Plain(TPropertyKind kind, std::string name, G getter, S setter) {
        using T = detail::GetterValue<G, C>;
        return AddValue(
            kind, std::move(name), getter, setter, [](const TFormValue& v, const TApplyContext&) { return Decode(v); },
            [](const T& x) { return Encode(x); });
    }

    template <class G, class S, class Dec, class Enc>
    TClassBuilder& AddValue(TPropertyKind kind, std::string name, G getter, S setter, Dec decode, Enc encode) {
        TPropertyInfo p;
        p.Name = std::move(name);
        p.Kind = kind;
        const std::string cls = FInfo.FName;
        p.Get = [getter, encode, cls](TPersistent& o) -> TFormValue {
            C& c = detail::CastTo<C>(o, cls);
            return encode(std::invoke(getter, c));
        };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.Set = [setter, decode, cls](TPersistent& o, const TFormValue& v, const TApplyContext& context) {
                C& c = detail::CastTo<C>(o, cls);
                std::invoke(setter, c, decode(v, context));
            };
        } else if constexpr (std::is_member_object_pointer_v<G>) {
            p.Set = [getter, decode, cls](TPersistent& o, const TFormValue& v, const TApplyContext& context) {
                C& c = detail::CastTo<C>(o, cls);
                std::invoke(getter, c) = decode(v, context);
            };
        }
        return Add(std::move(p));
    }

    TClassBuilder& Add(TPropertyInfo p) {
        CheckNew(p.Name, FindOwn(FInfo.FProperties, p.Name));
        FInfo.FProperties.push_back(std::move(p));
        return *this;
    }

    template <class V>
    static bool FindOwn(const V& list, std::string_view name) {
        for (const auto& item : list)
            if (SameTextAscii(item.Name, name)) return true;
        return false;
    }
    void CheckNew(std::string_view name, bool exists) const {
        if (exists) throw EInvalidOperation("class " + FInfo.FName + " declares \"" + std::string(name) + "\" twice");
    }
    void CheckBits(std::string_view name, const TIdentTable& table, int bits) const {
        for (const auto& [ident, bit] : table.Entries())
            if (bit < 0 || bit >= bits)
                throw EInvalidOperation("set property " + FInfo.FName + "." + std::string(name) + ": member " + ident +
                                        " does not fit the mask");
    }

    TClassInfo FInfo;
};

}  // namespace qd
