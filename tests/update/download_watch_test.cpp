#include "update/download_watch.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;

// The time the watch reads, set by the test.
std::chrono::steady_clock::time_point testNow;
std::chrono::steady_clock::time_point TestClock() { return testNow; }

// A binding that counts the calls of its Abort.
class CountingBinding final : public IBinding {
 public:
  int aborts = 0;

  STDMETHODIMP QueryInterface(REFIID, void **object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  STDMETHODIMP Abort() override {
    ++aborts;
    return S_OK;
  }
  STDMETHODIMP Suspend() override { return E_NOTIMPL; }
  STDMETHODIMP Resume() override { return E_NOTIMPL; }
  STDMETHODIMP SetPriority(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP GetPriority(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP GetBindResult(CLSID *, DWORD *, LPWSTR *, DWORD *) override { return E_NOTIMPL; }

  ULONG references = 1;
};

// The watch fed as the download service feeds it; Wine's service follows
// redirects unseen, so this is where their limits are checked in both builds.
class DownloadWatchTest : public ::testing::Test {
 protected:
  void SetUp() override { watch = new DownloadWatch; }
  void TearDown() override { EXPECT_EQ(watch->Release(), 0u); }

  HRESULT Redirect(const wchar_t *location) {
    return watch->OnProgress(0, 0, BINDSTATUS_REDIRECTING, location);
  }

  DownloadWatch *watch = nullptr;
};

TEST_F(DownloadWatchTest, ReportsTheAnswerAndTheEndOfTheBody) {
  LPWSTR extra = nullptr;
  EXPECT_EQ(watch->OnResponse(200, nullptr, nullptr, &extra), S_OK);
  EXPECT_EQ(watch->OnProgress(10, 300, BINDSTATUS_DOWNLOADINGDATA, nullptr), S_OK);
  EXPECT_FALSE(watch->Report(S_OK).ended) << "not before the end of the data";
  EXPECT_EQ(watch->OnProgress(300, 300, BINDSTATUS_ENDDOWNLOADDATA, nullptr), S_OK);
  TransferReport report = watch->Report(INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(report.serviceResult, INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(report.abandoned, S_OK);
  EXPECT_EQ(report.httpStatus, 200u);
  EXPECT_TRUE(report.ended);
  EXPECT_EQ(report.received, 300u);
  EXPECT_EQ(report.announced, 300u);
}

TEST_F(DownloadWatchTest, AsksToStopAtAnAnswerOtherThan2xx) {
  for (DWORD status : {199u, 300u, 404u, 500u}) {
    LPWSTR extra = nullptr;
    EXPECT_EQ(watch->OnResponse(status, nullptr, nullptr, &extra), E_ABORT) << status;
    EXPECT_EQ(watch->Report(S_OK).httpStatus, status);
  }
  LPWSTR extra = nullptr;
  EXPECT_EQ(watch->OnResponse(299, nullptr, nullptr, &extra), S_OK);
}

TEST_F(DownloadWatchTest, AbandonsARedirectElsewhereThanHttp) {
  for (const wchar_t *location : {L"ftp://127.0.0.1/file", L"file:///etc/hostname"}) {
    DownloadWatch *fresh = new DownloadWatch;
    EXPECT_EQ(fresh->OnProgress(0, 0, BINDSTATUS_REDIRECTING, location), E_ABORT);
    EXPECT_EQ(fresh->Report(S_OK).abandoned, INET_E_REDIRECT_FAILED);
    fresh->Release();
  }
  EXPECT_EQ(Redirect(L"HTTPS://example.com/a"), S_OK) << "the scheme in any letter case";
  EXPECT_EQ(watch->Report(S_OK).abandoned, S_OK);
}

TEST_F(DownloadWatchTest, FollowsTenRedirectsAndAbandonsTheEleventh) {
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(Redirect(L"http://127.0.0.1/next"), S_OK) << i;
  EXPECT_EQ(Redirect(L"http://127.0.0.1/next"), E_ABORT);
  EXPECT_EQ(watch->Report(S_OK).abandoned, INET_E_REDIRECT_FAILED);
}

TEST_F(DownloadWatchTest, AnswersForBothItsInterfaces) {
  void *callback = nullptr;
  void *negotiate = nullptr;
  void *other = reinterpret_cast<void *>(1);
  ASSERT_EQ(watch->QueryInterface(IID_IBindStatusCallback, &callback), S_OK);
  ASSERT_EQ(watch->QueryInterface(IID_IHttpNegotiate, &negotiate), S_OK);
  EXPECT_EQ(watch->QueryInterface(IID_IBinding, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(static_cast<IHttpNegotiate *>(negotiate)->Release(), 2u);
  EXPECT_EQ(static_cast<IBindStatusCallback *>(callback)->Release(), 1u);
}

// The transfer starts at 0 ms; a block of data comes at `signOfLife` (-1:
// none) and the watch looks at `checked`.
struct Stall {
  long signOfLife;
  long checked;
  bool aborted;
};

class DownloadWatchStallTest : public ::testing::TestWithParam<Stall> {};

TEST_P(DownloadWatchStallTest, AbortsThirtySecondsAfterTheLastSignOfLife) {
  const Stall row = GetParam();
  const auto start = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
  testNow = start;
  auto *watch = new DownloadWatch(TestClock);
  CountingBinding binding;
  watch->OnStartBinding(0, &binding);
  if (row.signOfLife >= 0) {
    testNow = start + milliseconds(row.signOfLife);
    watch->OnProgress(1024, 65536, BINDSTATUS_DOWNLOADINGDATA, nullptr);
  }
  testNow = start + milliseconds(row.checked);
  watch->CheckForStall();
  watch->CheckForStall();
  EXPECT_EQ(binding.aborts, row.aborted ? 1 : 0) << "once, however often it looks";
  EXPECT_EQ(watch->Report(E_ABORT).abandoned, row.aborted ? INET_E_CONNECTION_TIMEOUT : S_OK);
  watch->OnStopBinding(E_ABORT, nullptr);
  EXPECT_EQ(binding.references, 1u) << "the binding is let go";
  watch->Release();
}

INSTANTIATE_TEST_SUITE_P(Rows, DownloadWatchStallTest,
                         ::testing::Values(Stall{-1, 29999, false}, Stall{-1, 30000, true},
                                           Stall{20000, 49999, false}, Stall{20000, 50000, true}));

}  // namespace
