#include "ui/LocationDialog.h"

#include <utility>

#include "install/SimulatorChecks.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

namespace svx {
LocationDialog::LocationDialog(FileSystem& files, std::string registryFolder) : files_(files) {
  values_.registryFolder = std::move(registryFolder);
}

bool LocationDialog::OnInitDialog() {
  // The toolkit window attaches itself first; without a view there is nothing
  // to show and no folder to take.
  if (!view_) return false;
  view_->ShowValues(values_);
  // With the empty new folder this normally shows the red X: the marker file
  // would have to sit at the root of the current drive.
  TestNewFolder();
  ShowVerdict();
  view_->ShowValues(values_);
  return true;
}

void LocationDialog::OnBrowse() {
  if (!view_) return;
  std::optional<std::string> picked = view_->BrowseForFolder(kBrowseTitle);
  if (!picked) return;
  // Used exactly as picked: a drive root keeps its trailing backslash.
  values_.newFolder = std::move(*picked);
  view_->ShowValues(values_);
  TestNewFolder();
  ShowVerdict();
}

void LocationDialog::OnUseRegistry() {
  if (!view_) return;
  values_.newFolder = values_.registryFolder;
  view_->ShowValues(values_);
  TestNewFolder();
  ShowVerdict();
}

void LocationDialog::OnOk() {
  if (!view_) return;
  // The flag follows whatever is typed in the field now; the image keeps the
  // verdict of the last Browse or Use Registry until the next one.
  TestNewFolder();
  if (!valid_ &&
      view_->ShowMessage(kInvalidOnExitQuestion, kQuestionCaption, kStyleYesNo) != kAnswerYes) {
    return;
  }
  // The dialog's standard OK. After Yes to an invalid folder it ends with OK
  // all the same; the cleared flag tells the main window to keep its folder.
  view_->CollectValues(values_);
  view_->EndDialog(kResultOk);
}

void LocationDialog::OnCancel() {
  if (!view_) return;
  if (view_->ShowMessage(kCancelQuestion, kQuestionCaption, kStyleYesNo) == kAnswerYes) {
    view_->EndDialog(kResultCancel);
  }
}

void LocationDialog::TestNewFolder() {
  // Collect first, so that a folder typed into the field is the one tested.
  view_->CollectValues(values_);
  valid_ = IsValidSimFolder(files_, values_.newFolder);
}

void LocationDialog::ShowVerdict() {
  view_->SetStatusImage(valid_ ? StatusImage::kValid : StatusImage::kInvalid);
}

}  // namespace svx
