#include "res/Strings.h"

#include "res/ResourceIds.h"

namespace svx {

std::string_view LoadResString(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return kAboutBoxItem;
    default:
      return {};
  }
}

}  // namespace svx
