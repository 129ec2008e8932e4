#include "framework/Component.h"

#include <algorithm>

#include "framework/Classes.h"
#include "framework/Properties.h"

namespace qd {

namespace {

bool IsIdentifier(const std::string& name) noexcept {
    if (name.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

void EraseOne(std::vector<TComponent*>& list, TComponent* item) noexcept {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

}  // namespace

// ---- TPersistent ------------------------------------------------------------------------------------------------

const TClassInfo& TPersistent::StaticClassInfo() {
    static const TClassInfo info("TPersistent", nullptr);
    return info;
}

const std::string& TPersistent::ClassName() const { return ClassInfo().Name(); }

// ---- TComponent -------------------------------------------------------------------------------------------------

const TClassInfo& TComponent::StaticClassInfo() {
    static const TClassInfo info = TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClassInfo())
                                       .Str("Name", &TComponent::Name, &TComponent::SetName)
                                       .Int("Tag", &TComponent::Tag, &TComponent::SetTag);
    return info;
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    FState |= static_cast<std::uint32_t>(TComponentStateFlag::csDestroying);
    // Tell everyone who holds a reference first, while the owned components still exist: they may be the ones
    // listening.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseOne(other->FFreeNotifies, this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() noexcept {
    // Last created first. Each one is detached before it goes, so its destructor does not search this list and
    // a destructor that frees a sibling finds the list consistent.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        FComponents.pop_back();
        c->FOwner = nullptr;
        Notification(c, TOperation::opRemove);
        delete c;
    }
}

void TComponent::SetName(const std::string& value) {
    if (value == FName) return;
    if (!value.empty() && !IsIdentifier(value)) throw Exception("\"" + value + "\" is not a valid component name");
    if (FOwner && !value.empty()) {
        TComponent* same = FOwner->FindComponent(value);
        if (same && same != this)
            throw Exception("a component named \"" + value + "\" already exists" +
                            (FOwner->FName.empty() ? std::string() : " in " + FOwner->FName));
    }
    FName = value;
}

TComponent* TComponent::FindComponent(const std::string& name) const noexcept {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameTextAscii(c->FName, name)) return c;
    return nullptr;
}

void TComponent::SetState(TComponentStateFlag flag, bool on) noexcept {
    if (on)
        FState |= static_cast<std::uint32_t>(flag);
    else
        FState &= ~static_cast<std::uint32_t>(flag);
}

void TComponent::Loaded() { SetState(TComponentStateFlag::csLoading, false); }

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->FOwner == this) return;
    if (component == this) throw EInvalidOperation("a component cannot own itself");
    for (const TComponent* o = FOwner; o; o = o->FOwner)
        if (o == component) throw EInvalidOperation("a component cannot own its own owner");
    if (!component->FName.empty()) {
        if (FindComponent(component->FName))
            throw Exception("a component named \"" + component->FName + "\" already exists" +
                            (FName.empty() ? std::string() : " in " + FName));
    }
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this) return;
    Notification(component, TOperation::opRemove);
    EraseOne(FComponents, component);
    component->FOwner = nullptr;
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(component);
        component->FFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component) noexcept {
    if (!component) return;
    EraseOne(FFreeNotifies, component);
    EraseOne(component->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
    // Pass it on to the owned components. A handler may free or move components: walk by index from the end,
    // re-checking the bound each step, so removal during the walk neither skips into freed memory nor repeats.
    std::size_t i = FComponents.size();
    while (i > 0) {
        --i;
        if (i >= FComponents.size()) {
            i = FComponents.size();
            continue;
        }
        TComponent* c = FComponents[i];
        if (c != component) c->Notification(component, operation);
    }
}

}  // namespace qd
