#pragma once

#include "base/Persistent.h"
#include "base/Set.h"

#include <string>
#include <vector>

namespace tavrin {

enum TOperation : std::uint8_t { opInsert, opRemove };
enum TComponentStateFlag : std::uint8_t { csLoading, csDesigning, csDestroying };
using TComponentState = Set<TComponentStateFlag>;

// A component: freed by its owner, named, able to tell other components that it is going
// away, and loaded in a phase of its own whose end runs the Loaded hook.
class TComponent : public TPersistent {
public:
    const char* ClassName() const override { return "TComponent"; }
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::vector<TComponent*>& Components() const { return components_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    TComponentState ComponentState() const { return state_; }

    // The loading phase: between the two calls setters only record what they are given;
    // EndLoading runs Loaded, where a component acts on what was recorded.
    void BeginLoading() { state_.Include(csLoading); }
    void EndLoading() { Loaded(); }

    // `other` is told (Notification with opRemove) when this component is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Called on this component when `component` is inserted into or removed from the
    // owner it shares with this one, or when a component it asked for free notification
    // of is going away.
    virtual void Notification(TComponent* component, TOperation operation);

protected:
    // Clears csLoading; overrides run this first and then act on the recorded values.
    virtual void Loaded() { state_.Exclude(csLoading); }

    // Tells everyone who asked that this component is going away. A derived destructor
    // calls it while its own members are still whole, because the notified components may
    // call back into it (a lamp detaches its link from a dying port). Runs only once.
    void Destroying();

private:
    void Insert(TComponent* child);
    void Remove(TComponent* child);

    TComponent* owner_ = nullptr;
    std::string name_;
    TComponentState state_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool removalSent_ = false;
};

} // namespace tavrin
