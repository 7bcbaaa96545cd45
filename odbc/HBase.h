#pragma once
// The base of the handle wrappers: a wrapper exists before its ODBC handle;
// Init allocates the handle on demand and Terminate releases it again.
#include "core/Component.h"

#include <sql.h>

#include <forward_list>
#include <functional>

namespace tarvik {

class THbase;
using TNotifyEvent = std::function<void(TComponent* sender)>;

// The children of a wrapper that currently hold a handle. Does not own them.
class TChildren {
public:
    // Inserts at the head; no duplicate check. Throws bad_alloc only.
    void Add(THbase* child) { FList.push_front(child); }
    // Unlinks the first node holding child; nothing happens when it is absent.
    void Remove(THbase* child);
    // Terminates the head child until the list is empty; relies on Terminate removing the child.
    bool TerminateAll();
    // Forgets every node without touching the children.
    void Clear() { FList.clear(); }
    bool Empty() const { return FList.empty(); }
    int Count() const;
    bool Contains(const THbase* child) const;

private:
    std::forward_list<THbase*> FList;
};

class THbase : public TComponent {
public:
    explicit THbase(TComponent* owner = nullptr);
    ~THbase() override;

    // Allocates the handle when needed; true when it is allocated afterwards. Throws EODBC.
    virtual bool Init();
    // Releases the handle and everything below it; true when no handle is held afterwards. Throws EODBC.
    virtual bool Terminate();
    // Terminate with errors suppressed through the environment's flag; never throws EODBC.
    virtual void TerminateQuiet();

    TNotifyEvent AfterInit;
    TNotifyEvent BeforeTerminate;

    // What RaiseODBCError reads diagnostics from (may run Init).
    virtual SQLSMALLINT DiagHandleType() const = 0;
    virtual SQLHANDLE DiagHandle() = 0;
    // The wrapper to terminate quietly when a connection-class error has been handled.
    virtual THbase* LostConnectionTarget() { return this; }
    // True when the driver says the connection is gone although its error named no connection-class
    // state. Never throws.
    virtual bool ConnectionDead() noexcept { return false; }
    // Called by RaiseODBCError just before it throws (statements switch off async mode).
    virtual void BeforeRaise() {}

    // True while a wrapper constructed at this address has not been destroyed.
    static bool IsAlive(const THbase* wrapper);
};

} // namespace tarvik
