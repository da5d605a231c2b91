#include <gtest/gtest.h>

#include <chrono>

#include "base/win32.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "update/download_file.h"
#include "update/download_limits.h"

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
// The server, and the silent connection with it, ends well after that.
constexpr long kServerLifetimeSeconds = kStallLimitSeconds + 20;

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
  HttpTestServer server(GetParam().answer, "", 0, kServerLifetimeSeconds);
  ASSERT_NE(server.Port(), 0);
  auto start = Clock::now();
  EXPECT_EQ(DownloadFile(server.Url("/downloads/QZv251.exe").c_str(), kTarget.c_str()),
            INET_E_CONNECTION_TIMEOUT)
      << "ended by the download's own watch";
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, seconds(GetParam().limitSeconds)) << "gave up too early";
  EXPECT_LE(waited, seconds(GetParam().limitSeconds + 1) + kSlack);
  EXPECT_FALSE(test_drive::Exists(kTarget));
}

INSTANTIATE_TEST_SUITE_P(StalledOrDown, DownloadTimeLimitsTest,
                         ::testing::Values(Silence{"stall", kStallLimitSeconds},
                                           Silence{"unreachable", kConnectTimeLimitSeconds}));

}  // namespace
