// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "install/SimulatorChecks.h"
#include "platform/posix/X11WindowFinder.h"

namespace svx {
namespace {

// Other tests may share the display, so every title is made unique to this
// process; the matching rules do not depend on the title's text.
std::string Unique(const std::string& title) {
  return title + " " + std::to_string(getpid());
}

class X11Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    // Xvfb resets itself when its last client leaves, and refuses connections
    // while it does: the previous test's may just have gone.
    for (int i = 0; i < 100 && !display_; ++i) {
      display_ = XOpenDisplay(nullptr);
      if (!display_) usleep(50000);
    }
    ASSERT_NE(display_, nullptr) << "no X display: run under tools/with-xvfb";
    root_ = DefaultRootWindow(display_);
  }
  void TearDown() override {
    if (!display_) return;
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) XDestroyWindow(display_, *it);
    XCloseDisplay(display_);
  }

  Window Make(Window parent, const char* wmName, const char* netWmName) {
    const Window w = XCreateSimpleWindow(display_, parent, 0, 0, 50, 50, 0, 0, 0);
    if (wmName) XStoreName(display_, w, wmName);
    if (netWmName) {
      XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_NAME", False),
                      XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(netWmName),
                      static_cast<int>(std::string(netWmName).size()));
    }
    XMapWindow(display_, w);
    made_.push_back(w);
    return w;
  }
  // A window manager's frame: untitled, with the client one level further down.
  Window Framed(const char* wmName, const char* netWmName) {
    const Window frame = Make(root_, nullptr, nullptr);
    const Window inner = Make(frame, nullptr, nullptr);
    return Make(inner, wmName, netWmName);
  }
  void Destroy(Window w) {
    XDestroyWindow(display_, w);
    std::erase(made_, w);
  }
  bool Find(const std::string& title) {
    XSync(display_, False);
    return X11WindowFinder().TopLevelWindowExists(title);
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  std::vector<Window> made_;
};

TEST_F(X11Windows, MatchesTheWholeTitleWithoutRegardToCase) {
  const std::string title = Unique("Microsoft Flight Simulator X");
  struct Case {
    const char* name;
    std::string wmName;     // empty: none
    std::string netWmName;  // empty: none
    bool framed;
    bool found;
  } cases[] = {
      {"WM_NAME", title, "", false, true},
      {"_NET_WM_NAME", "", title, false, true},
      {"other letter case", "", Unique("MICROSOFT flight SIMULATOR x"), false, true},
      {"inside a window manager's frame", title, title, true, true},
      {"_NET_WM_NAME wins over WM_NAME", title, "Terminal", false, false},
      {"title only begins with it", title + " - Beta", "", false, false},
      {"title ends with it", "Demo " + title, "", true, false},
      {"trailing blank", title + " ", "", false, false},
      {"no title", "", "", true, false},
  };
  for (const auto& c : cases) {
    const char* wm = c.wmName.empty() ? nullptr : c.wmName.c_str();
    const char* net = c.netWmName.empty() ? nullptr : c.netWmName.c_str();
    const Window w = c.framed ? Framed(wm, net) : Make(root_, wm, net);
    EXPECT_EQ(Find(title), c.found) << c.name;
    Destroy(w);
  }
  EXPECT_FALSE(Find(title));
}

TEST_F(X11Windows, FindsTheSimulatorsOwnTitle) {
  // Only the positive case: another test may show such a window too.
  Make(root_, "Microsoft Flight Simulator X", "Microsoft Flight Simulator X");
  XSync(display_, False);
  X11WindowFinder finder;
  EXPECT_TRUE(IsSimulatorRunning(finder));
}

TEST_F(X11Windows, UsesTheClientListAndSurvivesAStaleOne) {
  const std::string title = Unique("Client List");
  // Deeper than any frame: only the manager's list leads to it.
  Window parent = root_;
  for (int i = 0; i < 5; ++i) parent = Make(parent, nullptr, nullptr);
  const Window client = Make(parent, title.c_str(), nullptr);
  EXPECT_FALSE(Find(title));

  // A window that is gone, as a manager that died leaves it behind, then ours.
  const Window gone = Make(root_, nullptr, nullptr);
  Destroy(gone);
  const Atom list = XInternAtom(display_, "_NET_CLIENT_LIST", False);
  const unsigned long ids[] = {gone, client};
  XChangeProperty(display_, root_, list, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(ids), 2);
  EXPECT_TRUE(Find(title));

  // With the list stale, the walk still finds a framed client.
  const std::string framed = Unique("Framed");
  Framed(framed.c_str(), nullptr);
  EXPECT_TRUE(Find(framed));
  XDeleteProperty(display_, root_, list);
  XSync(display_, False);
}

