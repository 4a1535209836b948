// A batch over a cache holding every kind of file, failed at each of its
// file calls in turn with a full disk, an I/O error or a refusal: whatever
// call fails, every cache file stays whole somewhere below the cache folder
// (or went as the settings allow), and nothing outside it changes.
#include <errno.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "app/run.h"
#include "pipeline/convert.h"
#include "pipeline/detectionlog.h"
#include "platform/posix/faults.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "store/domaintable.h"
#include "support/guards.h"
#include "support/nothinglost.h"
#include "support/samplecache.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

void ResetRunState() {
  scripted::Reset();
  scripted::ResetProgress();
  ResetDetectionLog();
  ResetProcessDomainTable();
  ResetConversionRun();
  GoWithoutDomainTable();
}

int RunFolder(const fs::path& folder) {
  std::string text = folder.string() + "/";
  app::ArgList args;
  args.items[args.count++] = text.data();
  return app::RunArguments(args);
}

// One batch over a fresh sample with the `failAt`-th counted call failing
// (0: none). Returns what went wrong, empty when nothing did; `calls` gets
// the number of counted calls the batch made.
std::string FailedBatch(uint64_t failAt, int error, uint64_t& calls) {
  test::TempFolder root;
  const test::SampleCache sample = test::BuildSampleCache(root.Path());
  test::NothingLost lost(sample.cache);
  for (const char* name : test::kSampleDeletable) lost.MayBeDeleted(name);
  const auto outside = test::Snapshot(sample.sibling);
  {
    test::CurrentFolderGuard folder;
    ResetRunState();
    platform::ArmFaults(failAt, error);
    RunFolder(sample.cache);
    calls = platform::CountedFileCalls();
    platform::DisarmFaults();
    ResetRunState();
  }
  std::string problems = lost.Check();
  if (test::Snapshot(sample.sibling) != outside) problems += "the sibling folder changed\n";
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(root.Path())) {
    (void)entry;
    ++entries;
  }
  if (entries != 2) problems += "something was made beside the cache folder\n";
  return problems;
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Options& options = CurrentOptions();
    options.EditLinks = 1;
    options.DeleteBackup = 1;
    options.UnixToMacLineEnds = 1;
    options.EucToShiftJis = 1;
    test::SetBrokenImageMode(kBrokenImagesDeleted);
  }
  void TearDown() override { platform::DisarmFaults(); }
  test::OptionsGuard options_;
};

TEST_F(FaultInjectionTest, NoFailingFileCallLosesACacheFileOrTouchesAnythingOutside) {
  uint64_t total = 0;
  ASSERT_EQ(FailedBatch(0, 0, total), "");
  ASSERT_GT(total, 50u);
  RecordProperty("counted_calls", std::to_string(total));
  struct Case {
    const char* what;
    int error;
    uint64_t stride;  // every n-th call fails in turn
  };
  const Case cases[] = {
      {"a full disk", ENOSPC, 1},
      {"an I/O error", EIO, 3},
      {"a refusal", EACCES, 5},
  };
  for (const Case& c : cases) {
    size_t failures = 0;
    for (uint64_t n = 1; n <= total && failures < 5; n += c.stride) {
      uint64_t calls = 0;
      const std::string problems = FailedBatch(n, c.error, calls);
      if (!problems.empty()) ++failures;
      EXPECT_EQ(problems, "") << c.what << " at counted call " << n << " of " << total;
    }
  }
}

}  // namespace
}  // namespace hoard
