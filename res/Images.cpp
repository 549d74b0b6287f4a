#include "res/Images.h"

#include "res/ResourceIds.h"

namespace svx {
namespace {
#include "res/images/icon16.xpm"
#include "res/images/icon32.xpm"
#include "res/images/invalid.xpm"
#include "res/images/valid.xpm"
}  // namespace

const XpmData kValidXpm = valid_xpm;
const XpmData kInvalidXpm = invalid_xpm;
const XpmData kIcon32Xpm = icon32_xpm;
const XpmData kIcon16Xpm = icon16_xpm;

XpmData FindXpm(int id, int size) {
  switch (id) {
    case IDB_VALID:
      return kValidXpm;
    case IDB_INVALID:
      return kInvalidXpm;
    case IDR_MAINFRAME:
      return size <= 16 ? kIcon16Xpm : kIcon32Xpm;
    default:
      return nullptr;
  }
}

}  // namespace svx
