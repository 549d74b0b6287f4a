// Behaviour of the change-location dialog (CLocationDlg).
#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "prep/Preparation.h"

namespace svx {

struct LocationValues {
  std::string registryFolder;  // 1081, read-only
  std::string newFolder;       // 1082
};

class LocationView : public MessageOwner {
 public:
  virtual void ShowValues(const LocationValues& values) = 0;
  virtual void CollectValues(LocationValues& values) = 0;
  virtual void SetStatusImage(StatusImage image) = 0;
  virtual void EndDialog(int result) = 0;
  // A modal folder chooser owned by the dialog; nothing when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title) = 0;
};

class LocationDialog {
 public:
  LocationDialog(FileSystem& files, std::string registryFolder);

  // The toolkit window attaches itself before it initialises.
  void Attach(LocationView& view) { view_ = &view; }

  bool OnInitDialog();
  void OnBrowse();       // 1059
  void OnUseRegistry();  // 1084
  void OnOk();           // 1
  void OnCancel();       // 2, Escape, close

  bool Valid() const { return valid_; }
  const LocationValues& Values() const { return values_; }

 private:
  void TestNewFolder();
  void ShowVerdict();

  FileSystem& files_;
  LocationView* view_ = nullptr;
  LocationValues values_;
  bool valid_ = false;
};

}  // namespace svx