TEST_F(X11Windows, RestoresTheCallersErrorHandlers) {
  auto mine = [](Display*, XErrorEvent*) { return 0; };
  auto myIO = [](Display*) { return 0; };
  XErrorHandler before = XSetErrorHandler(mine);
  XIOErrorHandler beforeIO = XSetIOErrorHandler(myIO);
  Find("anything");
  X11WindowFinder(":999").TopLevelWindowExists("anything");
  EXPECT_EQ(XSetErrorHandler(before), static_cast<XErrorHandler>(mine));
  EXPECT_EQ(XSetIOErrorHandler(beforeIO), static_cast<XIOErrorHandler>(myIO));
}

TEST(X11WindowFinder, NoDisplayMeansNotRunning) {
  EXPECT_FALSE(X11WindowFinder(":999").TopLevelWindowExists("Microsoft Flight Simulator X"));
  EXPECT_FALSE(X11WindowFinder("no-such-host-xyz:0").TopLevelWindowExists("x"));
}

// Passes a client's connection to the real server on, and breaks it once the
// server has sent `limit` bytes: a server that goes away at that point.
class BreakingProxy {
 public:
  explicit BreakingProxy(size_t limit) : limit_(limit) {
    const char* display = std::getenv("DISPLAY");
    std::string number = display ? display : "";
    number = number.substr(number.find(':') + 1);
    number = number.substr(0, number.find('.'));
    serverPath_ = "/tmp/.X11-unix/X" + number;

    // An abstract socket, which the X client library tries first: nothing to
    // clean up on disk and no lock files to honour.
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    for (int n = 600; n < 700 && displayName_.empty(); ++n) {
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      const std::string name = "/tmp/.X11-unix/X" + std::to_string(n);
      std::copy(name.begin(), name.end(), addr.sun_path + 1);
      const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
      if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
        displayName_ = ":" + std::to_string(n);
      }
    }
    listen(listener_, 4);
    thread_ = std::thread([this] { Serve(); });
  }
  ~BreakingProxy() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  const std::string& DisplayName() const { return displayName_; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      std::copy(serverPath_.begin(), serverPath_.end(), addr.sun_path);
      if (connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        Pump(client, server);
      close(server);
      close(client);
    }
  }
  void Pump(int client, int server) {
    size_t sent = 0;
    char buffer[4096];
    while (!stop_ && sent < limit_) {
      pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
      if (poll(p, 2, 50) <= 0) continue;
      if (p[0].revents) {
        const ssize_t n = read(client, buffer, sizeof buffer);
        if (n <= 0 || write(server, buffer, static_cast<size_t>(n)) != n) return;
      }
      if (p[1].revents) {
        const ssize_t n = read(server, buffer, std::min(sizeof buffer, limit_ - sent));
        if (n <= 0 || write(client, buffer, static_cast<size_t>(n)) != n) return;
        sent += static_cast<size_t>(n);
      }
    }
  }

  size_t limit_;
  std::string serverPath_;
  std::string displayName_;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(X11Windows, SurvivesTheServerGoingAway) {
  const std::string title = Unique("Going Away");
  // Many windows, so that the break can fall inside the walk.
  for (int i = 0; i < 200; ++i) Framed(nullptr, nullptr);
  Make(root_, title.c_str(), nullptr);
  XSync(display_, False);

  for (size_t limit : {0u, 8u, 100u, 2000u, 5000u, 10000u, 20000u, 40000u, 80000u}) {
    BreakingProxy proxy(limit);
    ASSERT_FALSE(proxy.DisplayName().empty());
    // Reaching the next line at all is the point; the answer is false
    // unless the search finished before the break.
    X11WindowFinder(proxy.DisplayName()).TopLevelWindowExists(title);
  }
  BreakingProxy whole(size_t{1} << 30);
  EXPECT_TRUE(X11WindowFinder(whole.DisplayName()).TopLevelWindowExists(title));
}

}  // namespace
}  // namespace svx
