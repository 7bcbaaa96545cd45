#include "Connection.h"

namespace standin {

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

} // namespace standin
