#pragma once
// The seam between the data-aware widgets (grid, navigator bar) and a dataset.
// A dataset plugs in by implementing TNavigableDataSet (TDataSetLink does for the
// ODBC dataset) and calling Changed() on the binding whenever its state, position or
// contents change.
#include "core/Component.h"

#include <string>
#include <vector>

namespace tarvik {

class TDataSet;

// What a navigator bar and a grid need of a dataset.
class TNavigableDataSet {
public:
    virtual ~TNavigableDataSet() = default;
    virtual bool Active() const = 0;
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    // True in the edit and insert states.
    virtual bool Editing() const = 0;
    virtual bool CanModify() const = 0;
    // Moves and edits; each may throw the dataset's exceptions.
    virtual void First() = 0;
    virtual void Prior() = 0;
    virtual void Next() = 0;
    virtual void Last() = 0;
    virtual void MoveBy(int distance) = 0;
    virtual void Insert() = 0;
    virtual void Delete() = 0;
    virtual void Edit() = 0;
    virtual void Post() = 0;
    virtual void Cancel() = 0;
    virtual void Refresh() = 0;
    // An opaque position of the current record, and the move back to one. May throw.
    virtual std::string Bookmark() const = 0;
    virtual void GotoBookmark(const std::string& bookmark) = 0;
    // The dataset whose fields and records a grid shows; null when there are none to show.
    virtual TDataSet* Records() const { return nullptr; }
};

// A widget shown through a binding.
class TBindingClient {
public:
    virtual ~TBindingClient() = default;
    // The dataset was attached, detached, or changed state, position or contents.
    virtual void BindingChanged() = 0;
    // The binding is being destroyed; the client must forget it.
    virtual void BindingDestroyed() = 0;
};

// Connects the widgets shown through it to one dataset (DataQuery, DataVsebina, ...).
// Owns neither the dataset nor the clients.
class TDataBinding : public TComponent {
public:
    explicit TDataBinding(TComponent* owner = nullptr) : TComponent(owner) {}
    // Tells every client to forget this binding; never throws.
    ~TDataBinding() override;

    TNavigableDataSet* DataSet() const { return FDataSet; }
    // Attaches dataSet (nullptr detaches) and tells the clients.
    void SetDataSet(TNavigableDataSet* dataSet);
    // True when a dataset is attached and active.
    bool Active() const { return FDataSet && FDataSet->Active(); }
    // Called by the dataset (or its adapter) after any change the clients must show.
    void Changed();

    void Attach(TBindingClient* client);
    void Detach(TBindingClient* client);

private:
    TNavigableDataSet* FDataSet = nullptr;
    std::vector<TBindingClient*> FClients;
};

} // namespace tarvik
