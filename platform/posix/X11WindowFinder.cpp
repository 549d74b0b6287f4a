#include "platform/posix/X11WindowFinder.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <memory>
#include <span>

#include "platform/Wildcard.h"

namespace svx {
namespace {

// A window manager puts a client one or two levels below its frame; deeper
// windows are a program's own children, which carry no title of interest.
constexpr int kMaxDepth = 3;
// A bound on the walk so that a display with a runaway number of windows
// cannot hold up the tool's start.
constexpr size_t kMaxWindowsVisited = 100000;
// Titles are compared whole, so reading a little more than the wanted title
// is enough to tell a match.
constexpr long kTitleReadLongs = 256;

struct XFreeDeleter {
  void operator()(void* data) const { XFree(data); }
};
// What Xlib allocated for the caller (property values, window lists).
template <typename T>
using XMemory = std::unique_ptr<T, XFreeDeleter>;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

int IgnoreXError(Display*, XErrorEvent*) {
  // Windows vanish between listing and reading them (BadWindow); such a
  // window simply has no title.
  return 0;
}

// Set when the connection of the current search broke. The tool has one
// thread, and only a search installs the handlers that write it.
bool connectionLost = false;

void NoteConnectionLost(Display*, void*) {
  connectionLost = true;
}

// Xlib calls this first on a broken connection, then the display's exit
// handler, whose default ends the process. Installing ours from here covers a
// server that goes away inside XOpenDisplay as well, before the caller has a
// display to install it on.
int KeepRunningOnIOError(Display* display) {
  connectionLost = true;
  XSetIOErrorExitHandler(display, NoteConnectionLost, nullptr);
  return 0;
}

// Installs the handlers for one search and restores the previous ones, which
// belong to whoever else in the process uses Xlib (the GUI toolkit).
class HandlerScope {
 public:
  HandlerScope()
      : previousError_(XSetErrorHandler(IgnoreXError)),
        previousIOError_(XSetIOErrorHandler(KeepRunningOnIOError)) {}
  ~HandlerScope() {
    XSetErrorHandler(previousError_);
    XSetIOErrorHandler(previousIOError_);
  }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

 private:
  XErrorHandler previousError_;
  XIOErrorHandler previousIOError_;
};

class TitleSearch {
 public:
  TitleSearch(Display* display, const std::string& title)
      : display_(display), title_(title), lost_(connectionLost) {
    // Atoms nobody has interned cannot be set on any window.
    netWmName_ = XInternAtom(display_, "_NET_WM_NAME", True);
    netClientList_ = XInternAtom(display_, "_NET_CLIENT_LIST", True);
  }

  bool Run() {
    const int screens = ScreenCount(display_);
    // The manager's list names exactly the client windows; it is only a fast
    // path, since a manager that died leaves a stale list behind.
    for (int s = 0; s < screens && !lost_; ++s) {
      if (ClientListHasTitle(RootWindow(display_, s))) return true;
    }
    for (int s = 0; s < screens && !lost_; ++s) {
      if (SubtreeHasTitle(RootWindow(display_, s), 0)) return true;
    }
    return false;
  }

 private:
  bool TitleMatches(Window window) {
    if (lost_ || ++visited_ > kMaxWindowsVisited) return false;
    bool present = false;
    if (netWmName_ != None && ReadTitle(window, netWmName_, present)) return true;
    if (present) return false;
    return ReadTitle(window, XA_WM_NAME, present);
  }

  // Whether the property holds text equal to the title; `present` tells
  // whether it holds text at all.
  bool ReadTitle(Window window, Atom property, bool& present) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* received = nullptr;
    const int status =
        XGetWindowProperty(display_, window, property, 0, kTitleReadLongs, False, AnyPropertyType,
                           &type, &format, &items, &after, &received);
    const XMemory<unsigned char> data(received);
    present = status == Success && type != None && format == 8;
    return present && after == 0 && data &&
           EqualsNoCase(std::string_view(reinterpret_cast<const char*>(data.get()), items), title_);
  }

  bool ClientListHasTitle(Window root) {
    if (netClientList_ == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* received = nullptr;
    const int status = XGetWindowProperty(display_, root, netClientList_, 0, 1L << 16, False,
                                          XA_WINDOW, &type, &format, &items, &after, &received);
    const XMemory<unsigned char> data(received);
    if (status != Success || type != XA_WINDOW || format != 32 || !data) return false;
    // Format-32 data arrives as an array of long, whatever the width of long.
    const auto* clients = reinterpret_cast<const unsigned long*>(data.get());
    for (Window w : std::span(clients, items)) {
      if (TitleMatches(w)) return true;
    }
    return false;
  }

  bool SubtreeHasTitle(Window parent, int depth) {
    Window root = 0, parentOut = 0;
    Window* received = nullptr;
    unsigned int count = 0;
    if (lost_) return false;
    const Status listed = XQueryTree(display_, parent, &root, &parentOut, &received, &count);
    const XMemory<Window> children(received);
    if (!listed) return false;
    for (Window w : std::span(children.get(), count)) {
      if (TitleMatches(w)) return true;
      if (depth + 1 < kMaxDepth && SubtreeHasTitle(w, depth + 1)) return true;
    }
    return false;
  }

  Display* display_;
  const std::string& title_;
  Atom netWmName_ = None;
  Atom netClientList_ = None;
  const bool& lost_;
  size_t visited_ = 0;
};

}  // namespace

bool X11WindowFinder::TopLevelWindowExists(const std::string& title) {
  HandlerScope handlers;
  connectionLost = false;
  const std::unique_ptr<Display, DisplayCloser> display(
      XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str()));
  if (!display) return false;
  // The default exit handler would end the process when the server goes
  // away; this one lets every later request on the connection fail instead.
  XSetIOErrorExitHandler(display.get(), NoteConnectionLost, nullptr);
  return TitleSearch(display.get(), title).Run();
}

}  // namespace svx
