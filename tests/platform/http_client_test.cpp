// The curl client on file URLs only: no request leaves the machine.
#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vesk::platform {
namespace {

class CurlClient : public ::testing::Test {
 protected:
  CurlClient() {
    dir_ = std::filesystem::temp_directory_path() /
           ("vesk_http_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  ~CurlClient() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return "file://" + path.string();
  }
  std::filesystem::path dir_;
  std::unique_ptr<HttpClient> client_ = MakeCurlHttpClient();
};

TEST_F(CurlClient, FileUrlsAreRead) {
  const std::string url = Write("a.txt", std::string("a\r\nb\0c", 6));
  std::vector<uint8_t> body;
  EXPECT_TRUE(client_->Get(url, body, nullptr));
  EXPECT_EQ(std::string(body.begin(), body.end()), std::string("a\r\nb\0c", 6));
}

TEST_F(CurlClient, MissingFilesOtherSchemesAndBadUrlsFail) {
  std::vector<uint8_t> body;
  EXPECT_FALSE(client_->Get("file://" + (dir_ / "none.txt").string(), body, nullptr));
  EXPECT_FALSE(client_->Get("ftp://localhost/x", body, nullptr));
  EXPECT_FALSE(client_->Get("", body, nullptr));
  EXPECT_FALSE(client_->Get("::not a url::", body, nullptr));
  EXPECT_TRUE(body.empty());
}

TEST_F(CurlClient, BodiesBeyondTheLimitAndCancelledRequestsFail) {
  const std::string url = Write("big.txt", std::string(5000, 'x'));
  auto small = MakeCurlHttpClient(15000, 1000);
  std::vector<uint8_t> body;
  EXPECT_FALSE(small->Get(url, body, nullptr));
  EXPECT_LE(body.size(), 1000u);
  std::atomic<bool> cancel{true};
  body.clear();
  EXPECT_FALSE(client_->Get(url, body, &cancel));
}

}  // namespace
}  // namespace vesk::platform
