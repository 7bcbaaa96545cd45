#include "core/Component.h"

#include <algorithm>

namespace tarvik {

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    FDestroying = true;
    // Last inserted first, the reverse of construction, so later components may still use earlier ones.
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        child->FDestroying = true;
        RemoveComponent(child);
        delete child;
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* c : FComponents)
        if (c->FName == name) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->FOwner == this) return;
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    NotifyAll(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it == FComponents.end()) return;
    NotifyAll(component, TOperation::opRemove);
    FComponents.erase(std::find(FComponents.begin(), FComponents.end(), component));
    component->FOwner = nullptr;
}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
    Notification(component, operation);
    // Copy: a notified component may insert or remove siblings.
    const std::vector<TComponent*> siblings = FComponents;
    for (TComponent* c : siblings)
        if (c != component) c->Notification(component, operation);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::BeginLoading() {
    FLoading = true;
    for (TComponent* c : FComponents)
        c->BeginLoading();
}

void TComponent::EndLoading() {
    for (TComponent* c : FComponents)
        c->EndLoading();
    FLoading = false;
    Loaded();
}

} // namespace tarvik
