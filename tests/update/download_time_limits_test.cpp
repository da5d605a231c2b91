#include <gtest/gtest.h>

#include <chrono>

#include "portable/download_limits.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "update/download_file.h"

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

const std::string kTarget = "C:\\users\\Public\\QZv251.exe";

// The download gives up within its limit and the pause; the Windows build
// checks for a stall at the service's own wake-ups, 5 s apart under Wine.
constexpr auto kSlack = seconds(8);

struct Silence {
  const char *answer;
  long limitSeconds;
};

class DownloadTimeLimitsTest : public ::testing::TestWithParam<Silence> {
 protected:
  static void SetUpTestSuite() {
#ifdef _WIN32
    CoInitialize(nullptr);
#endif
  }
};

TEST_P(DownloadTimeLimitsTest, GivesUpOnAServerThatStopsAnswering) {
  test_drive::UseFreshDrive();
  HttpTestServer server(GetParam().answer);
  ASSERT_NE(server.Port(), 0);
  auto start = Clock::now();
  EXPECT_NE(DownloadFile(server.Url("/downloads/QZv251.exe").c_str(), kTarget.c_str()), 0);
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, seconds(GetParam().limitSeconds)) << "gave up too early";
  EXPECT_LE(waited, seconds(GetParam().limitSeconds + 1) + kSlack);
  EXPECT_FALSE(test_drive::Exists(kTarget));
}

INSTANTIATE_TEST_SUITE_P(StalledOrDown, DownloadTimeLimitsTest,
                         ::testing::Values(Silence{"stall", kStallLimitSeconds},
                                           Silence{"unreachable", kConnectTimeLimitSeconds}));

}  // namespace
