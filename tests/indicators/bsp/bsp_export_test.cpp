// VQM_BSP against the host double, through both backends: every result, the error texts
// left in the script's buffer, the restart rule, the keys and the log lines.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "indicators/bsp/bsp_fixture.h"

namespace vqm {
namespace {

using test::HostDouble;
using test::HostOp;
using test::Hex;

class BspExportTest : public test::BspTest {
 public:
  // The expected log lines of the manager.
  std::string Added(const std::string& key, const std::string& idx, int64_t handle) {
    return log().Line("BSPMgr", 1,
                      "Added new BSP Instance: ID=" + key + ", Idx=" + idx +
                          ", BSP=" + Hex(reinterpret_cast<void*>(handle)) + ", Mgr=" + Mgr());
  }
  std::string ElVal(const std::string& key, const void* array) {
    return log().Line("BSPMgr", 1, "pELVal=" + Hex(array) + " (ID=" + key + ")");
  }
  std::string Starting(const std::string& key, int from, int to, int avgLen, int volLen,
                       int style) {
    return log().Line("BSPMgr", 1,
                      "Starting BSP Manager (Ver=1.2b Nov 16 2015 12:20:12) for ID=" + key +
                          ", Bar=" + std::to_string(from) + " -> " + std::to_string(to) +
                          ", AvgLen=" + std::to_string(avgLen) + ", VolLen=" +
                          std::to_string(volLen) + ", Style=" + std::to_string(style));
  }
  std::string Ready(int64_t handle, const void* array) {
    return log().Line("BSPMgr", 1,
                      "VQM_BSPCalc1 pBSP=" + Hex(reinterpret_cast<void*>(handle)) +
                          " ELVal=" + Hex(array));
  }
  std::string SendError(const std::string& text) {
    return log().Line("UTC", 3, "sendError: " + text);
  }
  std::string Internal(int64_t handle) {
    return log().Line("BSPMgr", 1,
                      "Internal Error occured (g_BSPMgr=" + Mgr() +
                          ", pBSP=" + Hex(reinterpret_cast<void*>(handle)) + ")");
  }
  std::string TestLine(int maxBarsBack, int barIndex) {
    return log().Line("BSPMgr", 1,
                      "TEST: MaxBarsBack=" + std::to_string(maxBarsBack) +
                          ", MnBarNbr=" + std::to_string(barIndex));
  }
};

// One row of the result table: the first call of a fresh key on a prepared host.
struct Row {
  const char* name;
  std::function<void(HostDouble&)> prepare;
  int result;
  const char* errorText;  // left in the buffer; null: the buffer keeps the key text
  // Lines after "Added new BSP Instance", given the fixture, key, handle and host.
  std::function<std::vector<std::string>(BspExportTest&, const std::string&, int64_t,
                                         HostDouble&)>
      lines;
};

TEST_P(BspExportTest, ResultTable) {
  auto bound = [](BspExportTest& t, const std::string& key, int64_t, HostDouble& host) {
    return std::vector<std::string>{t.ElVal(key, &host.array())};
  };
  auto failedAfterBinding = [](BspExportTest& t, const std::string& key, int64_t h,
                               HostDouble& host) {
    return std::vector<std::string>{t.ElVal(key, &host.array()), t.Internal(h),
                                    t.TestLine(50, 50)};
  };
  auto ready = [](int avgLen, int volLen, int style) {
    return [=](BspExportTest& t, const std::string& key, int64_t h, HostDouble& host) {
      return std::vector<std::string>{t.ElVal(key, &host.array()),
                                      t.Starting(key, -1, 50, avgLen, volLen, style),
                                      t.Ready(h, &host.array())};
    };
  };
  auto fail = [](HostOp op) {
    return [=](HostDouble& host) { host.Fail(op, static_cast<HRESULT>(0x80004005u)); };
  };
  const Row rows[] = {
      {"Ready", [](HostDouble&) {}, 0, nullptr, ready(3, 2, 1)},
      {"NoUpTicks", [](HostDouble& h) { h.hasUpTicks = false; }, -3,
       "VQM_UT64 Error#3 occured - UpTicks missing", bound},
      {"NoDownTicks", [](HostDouble& h) { h.hasDownTicks = false; }, -4,
       "VQM_UT64 Error#4 occured - DownTicks missing", bound},
      {"NoArray", [](HostDouble& h) { h.hasArray = false; }, -6,
       "VQM_UT64 Error#6 occured - arrBSP missing",
       [](BspExportTest& t, const std::string& key, int64_t, HostDouble&) {
         return std::vector<std::string>{t.ElVal(key, nullptr)};
       }},
      {"TwoDimensions", [](HostDouble& h) { h.ReshapeArray(2, 10); }, -7,
       "VQM_UT64 Error#7 occured - arrBSP dimensions wrong", bound},
      {"NineElements", [](HostDouble& h) { h.ReshapeArray(1, 9); }, -8,
       "VQM_UT64 Error#8 occured - arrBSP Size wrong", bound},
      {"ElevenElements", [](HostDouble& h) { h.ReshapeArray(1, 11); }, 0, nullptr,
       ready(3, 2, 1)},
      {"TextTwelve", [](HostDouble& h) { h.array().SetElement(2, test::BstrVariant("12")); }, 0,
       nullptr, ready(12, 2, 1)},
      {"Doubles",
       [](HostDouble& h) {
         h.array().SetElement(3, test::R8Variant(7.9));
         h.array().SetElement(4, test::R8Variant(-2.5));
       },
       0, nullptr, ready(3, 7, -2)},
      {"Integers", [](HostDouble& h) { h.array().SetElement(2, test::I4Variant(40)); }, 0,
       nullptr, ready(40, 2, 1)},
      {"TextNotANumber", [](HostDouble& h) { h.array().SetElement(3, test::BstrVariant("abc")); },
       -9, nullptr, failedAfterBinding},
      {"NullElement", [](HostDouble& h) { h.array().SetElement(4, test::NullVariant()); }, -9,
       nullptr, failedAfterBinding},
      {"FindNamedArrayFails", fail(HostOp::kFindNamedArray), -9, nullptr,
       [](BspExportTest& t, const std::string&, int64_t h, HostDouble&) {
         return std::vector<std::string>{t.Internal(h), t.TestLine(50, 50)};
       }},
      {"QueryDimensionCountFails", fail(HostOp::kQueryDimensionCount), -9, nullptr,
       failedAfterBinding},
      {"QueryDimensionLengthFails", fail(HostOp::kQueryDimensionLength), -9, nullptr,
       failedAfterBinding},
      {"OpenUpTickSeriesFails", fail(HostOp::kOpenUpTickSeries), -9, nullptr,
       failedAfterBinding},
      {"OpenDownTickSeriesFails", fail(HostOp::kOpenDownTickSeries), -9, nullptr,
       failedAfterBinding},
      {"SelectElementFails", fail(HostOp::kSelectElement), -9, nullptr, failedAfterBinding},
      {"ReadSelectedElementFails", fail(HostOp::kReadSelectedElement), -9, nullptr,
       failedAfterBinding},
      // The diagnostic line needs these two calls as well, so it is dropped.
      {"QueryBarNumberFails", fail(HostOp::kQueryBarNumber), -9, nullptr,
       [](BspExportTest& t, const std::string& key, int64_t h, HostDouble& host) {
         return std::vector<std::string>{t.ElVal(key, &host.array()), t.Internal(h)};
       }},
      {"QueryMaxBarsBackFails", fail(HostOp::kQueryMaxBarsBack), -9, nullptr,
       [](BspExportTest& t, const std::string& key, int64_t h, HostDouble& host) {
         return std::vector<std::string>{t.ElVal(key, &host.array()), t.Internal(h)};
       }},
  };
  const std::string base = keyText_;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    keyText_ = base + "." + row.name;
    HostDouble host;
    row.prepare(host);
    const std::string idx = NextIdx();
    EXPECT_EQ(row.result, Call(&host));
    EXPECT_STREQ(row.errorText != nullptr ? row.errorText : keyText_.c_str(), buffer_);
    const int64_t handle = Handle();
    ASSERT_NE(0, handle);
    std::vector<std::string> expected = {Added(Key(), idx, handle)};
    for (const std::string& line : row.lines(*this, Key(), handle, host)) expected.push_back(line);
    if (row.errorText != nullptr) expected.push_back(SendError(row.errorText));
    test::ExpectLines(expected, log().NewLines());

    // Every object that came back was borrowed: its reference went back at once.
    EXPECT_EQ(1u, host.array().refs());
    EXPECT_EQ(1u, host.upTicks().refs());
    EXPECT_EQ(1u, host.downTicks().refs());
    for (int stream : host.dataStreams) EXPECT_EQ(255, stream);
    if (host.Calls(HostOp::kFindNamedArray) > 0) {
      EXPECT_EQ("arrBSP", host.lastArrayName);
    }

    // Once the host is mended, the next call looks up again what it lacks and succeeds: the
    // array it could not bind, or after a caught failure everything, the array included.
    const int lookups = host.Calls(HostOp::kFindNamedArray);
    host.Heal();
    host.hasArray = host.hasUpTicks = host.hasDownTicks = true;
    host.ReshapeArray(1, 10);
    host.SetParameters(3, 2, 1);
    EXPECT_EQ(0, Call(&host));
    EXPECT_EQ(lookups + (row.result <= -6 ? 1 : 0), host.Calls(HostOp::kFindNamedArray));
    log().NewLines();
  }
}

TEST_P(BspExportTest, NullHostIsRefusedBeforeAnythingHappens) {
  EXPECT_EQ(-10, Call(nullptr));
  EXPECT_STREQ("VQM_UT64 Error#10 occured - Host object missing", buffer_);
  EXPECT_EQ(0, Handle());
  test::ExpectLines({SendError("VQM_UT64 Error#10 occured - Host object missing")},
                    log().NewLines());
}

TEST_P(BspExportTest, NullSubKeySetsUpTheInstanceAndReturnsMinusTwo) {
  HostDouble host;
  const std::string idx = NextIdx();
  EXPECT_EQ(-2, Call(&host, nullptr));
  EXPECT_STREQ(keyText_.c_str(), buffer_);
  const int64_t handle = Handle(nullptr);
  ASSERT_NE(0, handle);
  test::ExpectLines({Added(Key(nullptr), idx, handle), ElVal(Key(nullptr), &host.array()),
                     Starting(Key(nullptr), -1, 50, 3, 2, 1)},
                    log().NewLines());
  host.SetAbsoluteBar(51);
  EXPECT_EQ(-2, Call(&host, nullptr));
  EXPECT_TRUE(log().NewLines().empty());
}

// The averages restart only when the bar index goes back; the parameters are read on every
// call but take effect only then.
TEST_P(BspExportTest, RestartRule) {
  HostDouble host;
  const std::string idx = NextIdx();
  ASSERT_EQ(0, Call(&host));
  const int64_t h = Handle();
  test::ExpectLines({Added(Key(), idx, h), ElVal(Key(), &host.array()),
                     Starting(Key(), -1, 50, 3, 2, 1), Ready(h, &host.array())},
                    log().NewLines());
  ASSERT_EQ(0, Call(&host));  // the same bar again (a real-time tick)
  host.SetParameters(9, 8, 2);
  host.SetAbsoluteBar(51);
  ASSERT_EQ(0, Call(&host));
  test::ExpectLines({Ready(h, &host.array()), Ready(h, &host.array())}, log().NewLines());
  host.SetAbsoluteBar(40);
  ASSERT_EQ(0, Call(&host));
  test::ExpectLines({Starting(Key(), 51, 40, 9, 8, 2), Ready(h, &host.array())},
                    log().NewLines());
  host.maxBarsBack = 10;  // the absolute index counts the max-bars-back setting too
  host.barNumber = 30;
  ASSERT_EQ(0, Call(&host));
  test::ExpectLines({Starting(Key(), 40, 39, 9, 8, 2), Ready(h, &host.array())},
                    log().NewLines());
  // The host objects stay bound: one lookup each.
  EXPECT_EQ(1, host.Calls(HostOp::kFindNamedArray));
  EXPECT_EQ(1, host.Calls(HostOp::kOpenUpTickSeries));
  EXPECT_EQ(1, host.Calls(HostOp::kOpenDownTickSeries));
}

TEST_P(BspExportTest, KeysDifferingOnlyInCaseShareAnInstance) {
  HostDouble host;
  const std::string idx = NextIdx();
  ASSERT_EQ(0, Call(&host, "Es", 7, -3));
  const int64_t h = Handle("Es", 7, -3);
  log().NewLines();
  const std::string original = keyText_;
  for (char& c : keyText_) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(0, Call(&host, "eS", 7, -3));
  EXPECT_EQ(h, Handle("ES", 7, -3));
  test::ExpectLines({Ready(h, &host.array())}, log().NewLines());
  EXPECT_NE(h, Handle("ES", 7, 3));
  keyText_ = original;
  EXPECT_EQ(0, Handle("Es", 8, -3));
}

// Keys are built in a buffer of 1008 characters: longer ones are cut to 1007.
TEST_P(BspExportTest, LongKeysAreCut) {
  HostDouble host;
  keyText_ += std::string(1500, 'k');
  const std::string cut = Key().substr(0, 1007);
  const std::string idx = NextIdx();
  ASSERT_EQ(0, Call(&host));
  const int64_t h = Handle();
  ASSERT_NE(0, h);
  test::ExpectLines({Added(cut, idx, h), ElVal(cut, &host.array()),
                     Starting(cut, -1, 50, 3, 2, 1), Ready(h, &host.array())},
                    log().NewLines());
  keyText_ += "tail";  // differs only beyond the cut
  EXPECT_EQ(h, Handle());
  // An error text with the key in it must fit the script's buffer; this one has no key.
  host.hasUpTicks = false;
  keyText_ = std::string(3000, 'q');
  EXPECT_EQ(-3, Call(&host));
  EXPECT_STREQ("VQM_UT64 Error#3 occured - UpTicks missing", buffer_);
}

TEST_P(BspExportTest, NullKeyTextReadsAsNull) {
  HostDouble host;
  const std::string sub = keyText_;
  EXPECT_EQ(0, api().VQM_BSP(sub.c_str(), 1, 2, nullptr, &host, 0));
  EXPECT_NE(0, api().VQM_BSPHandle(sub.c_str(), 1, 2, nullptr));
  host.hasUpTicks = false;
  EXPECT_EQ(-3, api().VQM_BSP((sub + "x").c_str(), 1, 2, nullptr, &host, 0));
  const std::vector<std::string> lines = log().NewLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(std::string::npos, lines[0].find("ID=(null)/" + sub + "/1/2"));
}

// A failed binding is retried on the next call.
TEST_P(BspExportTest, ArrayIsCheckedAgainAfterAnError) {
  HostDouble host;
  host.ReshapeArray(1, 9);
  EXPECT_EQ(-8, Call(&host));
  EXPECT_STREQ("VQM_UT64 Error#8 occured - arrBSP Size wrong", buffer_);
  EXPECT_EQ(-8, Call(&host));
  host.ReshapeArray(1, 10);
  log().NewLines();
  EXPECT_EQ(0, Call(&host));
  EXPECT_EQ(3, host.Calls(HostOp::kFindNamedArray));
  const int64_t h = Handle();
  test::ExpectLines({ElVal(Key(), &host.array()), Starting(Key(), -1, 50, 3, 2, 1),
                     Ready(h, &host.array())},
                    log().NewLines());
}

VQM_INSTANTIATE_BACKEND_TESTS(BspExportTest);

}  // namespace
}  // namespace vqm
