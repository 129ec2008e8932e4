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
    virtual const TClassInfo& ClassInfo() const;
    // Class name as registered ("TComponent", "TForm_Main", ...).
    const std::string& ClassName() const;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TComponentStateFlag : std::uint32_t {
    csLoading = 1u << 0,     // properties are being read from a stored description
    csReading = 1u << 1,
    csDesigning = 1u << 2,   // never set in this program; kept so components can test it
    csDestroying = 1u << 3,
};

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    const TClassInfo& ClassInfo() const override;

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

    bool HasState(TComponentStateFlag flag) const noexcept {
        return (FState & static_cast<std::uint32_t>(flag)) != 0;
    }
    void SetState(TComponentStateFlag flag, bool on) noexcept;

    // Called once after every property of the stored description it came from was read (owner first,
    // then its components in creation order). Clears csLoading. Overrides call the inherited one first.
    virtual void Loaded();

    // Moves ownership (null owner: nobody frees it but its creator).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Stored descriptions nest child objects inside their parent; the reader calls this on each child
    // with the object it was nested in. Controls override it to take that object as their parent window.
    virtual void SetParentComponent(TComponent* parent);

    // Components that want to hear when another component goes away (to drop references to it).
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

protected:
    // `component` is being destroyed (opRemove) or was inserted into this owner (opInsert).
    enum class TOperation { opInsert, opRemove };
    virtual void Notification(TComponent* component, TOperation operation);

private:
    std::string FName;
    std::intptr_t FTag = 0;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::uint32_t FState = 0;
};

}  // namespace qd
