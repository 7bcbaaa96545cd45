// Output parameters: what a finished batch hands back to the markers bound for output.
#include "standin/driver/Handles.h"
#include "standin/engine/Convert.h"
#include "standin/engine/ProcCall.h"

namespace standin {

void Stmt::DeliverOutputs() {
    if (!Running) return;
    std::vector<Parameter> targets = std::move(OutputTargets);
    OutputTargets.clear();
    for (const auto& [marker, out] : Running->Outputs()) {
        if (marker == 0 || marker > targets.size()) continue;
        const Parameter& p = targets[marker - 1];
        // A null buffer asks for the value to be discarded.
        if (!p.Bound() || !p.Receives() || !p.Data) continue;
        size_t offset = 0;
        WriteCell(CellOf(out.Val), out.Type, CTarget{p.CType, p.Data, p.BufferLength, p.Indicator}, offset,
                  Scratch, Diag);
    }
}

} // namespace standin
