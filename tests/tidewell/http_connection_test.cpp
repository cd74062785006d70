#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "test_servers.h"
#include "tidewell/transfer/http_connection.h"
#include "tidewell/transfer/internet_exception.h"

using namespace tidewell;
using namespace tidewell_test;

namespace {

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    server_ = StartHttpTestServer();
    ASSERT_TRUE(server_);
    session_.SetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(1000)});
  }

  std::unique_ptr<HttpRequest> Open(const std::string& path, int port = 0) {
    connection_ = std::make_unique<HttpConnection>(
        session_, "127.0.0.1", static_cast<uint16_t>(port ? port : server_->port()));
    return connection_->OpenRequest("GET", path);
  }

  // Error number of the first failure while sending and reading everything.
  int FailureOf(HttpRequest& request, std::string* body = nullptr) {
    try {
      request.SendRequest();
      char buffer[1023];
      while (size_t n = request.Read(buffer, sizeof buffer)) {
        if (body) body->append(buffer, n);
      }
    } catch (const InternetException& e) {
      EXPECT_EQ(e.context(), 1);
      return e.error();
    }
    return 0;
  }

  std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 251);
    return s;
  }

  std::unique_ptr<ServerProcess> server_;
  InternetSession session_{"Http Connection", 1, ProxyAccess::Preconfigured};
  std::unique_ptr<HttpConnection> connection_;
};

}  // namespace

TEST_F(HttpRequestTest, BodyArrivesInReadsNoLargerThanAsked) {
  auto request = Open("/pattern/50000");
  request->AddRequestHeaders("Content-Type: application/x-www-form-urlencoded", true);
  request->AddRequestHeaders("content-type: text/plain", true);  // already there: not added
  ASSERT_TRUE(request->SendRequest());
  EXPECT_EQ(request->QueryStatusCode(), 200);
  EXPECT_EQ(request->QueryContentLength(), 50000);
  const auto date = request->QueryLastModified();
  ASSERT_TRUE(date);
  EXPECT_EQ(date->year, 2015);
  EXPECT_EQ(date->hour, 7);

  std::string body;
  char buffer[1024];
  while (size_t n = request->Read(buffer, 1023)) {
    EXPECT_LE(n, 1023u);
    body.append(buffer, n);
  }
  EXPECT_EQ(body.size(), 50000u);
  EXPECT_TRUE(body == Pattern(50000));
  EXPECT_EQ(request->Read(buffer, 1023), 0u);
}

TEST_F(HttpRequestTest, AnswersWithoutHeadersOrWithRedirects) {
  auto missing = Open("/missing");
  ASSERT_TRUE(missing->SendRequest());
  EXPECT_EQ(missing->QueryStatusCode(), 404);

  auto undated = Open("/no-length/10");
  ASSERT_TRUE(undated->SendRequest());
  EXPECT_FALSE(undated->QueryContentLength());

  auto moved = Open("/redirect/300");
  std::string body;
  EXPECT_EQ(FailureOf(*moved, &body), 0);
  EXPECT_EQ(moved->QueryStatusCode(), 200);
  EXPECT_TRUE(body == Pattern(300));
}

TEST_F(HttpRequestTest, FailuresCarryInternetErrorNumbers) {
  auto refused = Open("/", FreeLocalPort());
  EXPECT_EQ(FailureOf(*refused), kInternetCannotConnect);

  auto garbage = Open("/garbage");
  EXPECT_EQ(FailureOf(*garbage), kInternetInvalidServerResponse);

  // What arrived before the connection dropped is still handed over.
  auto early = Open("/close-early/50000");
  std::string body;
  EXPECT_EQ(FailureOf(*early, &body), kInternetFtpDropped);
  EXPECT_EQ(body.size(), 5000u);
  EXPECT_TRUE(body == Pattern(5000));

  const auto start = std::chrono::steady_clock::now();
  auto stalled = Open("/hang");
  EXPECT_EQ(FailureOf(*stalled), kInternetTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(HttpRequestTest, CancelFlagEndsWaitsWithinAStep) {
  std::atomic<bool> cancel{false};
  session_.SetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(30000)});
  auto stalled = Open("/hang");
  stalled->SetCancelFlag(&cancel);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel = true;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(stalled->SendRequest());
  const auto waited = std::chrono::steady_clock::now() - start;
  canceller.join();
  EXPECT_LT(waited, std::chrono::milliseconds(800));

  cancel = false;
  auto slow = Open("/slow/100000?chunk=1000&delay=0.5");
  slow->SetCancelFlag(&cancel);
  ASSERT_TRUE(slow->SendRequest());
  char buffer[1023];
  EXPECT_EQ(slow->Read(buffer, sizeof buffer), 1000u > sizeof buffer ? sizeof buffer : 1000u);
  cancel = true;
  const auto before = std::chrono::steady_clock::now();
  while (slow->Read(buffer, sizeof buffer) != 0) {
  }
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(400));
}

TEST_F(HttpRequestTest, PreconfiguredSessionGoesThroughTheUsersProxy) {
  // The test server answers absolute-form requests too, so it can stand in as the proxy.
  setenv("http_proxy", server_->Url("").c_str(), 1);
  unsetenv("NO_PROXY");
  unsetenv("no_proxy");
  HttpConnection viaProxy(session_, "updates.corvane.example", 80);
  auto request = viaProxy.OpenRequest("GET", "/pattern/64");
  std::string body;
  EXPECT_EQ(FailureOf(*request, &body), 0);
  EXPECT_EQ(request->QueryStatusCode(), 200);
  EXPECT_TRUE(body == Pattern(64));

  // A direct session ignores the environment and cannot resolve the name.
  InternetSession direct("Http Connection", 1, ProxyAccess::Direct);
  direct.SetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(1000)});
  HttpConnection noProxy(direct, "updates.corvane.example", 80);
  auto refused = noProxy.OpenRequest("GET", "/pattern/64");
  EXPECT_EQ(FailureOf(*refused), kInternetNameNotResolved);
  unsetenv("http_proxy");
}
