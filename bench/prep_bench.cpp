// The whole preparation pass over a generated simulator tree on the real file
// layer, with a window whose waits return at once, so that only the pass and
// the file system are measured. Compare with syscall_baseline.
//
//   prep_bench --files N
#include <cstdio>
#include <string>

#include "bench/BenchTree.h"
#include "bench/QuietOwner.h"
#include "platform/posix/PosixFileSystem.h"
#include "prep/Preparation.h"

using namespace svx;

int main(int argc, char** argv) {
  const long files = bench::ParseFiles(argc, argv, "prep_bench");
  bench::BenchTree tree(files);
  PosixFileSystem fs;
  bench::QuietOwner owner(tree.Root());

  bench::ResetPeakRss();
  const auto start = std::chrono::steady_clock::now();
  RunPreparation(owner, fs);
  const double seconds = bench::Seconds(start);
  const double rss = bench::PeakRssMib();

  if (!owner.launchEnabled || owner.image != StatusImage::kValid || !tree.Verify()) {
    std::fprintf(stderr, "prep_bench: wrong end state (%s: %s)\n", owner.lastCaption.c_str(),
                 owner.lastText.c_str());
    return 1;
  }
  std::printf(
      "prep_bench files=%ld checked=%d renamed=%d removed=%d seconds=%.3f "
      "peak_rss_mib=%.1f\n",
      tree.Created(), owner.counters.checked, owner.counters.renamed, owner.counters.removed,
      seconds, rss);
  return 0;
}
