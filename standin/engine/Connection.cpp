#include "standin/engine/Connection.h"

#include <mutex>
#include <set>

namespace standin {

namespace {

std::mutex droppedLock;
std::set<std::string> dropped; // DropLink values whose drop has happened in this process

} // namespace

LinkDrop ArmedLinkDrop(LinkDrop requested) {
    std::lock_guard<std::mutex> lock(droppedLock);
    return dropped.count(requested.Setting) ? LinkDrop{} : requested;
}

std::map<std::string, long> ConnectionState::CallCounts() const {
    std::map<std::string, long> out;
    for (const auto& [function, n] : Calls)
        out[function] += n;
    return out;
}

void ConnectionState::CheckLink() {
    if (Broken) throw SqlError("08S01", 10054, "Communication link failure");
    if (!Fault) return;
    InjectedFault f = *Fault;
    Fault.reset();
    std::vector<DiagRecord> records;
    for (int i = 1; i <= f.Records; ++i)
        records.push_back({f.State, 50000 + i,
                           f.Message + " (" + std::to_string(i) + " of " + std::to_string(f.Records) + ")",
                           true});
    if (f.State.rfind("08", 0) == 0) { // a dropped link stays dropped
        Broken = true;
        if (Sess) Sess->Unregister();
    }
    throw SqlError(std::move(records));
}

void ConnectionState::CountRun() {
    ++Runs;
    if (Drop.Point == LinkDrop::At::Run && Runs == Drop.Count) DropLink();
}

void ConnectionState::CheckRow(SQLULEN row) {
    if (Drop.Point == LinkDrop::At::Fetch && row > static_cast<SQLULEN>(Drop.Count)) DropLink();
}

void ConnectionState::DropLink() {
    {
        std::lock_guard<std::mutex> lock(droppedLock);
        dropped.insert(Drop.Setting);
    }
    Drop = LinkDrop{};
    Broken = true;
    if (Sess) Sess->Unregister();
    // What SQL Server's driver reports when the server goes away under a running statement.
    throw SqlError("08S01", 10054,
                   "TCP Provider: An existing connection was forcibly closed by the remote host.", false);
}

} // namespace standin
