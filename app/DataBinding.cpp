#include "app/DataBinding.h"

#include <algorithm>

namespace tarvik {

TDataBinding::~TDataBinding() {
    // Clients detach themselves in BindingDestroyed; work on a copy.
    const std::vector<TBindingClient*> clients = FClients;
    FClients.clear();
    for (TBindingClient* client : clients)
        client->BindingDestroyed();
}

void TDataBinding::SetDataSet(TNavigableDataSet* dataSet) {
    FDataSet = dataSet;
    Changed();
}

void TDataBinding::Changed() {
    const std::vector<TBindingClient*> clients = FClients;
    for (TBindingClient* client : clients)
        client->BindingChanged();
}

void TDataBinding::Attach(TBindingClient* client) {
    if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) FClients.push_back(client);
}

void TDataBinding::Detach(TBindingClient* client) {
    std::erase(FClients, client);
}

} // namespace tarvik
