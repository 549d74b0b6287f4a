// Looks for top-level windows of other programs.
#pragma once

#include <string>

namespace svx {

class WindowFinder {
 public:
  virtual ~WindowFinder() = default;
  // True when a top-level window of any class has exactly this whole title,
  // compared without regard to letter case.
  virtual bool TopLevelWindowExists(const std::string& title) = 0;
};

}  // namespace svx
