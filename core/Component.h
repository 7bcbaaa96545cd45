#pragma once
// The component model: owner/owned lifetime, names, sibling notification and
// the loading/destroying states that wrappers and datasets rely on.
#include <string>
#include <vector>

namespace tarvik {

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    // Registers with the owner, which then frees this component; never throws except bad_alloc.
    explicit TComponent(TComponent* owner = nullptr);
    // Frees every owned component (last inserted first) and leaves the owner's list; never throws.
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }

    // Owned components in insertion order; not owned by the caller.
    const std::vector<TComponent*>& Components() const { return FComponents; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* FindComponent(const std::string& name) const;

    // Moves a component under this owner (removing it from its old one) and notifies siblings.
    void InsertComponent(TComponent* component);
    // Detaches a component without freeing it; siblings are notified.
    void RemoveComponent(TComponent* component);

    bool Loading() const { return FLoading; }
    bool Destroying() const { return FDestroying; }

    // Enter the loading state (stored properties are being read) for this component and its owned ones.
    void BeginLoading();
    // Leave the loading state and run Loaded on every owned component, then on this one.
    void EndLoading();

protected:
    // Called after loading ends; descendants apply what they deferred while loading.
    virtual void Loaded() {}
    // Called on every component of an owner when a sibling is inserted into or removed from it.
    virtual void Notification(TComponent* component, TOperation operation);
    // A descendant's constructor calls this once its type is complete: the notice sent while
    // the base constructor ran showed siblings only a TComponent, so type checks missed it.
    void AnnounceInserted() {
        if (FOwner) FOwner->NotifyAll(this, TOperation::opInsert);
    }
    // Descendants call this first in their destructor when they need the destroying state early.
    void Destroying_() { FDestroying = true; }

private:
    void NotifyAll(TComponent* component, TOperation operation);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    bool FLoading = false;
    bool FDestroying = false;
};

} // namespace tarvik
