#pragma once
// Components with owners: the object tree every form is made of.
// An owner frees the components it owns (last created first) when it is destroyed; a component that is
// freed on its own removes itself from its owner. Portable: no platform headers.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Exception.h"

namespace qd {

class TClassInfo;  // framework/Properties.h: class name, parent class, published properties

// Declares a persistent class's class information (framework/Properties.h) and reports it:
//   class TFont : public TPersistent {
//       QD_CLASS_INFO
//   public: ...
// Leaves the access at public.
#define QD_CLASS_INFO                                 \
public:                                               \
    static const ::qd::TClassInfo& StaticClassInfo(); \
    const ::qd::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

// Root of every class whose properties can be set by name.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// An object with published properties. Every concrete persistent class reports its class information so
// that stored descriptions can set its properties by name (see framework/Properties.h).
class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    // Class name as registered ("TComponent", "TForm_Main", ...).
    const std::string& ClassName() const;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TComponentStateFlag : std::uint32_t {
    csLoading = 1u << 0,  // properties are being read from a stored description
    csReading = 1u << 1,
    csDesigning = 1u << 2,  // never set in this program; kept so components can test it
    csDestroying = 1u << 3,
};

class TComponent : public TPersistent {
    // Published: Name, Tag.
    QD_CLASS_INFO
public:
    explicit TComponent(TComponent* AOwner);
    // Tells the components that asked for free notification, frees the owned components (last created first)
    // and leaves the owner's list.
    ~TComponent() override;

    const std::string& Name() const noexcept { return FName; }
    // Names are identifiers, unique among the components of one owner (case-insensitive); "" is allowed.
    virtual void SetName(const std::string& value);
    std::intptr_t Tag() const noexcept { return FTag; }
    void SetTag(std::intptr_t value) noexcept { FTag = value; }

    TComponent* Owner() const noexcept { return FOwner; }
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }
    // Owned component with this name (ASCII case folded), or null.
    TComponent* FindComponent(const std::string& name) const noexcept;

    bool HasState(TComponentStateFlag flag) const noexcept { return (FState & static_cast<std::uint32_t>(flag)) != 0; }
    void SetState(TComponentStateFlag flag, bool on) noexcept;

    // Called once after every property of the stored description it came from was read (owner first,
    // then its components in creation order). Clears csLoading. Overrides call the inherited one first.
    virtual void Loaded();

    // Takes ownership of `component`, taking it from its previous owner. Raises Exception when its name is
    // already used by a component of this owner. Null is ignored.
    void InsertComponent(TComponent* component);
    // Gives up ownership (nobody frees it then but its creator). A component this one does not own is ignored.
    void RemoveComponent(TComponent* component);
    // Frees the owned components now, last created first. Derived destructors call it when their components
    // must go before the derived part does (the base destructor would free them only afterwards).
    void DestroyComponents() noexcept;

    // Stored descriptions nest child objects inside their parent; the reader calls this on each child
    // with the object it was nested in. Controls override it to take that object as their parent window.
    virtual void SetParentComponent(TComponent* parent);

    // `component` is told (Notification opRemove) when this one is destroyed; and the other way round, so
    // neither keeps a reference to the other past its end. Null and this are ignored.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component) noexcept;

protected:
    // `component` is being destroyed or leaves this owner (opRemove) or was inserted into this owner (opInsert).
    // The owner's notification is passed on to all its components, so siblings hear of each other too.
    // Overrides drop their references on opRemove and call the inherited one.
    enum class TOperation { opInsert, opRemove };
    virtual void Notification(TComponent* component, TOperation operation);
    // Points `field` at `value` and moves this component's free notification along, so that Notification can
    // clear the field when the component goes. False when the field already held `value`.
    template <class T>
    bool SetReference(T*& field, T* value) {
        if (value == field) return false;
        if (field) field->RemoveFreeNotification(this);
        field = value;
        if (value) value->FreeNotification(this);
        return true;
    }

private:
    std::string FName;
    std::intptr_t FTag = 0;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::uint32_t FState = 0;
};

}  // namespace qd
