#pragma once
// Shows an ODBC dataset through a binding: the navigator's operations go to the dataset and the
// dataset's changes reach the binding's widgets. It lives among the window's components after
// its dataset and lets go of the binding when the dataset is removed.
#include "app/DataBinding.h"
#include "dataset/odbc/OEDataSet.h"

namespace tarvik {

class TDataSetLink : public TComponent, public TNavigableDataSet, private TDataSetObserver {
public:
    // Attaches itself to binding as its dataset.
    TDataSetLink(TComponent* owner, TCustomOEDataSet& dataSet, TDataBinding& binding);
    // Detaches from the dataset and the binding; never throws.
    ~TDataSetLink() override;

    TDataSet* Records() const override { return FDataSet; }
    bool Active() const override { return FDataSet && FDataSet->Active(); }
    bool Bof() const override { return FDataSet->Bof(); }
    bool Eof() const override { return FDataSet->Eof(); }
    bool Editing() const override;
    // False: records are shown, and changes are not posted to the server through the widgets.
    bool CanModify() const override { return false; }
    void First() override { FDataSet->First(); }
    void Prior() override { FDataSet->Prior(); }
    void Next() override { FDataSet->Next(); }
    void Last() override { FDataSet->Last(); }
    void MoveBy(int distance) override { FDataSet->MoveBy(distance); }
    // The editing operations throw EDatabaseError: the dataset cannot be modified here.
    void Insert() override { Refuse(); }
    void Delete() override { Refuse(); }
    void Edit() override { Refuse(); }
    void Post() override { Refuse(); }
    void Cancel() override { Refuse(); }
    // Runs the dataset's statement again.
    void Refresh() override { FDataSet->RefreshResults(); }
    std::string Bookmark() const override;
    void GotoBookmark(const std::string& bookmark) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void DataEvent(TDataEvent event, int distance) noexcept override;
    [[noreturn]] static void Refuse();
    void Unlink() noexcept;

    TCustomOEDataSet* FDataSet;
    TDataBinding* FBinding;
};

} // namespace tarvik
