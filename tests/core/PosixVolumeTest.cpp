// The pass on the volumes a simulator lives on besides the local disk: an NTFS
// partition and a FAT one, mounted through FUSE as Linux desktops mount them.
// Each offers another way to rename without replacing, so the same sample tree
// must end in the same state on each.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/NoReplaceRename.h"
#include "platform/posix/PosixFileSystem.h"
#include "prep/Preparation.h"
#include "support/PrepRecordingOwner.h"
#include "support/TempDir.h"

namespace svx {
namespace {

namespace stdfs = std::filesystem;
using test::PrepRecordingOwner;
using test::TempDir;

// Starts a program with its output discarded. In the child, `dieWithParent`
// makes it end (SIGTERM) with the test, so that a test that crashes leaves no
// FUSE daemon, and so no mount, behind.
pid_t Start(const std::vector<std::string>& argv, bool dieWithParent) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (dieWithParent) ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

// Waits at most `seconds`; the exit status, or -1 when it did not end.
int WaitFor(pid_t pid, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (ended < 0 || std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int Run(const std::vector<std::string>& argv) {
  const pid_t pid = Start(argv, false);
  return pid < 0 ? -1 : WaitFor(pid, 60);
}

bool MountedOn(const std::string& dir) {
  struct stat at, parent;
  return ::stat(dir.c_str(), &at) == 0 && ::stat((dir + "/..").c_str(), &parent) == 0 &&
         at.st_dev != parent.st_dev;
}

struct VolumeKind {
  const char* name;
  // Makes a file system in the image; the image's path is added.
  std::vector<std::string> make;
  // Mounts in the foreground; the image's path and the mount point are added.
  std::vector<std::string> mount;
  RenameWay way;  // the way renames on it take
};

// An image file under the build folder, mounted through FUSE while the object
// lives; unmounted (fusermount -u) however the test ends.
class FuseVolume {
 public:
  // Nothing, with the reason in *whyNot, where this machine cannot mount it.
  static std::unique_ptr<FuseVolume> Mount(const VolumeKind& kind, std::string* whyNot) {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
      *whyNot = "no usable /dev/fuse";
      return nullptr;
    }
    const std::string base = std::string(SVX_TEST_SCRATCH_DIR) + "/volumes/" + kind.name + "-" +
                             std::to_string(::getpid());
    std::unique_ptr<FuseVolume> volume(new FuseVolume(base));
    std::error_code ec;
    stdfs::create_directories(volume->root_, ec);
    { std::ofstream image(volume->image_, std::ios::binary); }
    if (ec || ::truncate(volume->image_.c_str(), 32 << 20) != 0) {
      *whyNot = "cannot create " + volume->image_;
      return nullptr;
    }
    std::vector<std::string> make = kind.make;
    make.push_back(volume->image_);
    if (Run(make) != 0) {
      *whyNot = make[0] + " failed or is not installed";
      return nullptr;
    }
    std::vector<std::string> mount = kind.mount;
    mount.push_back(volume->image_);
    mount.push_back(volume->root_);
    volume->daemon_ = Start(mount, true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!MountedOn(volume->root_)) {
      int status = 0;
      if (volume->daemon_ < 0 || ::waitpid(volume->daemon_, &status, WNOHANG) != 0 ||
          std::chrono::steady_clock::now() > deadline) {
        volume->daemon_ = -1;
        *whyNot = "mounting through " + mount[0] + " was refused";
        return nullptr;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return volume;
  }

  ~FuseVolume() {
    if (daemon_ > 0) {
      for (int attempt = 0; attempt < 50 && MountedOn(root_); ++attempt) {
        if (Run({"fusermount", "-u", root_}) == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      if (WaitFor(daemon_, 20) < 0) {
        ::kill(daemon_, SIGKILL);
        WaitFor(daemon_, 5);
        Run({"fusermount", "-u", "-z", root_});
      }
    }
    std::error_code ec;
    if (!MountedOn(root_)) stdfs::remove(root_, ec);
    stdfs::remove(image_, ec);
  }

  const std::string& Root() const { return root_; }

 private:
  explicit FuseVolume(const std::string& base) : root_(base), image_(base + ".img") {}

  std::string root_, image_;
  pid_t daemon_ = -1;
};

void PrintTo(const VolumeKind& kind, std::ostream* out) {
  *out << kind.name;
}

const VolumeKind kLocalDisk = {"local", {}, {}, RenameWay::kNoReplace};
const VolumeKind kVolumes[] = {
    kLocalDisk,
    {"ntfs-3g", {"mkntfs", "-F", "-Q", "-q"}, {"ntfs-3g", "-o", "no_detach"}, RenameWay::kLink},
    {"fusefat", {"mkfs.vfat"}, {"fusefat", "-f", "-o", "rw+"}, RenameWay::kClaim},
};

std::string Folded(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& content) {
  stdfs::create_directories(stdfs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// Every file below dir by its path, folded (FAT keeps letter case its own
// way), with its content. A file removed while the pass held it open stays
// under a hidden name of FUSE's own until FUSE has seen it closed.
std::map<std::string, std::string> FilesBelow(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : stdfs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file() || e.path().filename().string().rfind(".fuse_hidden", 0) == 0) {
      continue;
    }
    files[Folded(stdfs::relative(e.path(), dir).string())] = Read(e.path().string());
  }
  return files;
}

class PreparationOnVolumeTest : public ::testing::TestWithParam<VolumeKind> {
 protected:
  void SetUp() override {
    if (GetParam().make.empty()) {
      root_ = local_.Str();
      return;
    }
    std::string whyNot;
    volume_ = FuseVolume::Mount(GetParam(), &whyNot);
    if (!volume_) GTEST_SKIP() << GetParam().name << " volume not tested: " << whyNot;
    root_ = volume_->Root();
  }

  std::string At(const std::string& relative) const { return root_ + "/" + relative; }

  TempDir local_;
  std::unique_ptr<FuseVolume> volume_;
  std::string root_;
};

TEST_P(PreparationOnVolumeTest, EndsInTheStateOfAnUninterruptedPass) {
  const std::string vod = "FSX/SCENERY/VODeVevuza/Scenery/";
  const std::map<std::string, std::string> before = {
      {vod + "L1L_0001.XXX", "renamed"},
      {vod + "l1l_0002.xxx", "renamed, lower case"},
      {vod + "L1L_0003.XXX", "redundant"},
      {vod + "L1L_0003.BGL", "kept"},
      {vod + "L1P_0004.XXX", "redundant, other case"},
      {vod + "l1p_0004.bgl", "kept, other case"},
      {vod + "L1R_0005.BGL", "already active"},
      {vod + "LLC_0006.BGL", "made inactive"},
      {vod + "L1X_0007.XXX", "redundant, target moved within the volume"},
      {vod + "L1X_0007.BGL", "put back by link or copy"},
      {vod + "L1O_0008.XXX", "redundant, target moved off the volume"},
      {vod + "L1O_0008.BGL", "put back by copy"},
      {vod + "ZQZ_0009.XXX", "no rule's"},
      {"FSX/SCENERY/VEZiRuru/Scenery/RR1_0010.XXX", "renamed in another folder"},
  };
  for (const auto& [path, content] : before) Write(At(path), content);
  Write(At("SvxKmV11.exe"), "xxxx");
  stdfs::create_directories(At("FSX/moved"));

  // Another program moves two held targets away while their sources go, as a
  // sync client would: the pass must give each name its file back.
  const std::string offVolume = local_.Str() + "/off-volume";
  PosixFileSystem files(
      PosixFileSystem::Options{At("prefix"), root_, nullptr, [&](const std::string& target) {
                                 const std::string name = stdfs::path(target).filename().string();
                                 if (name == "L1X_0007.BGL")
                                   stdfs::rename(target, At("FSX/moved/L1X_0007.BGL"));
                                 if (name == "L1O_0008.BGL") {
                                   stdfs::copy_file(target, offVolume);
                                   stdfs::remove(target);
                                 }
                               }});
  PrepRecordingOwner owner(At("FSX"));

  RunPreparation(owner, files);

  const std::string f = "scenery/vodevevuza/scenery/";
  EXPECT_EQ(FilesBelow(At("FSX")),
            (std::map<std::string, std::string>{
                {"moved/l1x_0007.bgl", "put back by link or copy"},
                {f + "l1l_0001.bgl", "renamed"},
                {f + "l1l_0002.bgl", "renamed, lower case"},
                {f + "l1l_0003.bgl", "kept"},
                {f + "l1p_0004.bgl", "kept, other case"},
                {f + "l1r_0005.bgl", "already active"},
                {f + "llc_0006.xxx", "made inactive"},
                {f + "l1x_0007.bgl", "put back by link or copy"},
                {f + "l1o_0008.bgl", "put back by copy"},
                {f + "zqz_0009.xxx", "no rule's"},
                {"scenery/veziruru/scenery/rr1_0010.bgl", "renamed in another folder"},
            }));
  EXPECT_EQ(Read(offVolume), "put back by copy");
  EXPECT_EQ(owner.counters.renamed, 4);
  EXPECT_EQ(owner.counters.removed, 4);
  ASSERT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(owner.messages[0].caption, "Success");
  EXPECT_EQ(owner.launchEnabled, 1);
  EXPECT_EQ(Read(At("SvxKmV11.exe")), "MZxx");

  // The way renames took here.
  Write(At("probe-from"), "probe");
  RenameWay way = RenameWay::kNoReplace;
  EXPECT_TRUE(RenameWithoutReplace(At("probe-from"), At("probe-to"), way));
  EXPECT_EQ(static_cast<int>(way), static_cast<int>(GetParam().way));

  // What a rename stopped between its claim and the rename leaves: only where
  // renames claim names can the empty file be such a claim, and only there
  // does the source take its name; elsewhere it is an empty pair target.
  const std::string left = "FSX/left/";
  Write(At(left + "S.XXX"), "source");
  Write(At(left + "S.BGL"), "");
  {
    PassScope pass(files);
    EXPECT_EQ(files.RemoveRedundant(At(left + "S.XXX"), At(left + "S.BGL")),
              RemovalOutcome::kRemoved);
  }
  const bool claims = GetParam().way == RenameWay::kClaim;
  EXPECT_EQ(FilesBelow(At(left)),
            (std::map<std::string, std::string>{{"s.bgl", claims ? "source" : ""}}));

  // What a rename stopped between its link and its unlink leaves: one file
  // under both names. Only where renames link is it finished; elsewhere such a
  // link is kept. FAT has no links to leave.
  const std::string linked = "FSX/linked/";
  Write(At(linked + "S.XXX"), "source");
  if (::link(At(linked + "S.XXX").c_str(), At(linked + "S.BGL").c_str()) == 0) {
    const bool links = GetParam().way == RenameWay::kLink;
    {
      PassScope pass(files);
      EXPECT_EQ(files.RemoveRedundant(At(linked + "S.XXX"), At(linked + "S.BGL")),
                links ? RemovalOutcome::kRemoved : RemovalOutcome::kNotRedundant);
    }
    std::map<std::string, std::string> after = {{"s.bgl", "source"}};
    if (!links) after["s.xxx"] = "source";
    EXPECT_EQ(FilesBelow(At(linked)), after);
  }
}

std::string VolumeName(const ::testing::TestParamInfo<VolumeKind>& kind) {
  std::string name = kind.param.name;
  name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
  return name;
}

INSTANTIATE_TEST_SUITE_P(Volumes, PreparationOnVolumeTest, ::testing::ValuesIn(kVolumes),
                         VolumeName);

}  // namespace
}  // namespace svx
