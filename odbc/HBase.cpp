#include "odbc/HBase.h"

#include "odbc/HEnv.h"

#include <exception>
#include <unordered_set>

namespace tarvik {

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
    // One child's failure must not leave its siblings holding handles: the first error is
    // reported after all of them are done.
    std::exception_ptr failure;
    while (!FList.empty()) {
        THbase* head = FList.front();
        try {
            head->Terminate();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        // A child that failed to leave the list would loop forever; unlink it ourselves.
        if (!FList.empty() && FList.front() == head) FList.pop_front();
    }
    if (failure) std::rethrow_exception(failure);
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

} // namespace tarvik
