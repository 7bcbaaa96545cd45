#include "app/DataSetLink.h"

#include "core/Exceptions.h"

namespace tarvik {

TDataSetLink::TDataSetLink(TComponent* owner, TCustomOEDataSet& dataSet, TDataBinding& binding)
    : TComponent(owner), FDataSet(&dataSet), FBinding(&binding) {
    FDataSet->AddObserver(this);
    FBinding->SetDataSet(this);
}

TDataSetLink::~TDataSetLink() {
    Unlink();
}

void TDataSetLink::Unlink() noexcept {
    if (FDataSet) FDataSet->RemoveObserver(this);
    FDataSet = nullptr;
    if (FBinding && FBinding->DataSet() == this) FBinding->SetDataSet(nullptr);
    FBinding = nullptr;
}

void TDataSetLink::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == FDataSet || component == FBinding) Unlink();
}

bool TDataSetLink::Editing() const {
    return FDataSet->State() == dsEdit || FDataSet->State() == dsInsert;
}

std::string TDataSetLink::Bookmark() const {
    const TBookmark bookmark = FDataSet->GetBookmark();
    return std::string(bookmark.begin(), bookmark.end());
}

void TDataSetLink::GotoBookmark(const std::string& bookmark) {
    FDataSet->GotoBookmark(TBookmark(bookmark.begin(), bookmark.end()));
}

void TDataSetLink::DataEvent(TDataEvent, int) noexcept {
    if (FBinding) FBinding->Changed();
}

void TDataSetLink::Refuse() {
    throw EDatabaseError("The records of this dataset cannot be modified here");
}

} // namespace tarvik
