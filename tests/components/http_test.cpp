// HTTP request objects on a fake client (no request leaves the machine):
// the EUC-JP to Shift_JIS conversion, lines joined by 0x01, the end event
// on the main thread, "!other" sources and destruction during a request.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "components/http.h"
#include "image_fixture.h"
#include "platform/http_client.h"

namespace vesk::components::test {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

TEST(EucJp, PairsKanaAndAsciiBecomeShiftJis) {
  EXPECT_EQ(EucJpToShiftJis(Bytes({0xA4, 0xA2})), Bytes({0x82, 0xA0}));  // hiragana a
  EXPECT_EQ(EucJpToShiftJis(Bytes({0xA5, 0xA2})), Bytes({0x83, 0x41}));  // katakana a
  EXPECT_EQ(EucJpToShiftJis(Bytes({0xB4, 0xC1})), Bytes({0x8A, 0xBF}));  // kan
  EXPECT_EQ(EucJpToShiftJis(Bytes({0xA1, 0xE0})), Bytes({0x81, 0x80}));  // odd row, high cell
  EXPECT_EQ(EucJpToShiftJis(Bytes({0xF0, 0xA1})), Bytes({0xE8, 0x9F}));  // a row past 94
  EXPECT_EQ(EucJpToShiftJis(Bytes({0x8E, 0xB1})), Bytes({0xB1}));        // half-width a
  EXPECT_EQ(EucJpToShiftJis(Bytes({'a', 0x80, 0xFF, 'z'})), Bytes({'a', 0x80, 0xFF, 'z'}));
  // A lead byte cut off at the end is dropped, not read past.
  EXPECT_EQ(EucJpToShiftJis(Bytes({'x', 0xA4})), "x");
  EXPECT_EQ(EucJpToShiftJis(Bytes({0x8E})), "");
}

TEST(EucJp, LinesAreJoinedWithMarks) {
  EXPECT_EQ(JoinLinesWithMarks("a\r\nb"),
            "a\x01"
            "b");
  EXPECT_EQ(JoinLinesWithMarks("a\nb\rc\r\n"),
            "a\x01"
            "b\x01"
            "c");
  EXPECT_EQ(JoinLinesWithMarks("a\r\n\r\nb"),
            "a\x01\x01"
            "b");
  EXPECT_EQ(JoinLinesWithMarks(""), "");
}

// Answers the bodies it was given; a URL in `held` waits until released
// or cancelled.
class FakeClient final : public platform::HttpClient {
 public:
  bool Get(const std::string& url, std::vector<uint8_t>& body,
           const std::atomic<bool>* cancel) override {
    {
      std::lock_guard lock(mutex_);
      urls.push_back(url);
    }
    if (!held.empty() && url == held)
      while (!release && !(cancel && cancel->load()))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    auto it = bodies.find(url);
    if (it == bodies.end()) return false;
    body.insert(body.end(), it->second.begin(), it->second.end());
    return true;
  }
  std::vector<std::string> Urls() {
    std::lock_guard lock(mutex_);
    return urls;
  }

  std::map<std::string, std::string> bodies;
  std::string held;
  std::atomic<bool> release{false};

 private:
  std::mutex mutex_;
  std::vector<std::string> urls;
};

class Requests : public ImageScene {
 protected:
  Requests() { services_.http = &client_; }
  // Running workers end before the client goes.
  ~Requests() override { root_.Reset(); }
  TVeskHttp& Request(const std::string& name) {
    auto* r = dynamic_cast<TVeskHttp*>(root_.CreateByKind(LT_HTTP));
    EXPECT_NE(r, nullptr);
    r->SetName(name);
    r->SetStr(PR_ONPLAYEND, "p:" + name);
    return *r;
  }
  // Frames until the request has ended (the worker runs on its own).
  void Finish(TVeskHttp& r) {
    for (int i = 0; i < 5000 && r.Running(); ++i) {
      Frame();
      if (r.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(r.Running());
  }
  FakeClient client_;
};

TEST_F(Requests, BodyArrivesAsTextAndTheEndIsQueued) {
  client_.bodies["http://h/a"] = "a\r\nb";
  TVeskHttp& r = Request("r");
  r.SetStr(PR_SOURCE, "http://h/a");
  EXPECT_TRUE(r.Running());
  EXPECT_EQ(r.GetStr(PR_SOURCE), "http://h/a");
  Finish(r);
  EXPECT_EQ(r.GetStr(PR_TEXT),
            "a\x01"
            "b");
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p:r()"});
}

TEST_F(Requests, AFailedRequestStillEndsAndCanStartAgain) {
  TVeskHttp& r = Request("r");
  r.SetStr(PR_SOURCE, "http://h/missing");
  Finish(r);
  EXPECT_EQ(r.GetStr(PR_TEXT), "");
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 1u);
  client_.bodies["http://h/b"] = "ok";
  r.SetStr(PR_SOURCE, "http://h/b");
  Finish(r);
  EXPECT_EQ(r.GetStr(PR_TEXT), "ok");
}

TEST_F(Requests, SourceFromAnotherRequestsBody) {
  client_.bodies["http://h/where"] = "http://h/there";
  client_.bodies["http://h/there"] = "here";
  TVeskHttp& other = Request("other");
  other.SetStr(PR_SOURCE, "http://h/where");
  Finish(other);
  TVeskHttp& r = Request("r");
  r.SetStr(PR_SOURCE, "!other");
  Finish(r);
  EXPECT_EQ(r.GetStr(PR_SOURCE), "http://h/there");
  EXPECT_EQ(r.GetStr(PR_TEXT), "here");
  // A name that is no request gives an empty URL.
  TVeskHttp& none = Request("none");
  none.SetStr(PR_SOURCE, "!nobody");
  Finish(none);
  EXPECT_EQ(none.GetStr(PR_SOURCE), "");
}

TEST_F(Requests, WritesWhileRunningAreIgnoredAndDestructionCancels) {
  client_.held = "http://h/slow";
  client_.bodies["http://h/slow"] = "late";
  TVeskHttp& r = Request("r");
  r.SetStr(PR_SOURCE, "http://h/slow");
  r.SetStr(PR_SOURCE, "http://h/other");
  EXPECT_EQ(r.GetStr(PR_SOURCE), "http://h/slow");
  EXPECT_EQ(r.GetStr(PR_TEXT), "");  // the body is the worker's meanwhile
  root_.DeleteObject(&r);            // returns once the worker gave up
  EXPECT_EQ(root_.IndexOfName("r"), -1);
}

TEST_F(Requests, NoClientMeansNoNetworkAndAnEmptyBody) {
  services_.http = nullptr;
  TVeskHttp& r = Request("r");
  r.SetStr(PR_SOURCE, "http://h/a");
  Finish(r);
  EXPECT_EQ(r.GetStr(PR_TEXT), "");
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 1u);
  EXPECT_TRUE(client_.Urls().empty());
}

TEST_F(Requests, NoEventWhileTheProgramEnds) {
  bool ending = true;
  services_.terminating = [&ending] { return ending; };
  client_.bodies["http://h/a"] = "x";
  TVeskHttp& r = Request("r");
  r.SetStr(PR_SOURCE, "http://h/a");
  Finish(r);
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
  EXPECT_EQ(r.GetStr(PR_TEXT), "x");
}

}  // namespace
}  // namespace vesk::components::test
