#include "HBase.h"

#include "HEnv.h"

#include <unordered_set>

namespace {
std::unordered_set<const THbase*>& LiveWrappers() {
    static std::unordered_set<const THbase*> live;
    return live;
}
} // namespace

void TChildren::Remove(THbase* child) {
    auto prev = FList.before_begin();
    for (auto it = FList.begin(); it != FList.end(); prev = it, ++it) {
        if (*it == child) {
            FList.erase_after(prev);
            return;
        }
    }
}

bool TChildren::TerminateAll() {
    while (!FList.empty()) {
        THbase* head = FList.front();
        head->Terminate();
        // A child that failed to leave the list would loop forever; unlink it ourselves.
        if (!FList.empty() && FList.front() == head) FList.pop_front();
    }
    return true;
}

int TChildren::Count() const {
    int n = 0;
    for (auto* c : FList) {
        (void)c;
        ++n;
    }
    return n;
}

bool TChildren::Contains(const THbase* child) const {
    for (auto* c : FList)
        if (c == child) return true;
    return false;
}

THbase::THbase(TComponent* owner) : TComponent(owner) {
    LiveWrappers().insert(this);
}

THbase::~THbase() {
    LiveWrappers().erase(this);
}

bool THbase::IsAlive(const THbase* wrapper) {
    return LiveWrappers().count(wrapper) != 0;
}

bool THbase::Init() {
    if (AfterInit) AfterInit(this);
    return true;
}

bool THbase::Terminate() {
    if (BeforeTerminate) BeforeTerminate(this);
    return true;
}

void THbase::TerminateQuiet() {
    THenv& env = GlobalEnv();
    const bool old = env.SuppressErrors();
    env.SetSuppressErrors(true);
    try {
        Terminate();
    } catch (...) {
        env.SetSuppressErrors(old);
        throw;
    }
    env.SetSuppressErrors(old);
}
