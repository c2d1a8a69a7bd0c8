// VQM_BSPCalc through both backends: the script's whole road (VQM_BSP, VQM_BSPHandle,
// VQM_BSPCalc), the pressure of single bars, a replay against a model written from the
// description of the calculation, and handles that are not instances.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "indicators/bsp/bsp_fixture.h"
#include "indicators/bsp/bsp_set.h"
#include "support/average_model.h"
#include "support/float_bits.h"
#include "support/stack_state.h"

namespace vqm {
namespace {

using test::HostDouble;


CBSPSet* AsInstance(int64_t handle) {
  return reinterpret_cast<CBSPSet*>(static_cast<intptr_t>(handle));
}

struct ModelInstance {
  test::AverageModel volume, pressure, buy, sell;

  void Restart(int avgLen, int volLen) {
    volume.Init(volLen);
    pressure.Init(avgLen);
    buy.Init(avgLen);
    sell.Init(avgLen);
  }
  float Bar(float up, float down, int style) {
    const float total = up + down;
    volume.AddSimple(total);
    const float ratio = volume.value() > 0.0f ? total / volume.value() : 1.0f;
    float share;
    if (up - down >= 0.0f) {
      share = up > 0.0f ? 1.0f - down / up : 1.0f;
    } else {
      share = down > 0.0f ? -(1.0f - up / down) : -1.0f;
    }
    const float p = ratio * share;
    switch (style) {
      case 1:
        if (p > 0.0f) buy.AddExponential(p);
        if (p < 0.0f) sell.AddExponential(-p);
        break;
      case 2:
        buy.AddExponential(p > 0.0f ? p : 0.0f);
        sell.AddExponential(p < 0.0f ? -p : 0.0f);
        break;
      case 3:
        if (p > 0.0f) buy.AddSimple(p);
        if (p < 0.0f) sell.AddSimple(-p);
        break;
      case 4:
        buy.AddSimple(p > 0.0f ? p : 0.0f);
        sell.AddSimple(p < 0.0f ? -p : 0.0f);
        break;
      default:
        return p;
    }
    pressure.AddExponential(p);
    return p;
  }
};

class BspCalcTest : public test::BspTest {
 protected:
  // A fresh instance of the test's key, set up by VQM_BSP with these parameters.
  int64_t FreshInstance(HostDouble& host, const char* subKey, float avgLen, float volLen) {
    host.SetParameters(avgLen, volLen, 1);
    EXPECT_EQ(0, Call(&host, subKey));
    return Handle(subKey);
  }
  float Pressure(int64_t handle, float up, float down, int style, int expectedResult = 0) {
    float p = 12345.0f;
    EXPECT_EQ(expectedResult, api().VQM_BSPCalc(AsInstance(handle), up, down, style, &p));
    return p;
  }
};

// Bars that reach each branch of the pressure: the library's value of the last bar is the
// model's.
TEST_P(BspCalcTest, SingleBars) {
  struct Case {
    const char* name;
    int volLen;
    std::vector<std::pair<float, float>> bars;  // up, down
  } cases[] = {
      {"UpDominates", 5, {{300, 100}}},
      {"DownDominates", 5, {{100, 300}}},
      {"NoTicks", 5, {{0, 0}}},
      {"NoTicksAfterVolume", 5, {{100, 100}, {0, 0}}},
      {"OnlyDown", 5, {{0, 50}}},
      {"OnlyUp", 5, {{50, 0}}},
      {"VolumeAboveAverage", 2, {{60, 40}, {300, 0}}},
      {"VolumeAverageIdle", 0, {{60, 40}, {300, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostDouble host;
    const int64_t h = FreshInstance(host, c.name, 3, static_cast<float>(c.volLen));
    ASSERT_NE(0, h);
    ModelInstance model;
    model.Restart(3, c.volLen);
    float p = 0;
    float expected = 0;
    for (const auto& bar : c.bars) {
      p = Pressure(h, bar.first, bar.second, 1);
      expected = model.Bar(bar.first, bar.second, 1);
    }
    EXPECT_EQ(test::FloatBits(expected), test::FloatBits(p)) << p;
  }
}

// A style outside 1 to 4 returns the pressure and leaves the smoothing alone.
TEST_P(BspCalcTest, OtherStylesOnlyReturnThePressure) {
  HostDouble host;
  const int64_t h = FreshInstance(host, "x", 3, 4);
  EXPECT_EQ(test::FloatBits(0.5f), test::FloatBits(Pressure(h, 200, 100, 7)));
  EXPECT_EQ(test::FloatBits(-0.5f), test::FloatBits(Pressure(h, 100, 200, 0)));
  if (!inProcess()) return;
  const CBSPSet& inst = *AsInstance(h);
  EXPECT_EQ(2u, inst.volumeAvg.filled);
  EXPECT_EQ(0u, inst.buyAvg.filled);
  EXPECT_EQ(0u, inst.sellAvg.filled);
  EXPECT_EQ(0u, inst.pressureAvg.filled);
}

// In process: an instance's average holds what the model's does, bit for bit (value, high,
// low, count, next slot, ring).
void ExpectAverageOfModel(const CCalcStack& s, const test::AverageModel& m, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(test::FloatBits(m.value()), test::FloatBits(s.value));
  if (s.capacity == 0) return;
  test::ExpectStackStateOfModel(s, m);
}

// Random up/down streams, every style and lengths from 0 to 500, with restarts, and now and
// then a call of another style (which reads what the others left): each bar's pressure bit
// for bit as the model gives it (and in process the averages too).
TEST_P(BspCalcTest, AgreesWithTheModel) {
  std::mt19937 rng(20240315);
  const int kLengths[] = {0, 1, 2, 3, 7, 30, 499, 500};
  const int kStyles[] = {1, 2, 3, 4, 0, 5, 7, -1};
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto volume = [&]() -> float {
    switch (pick(4)) {
      case 0: return 0.0f;
      case 1: return static_cast<float>(pick(1000));
      case 2: return std::uniform_real_distribution<float>(0.0f, 5000.0f)(rng);
      default: return std::uniform_real_distribution<float>(0.0f, 1e-3f)(rng);
    }
  };
  for (int stream = 0; stream < 24; ++stream) {
    SCOPED_TRACE(stream);
    HostDouble host;
    ModelInstance model;
    const std::string sub = "stream" + std::to_string(stream);
    int bar = 100;
    int64_t h = 0;
    for (int segment = 0; segment < 2; ++segment) {
      // The second segment restarts from an earlier bar with new lengths.
      const int avgLen = kLengths[pick(8)], volLen = kLengths[pick(8)];
      const int style = kStyles[(stream + segment) % 8];
      host.SetParameters(static_cast<float>(avgLen), static_cast<float>(volLen),
                         static_cast<float>(style));
      bar -= 50;
      host.SetAbsoluteBar(bar);
      ASSERT_EQ(0, Call(&host, sub.c_str()));
      h = Handle(sub.c_str());
      model.Restart(avgLen, volLen);
      for (int i = 0; i < 520; ++i) {
        const float up = volume(), down = volume();
        const int barStyle = pick(6) == 0 ? kStyles[pick(8)] : style;
        const float expected = model.Bar(up, down, barStyle);
        const float actual = Pressure(h, up, down, barStyle);
        ASSERT_EQ(test::FloatBits(expected), test::FloatBits(actual))
            << "bar " << i << " up " << up << " down " << down << " style " << barStyle
            << " AvgLen " << avgLen << " VolLen " << volLen;
      }
      if (inProcess()) {
        const CBSPSet& inst = *AsInstance(h);
        ExpectAverageOfModel(inst.volumeAvg, model.volume, "volume");
        ExpectAverageOfModel(inst.pressureAvg, model.pressure, "pressure");
        ExpectAverageOfModel(inst.buyAvg, model.buy, "buy");
        ExpectAverageOfModel(inst.sellAvg, model.sell, "sell");
      }
    }
  }
}

// Anything but an instance of this library's manager is refused without being touched.
TEST_P(BspCalcTest, InvalidHandlesAreRefused) {
  HostDouble host;
  const int64_t h = FreshInstance(host, "valid", 3, 2);
  ASSERT_NE(0, h);
  auto freed = std::make_unique<char[]>(sizeof(CBSPSet));
  const int64_t freedHandle = static_cast<int64_t>(reinterpret_cast<intptr_t>(freed.get()));
  freed.reset();
  std::vector<int64_t> handles = {0,          freedHandle, h + 8,       h - 8,
                                  h + 1,      1,           -1,          0xDEADBEEF,
                                  INT64_MAX,  INT64_MIN,   0x1000,      0x7FFFFFFFFFF0};
  std::mt19937_64 rng(7);
  for (int i = 0; i < 1000; ++i) handles.push_back(static_cast<int64_t>(rng()));
  for (int64_t bad : handles) {
    if (bad == h) continue;
    EXPECT_EQ(test::FloatBits(0.0f), test::FloatBits(Pressure(bad, 300, 100, 1, -1))) << std::hex << bad;
  }
  // An instance of the other backend's manager is not one of this one's.
  const test::Exports& other = ExportsOf(inProcess() ? test::Backend::kLoadedLibrary
                                                     : test::Backend::kInProcess);
  ASSERT_EQ(0, other.VQM_BSP("other", 1, 2, buffer_, &host, 0));
  const int64_t foreign = other.VQM_BSPHandle("other", 1, 2, buffer_);
  ASSERT_NE(0, foreign);
  EXPECT_EQ(test::FloatBits(0.0f), test::FloatBits(Pressure(foreign, 300, 100, 1, -1)));
  // Without an output there is nothing to write to.
  EXPECT_EQ(-1, api().VQM_BSPCalc(AsInstance(h), 300, 100, 1, nullptr));
  EXPECT_EQ(-1, api().VQM_BSPCalc(nullptr, 300, 100, 1, nullptr));
  // The valid handle still works, and the refused calls changed nothing.
  EXPECT_EQ(test::FloatBits(1.0f - 100.0f / 300.0f), test::FloatBits(Pressure(h, 300, 100, 1)));
}

// The handle of a key that VQM_BSP has not seen is 0, which VQM_BSPCalc refuses.
TEST_P(BspCalcTest, HandleOfAnUnknownKeyIsZero) {
  EXPECT_EQ(0, Handle("never"));
  EXPECT_EQ(test::FloatBits(0.0f), test::FloatBits(Pressure(Handle("never"), 1, 2, 1, -1)));
}

VQM_INSTANTIATE_BACKEND_TESTS(BspCalcTest);

}  // namespace
}  // namespace vqm
