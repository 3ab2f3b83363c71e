#include "base/Component.h"

#include <algorithm>

namespace tavrin {

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->Insert(this);
}

TComponent::~TComponent() {
    Destroying();
    // Owned components go last first, the way they were built up.
    while (!components_.empty()) {
        TComponent* child = components_.back();
        delete child; // its destructor removes it from components_
    }
    if (owner_)
        owner_->Remove(this);
}

void TComponent::Destroying() {
    if (removalSent_)
        return;
    removalSent_ = true;
    state_.Include(csDestroying);
    // A notified component may remove itself (or others) from the list while we walk it.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        std::erase(other->freeNotifies_, this);
        other->Notification(this, opRemove);
    }
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    // Both sides forget each other when either goes away.
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) ==
        other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    std::erase(freeNotifies_, other);
    if (other)
        std::erase(other->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove)
        RemoveFreeNotification(component);
}

void TComponent::Insert(TComponent* child) {
    components_.push_back(child);
    child->owner_ = this;
}

void TComponent::Remove(TComponent* child) {
    std::erase(components_, child);
    child->owner_ = nullptr;
    Notification(child, opRemove);
    for (TComponent* sibling : std::vector<TComponent*>(components_))
        sibling->Notification(child, opRemove);
}

} // namespace tavrin
