// vqm-bitcheck: drives every indicator export of a library loaded by path over long random
// streams (all parameters, restarts, replaces, repeats, NaN and extreme values) and prints one
// line per stream with a digest of the bits of every output, so that an optimised build can be
// compared with an earlier one output for output:
//
//   vqm-bitcheck [--lib PATH] [--streams N] [--calls N] > digests.txt
//
// The same streams come out of every run and on both builds; diff two such files.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "frame/exports.h"
#include "testing/host_double.h"
#include "testing/library.h"

namespace {

using vqm::test::Library;

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(int perMille) { return Below(1000) < perMille; }
  template <class T, size_t N>
  T Pick(const T (&table)[N]) { return table[Below(static_cast<int>(N))]; }
  float Unit() { return static_cast<float>(Next() >> 40) / 16777216.0f; }

 private:
  uint64_t state_;
};

bool g_dump = false;  // every output's bits on a line of its own, to find the first difference

// FNV-1a over the bytes of every output.
class Digest {
 public:
  void Add(const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    if (g_dump) {
      uint32_t bits = 0;
      memcpy(&bits, p, n < 4 ? n : 4);
      printf("%ld %08x\n", outputs_, bits);
    }
    for (size_t i = 0; i < n; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001B3ull;
    ++outputs_;
  }
  void Int(int v) { Add(&v, sizeof v); }
  // Every NaN counts as one value: which NaN an operation on two NaNs answers (its sign and
  // payload) is the compiler's choice of operand order, not the library's arithmetic.
  void Flt(float v) {
    if (std::isnan(v)) v = std::numeric_limits<float>::quiet_NaN();
    Add(&v, sizeof v);
  }
  uint64_t hash() const { return hash_; }
  long outputs() const { return outputs_; }

 private:
  uint64_t hash_ = 0xCBF29CE484222325ull;
  long outputs_ = 0;
};

// How often a stream meets hostile values: never, now and then, often.
int SpecialRate(int stream) {
  static const int kRates[] = {0, 0, 3, 40};
  return kRates[stream % 4];
}

float SpecialValue(Rng& rng) {
  static const float kSpecials[] = {std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(),
                                    0.0f, -0.0f, FLT_MAX, -FLT_MAX, FLT_MIN, 1e-30f, -1e30f,
                                    FLT_TRUE_MIN, 16777217.0f, -1.0f};
  return rng.Pick(kSpecials);
}

// A price walk with steps of every size, and now and then a hostile value.
class PriceWalk {
 public:
  PriceWalk(Rng& rng, int specialRate) : rng_(rng), rate_(specialRate) {
    static const float kLevels[] = {100.0f, 1.5f, 25000.0f, 0.01f, 3.0e6f};
    level_ = rng.Pick(kLevels);
  }
  float Next() {
    if (rate_ > 0 && rng_.Chance(rate_)) return SpecialValue(rng_);
    if (rng_.Chance(20)) return level_;  // an unchanged price
    const float step = (rng_.Unit() - 0.5f) * level_ * (rng_.Chance(50) ? 0.2f : 0.004f);
    level_ += step;
    if (!(level_ > 0.0f) || std::isinf(level_)) level_ = 100.0f;
    return level_;
  }

 private:
  Rng& rng_;
  int rate_;
  float level_;
};

// Host dates that mostly move forward, a day every few bars, and now and then go back.
struct Clock {
  int date = 1240102;  // 2 January 2024
  int time = 930;
  void Advance(Rng& rng, int barsPerDay) {
    if (rng.Below(barsPerDay) == 0) {
      ++date;
      time = 930;
    } else {
      time = time % 100 < 59 ? time + 1 : time + 41;
      if (time >= 2400) time = 2359;
    }
  }
  void GoBack(Rng& rng) { date -= 1 + rng.Below(3); }
};

char* SymbolFor(const char* kind, int stream, int variant, char* buffer, size_t size) {
  snprintf(buffer, size, "%s%d_%d", kind, stream, variant);
  return buffer;
}

void RunRareAvg(const Library& lib, int stream, int calls, Digest& d) {
  auto fn = lib.Find<decltype(&::VQM_RareAvg)>("VQM_RareAvg");
  if (fn == nullptr) return;
  Rng rng(1000 + stream);
  PriceWalk walk(rng, SpecialRate(stream));
  static const int kRegr[] = {-1, 0, 1, 2, 3, 4, 5, 10, 10, 12, 13, 20, 50, 50, 200, 1200};
  static const int kWgt[] = {0, 0, -5, 1, 2, 6, 17, INT_MIN};
  static const int kResp[] = {0, 1, 30, 60, 60, 61, 99, 100, 160, 260, 1030, -1, -1818,
                              -1819, -1820, INT_MIN};
  static const int kBarType[] = {0, 1, 1, 2, 5};
  // Two parameter sets per stream, called in turn, the second with the symbol in capitals.
  struct Params {
    int regr, wgt, resp, barType, dayKey;
  } p[2];
  for (auto& q : p) {
    q.regr = rng.Chance(200) ? 2 + rng.Below(300) : rng.Pick(kRegr);
    q.wgt = rng.Pick(kWgt);
    q.resp = rng.Pick(kResp);
    q.barType = rng.Pick(kBarType);
    q.dayKey = rng.Below(2);
  }
  char symbol[64];
  SymbolFor("ra", stream, 0, symbol, sizeof symbol);
  char upper[64];
  for (size_t i = 0; i < sizeof upper; ++i) upper[i] = static_cast<char>(toupper(symbol[i]));
  Clock clock;
  int bar = 0;
  const int barsPerDay = 5 + rng.Below(400);
  for (int i = 0; i < calls; ++i) {
    const Params& q = p[i % 2];
    if (rng.Chance(5)) clock.GoBack(rng);
    else clock.Advance(rng, barsPerDay);
    int date = clock.date;
    if (rng.Chance(30)) date = -date;              // replace through the date
    if (!rng.Chance(100)) bar += i % 2 == 0 ? 1 : 0;  // else: the same bar again
    const float value = walk.Next();
    d.Flt(fn(i % 2 == 0 ? symbol : upper, q.regr, q.wgt, value, date, clock.time, q.resp, i,
             q.barType, q.dayKey, bar));
  }
}

void RunTrendReversal(const Library& lib, int stream, int calls, Digest& d) {
  auto fn = lib.Find<decltype(&::VQM_TrendReversal)>("VQM_TrendReversal");
  if (fn == nullptr) return;
  Rng rng(2000 + stream);
  PriceWalk walk(rng, SpecialRate(stream));
  static const int kRibbons[][2] = {{10, 120}, {10, 120}, {10, 100}, {1, 1},  {5, 3},
                                    {3, 5},    {0, 0},    {-5, -1},  {2, 30}, {20, 250}, {-20, 100}};
  const int pick = rng.Below(static_cast<int>(sizeof kRibbons / sizeof kRibbons[0]));
  int fast = kRibbons[pick][0], slow = kRibbons[pick][1];
  if (rng.Chance(200)) {
    fast = 1 + rng.Below(60);
    slow = fast + rng.Below(300);
  }
  char symbol[64];
  SymbolFor("tr", stream, 0, symbol, sizeof symbol);
  Clock clock;
  const int barsPerDay = 5 + rng.Below(400);
  for (int i = 0; i < calls; ++i) {
    if (rng.Chance(3)) clock.GoBack(rng);
    else if (!rng.Chance(50)) clock.Advance(rng, barsPerDay);  // else the same bar again
    const float factor = SpecialRate(stream) > 0 && rng.Chance(5) ? SpecialValue(rng) : 1.0f;
    float position = -7.0f, width = -7.0f;
    d.Int(fn(0, symbol, clock.date, clock.time, 1 + i % 2, 5, walk.Next(), factor, fast, slow,
             &position, &width));
    d.Flt(position);
    d.Flt(width);
  }
}

void RunFindGem(const Library& lib, int stream, int calls, Digest& d) {
  auto add = lib.Find<decltype(&::VQM_FindGemAdd)>("VQM_FindGemAdd");
  auto calc = lib.Find<decltype(&::VQM_FindGemCalc)>("VQM_FindGemCalc");
  if (add == nullptr || calc == nullptr) return;
  Rng rng(3000 + stream);
  static const int kModes[] = {100, 100, 20, -1020, 1250, 1, -250, 0, 1000, -5};
  static const int kDivisors[] = {1, 100, 3, 10000};
  const int mode = rng.Pick(kModes);
  const int divisor = rng.Pick(kDivisors);
  const int rate = SpecialRate(stream);
  char symbol[64];
  SymbolFor("fg", stream, 0, symbol, sizeof symbol);
  Clock clock;
  const int barsPerDay = 5 + rng.Below(400);
  int price = 10000 + rng.Below(100000);
  // Date-times added so far, for the measurements.
  static int dates[1 << 16], times[1 << 16];
  int added = 0;
  for (int i = 0; i < calls; ++i) {
    if (rng.Chance(2)) {  // another symbol and back: the history starts again
      char other[64];
      int o = 0, h = 0, l = 0, c = 0, v = 0;
      d.Int(add(0, SymbolFor("fg", stream, 1, other, sizeof other), clock.date, clock.time,
                divisor, &o, &h, &l, &c, &v, mode));
      added = 0;
    }
    if (rng.Chance(3)) clock.GoBack(rng);
    else if (!rng.Chance(20)) clock.Advance(rng, barsPerDay);
    price += rng.Below(201) - 100;
    int open = price, high = price + rng.Below(50), low = price - rng.Below(50), close = price;
    int volume = rng.Below(100000);
    if (rate > 0 && rng.Chance(rate)) {
      static const int kExtremes[] = {INT_MIN, INT_MAX, 0, -1};
      low = rng.Pick(kExtremes);
      high = rng.Pick(kExtremes);
    }
    const int count = add(0, symbol, clock.date, clock.time, divisor, &open, &high, &low, &close,
                          &volume, mode);
    d.Int(count);
    if (added < (1 << 16)) {
      dates[added] = clock.date;
      times[added] = clock.time;
      ++added;
    }
    // Measure the newest bar, an earlier one, or one never added.
    int date = clock.date, time = clock.time;
    const int which = rng.Below(10);
    if (which < 3 && added > 0) {
      const int k = rng.Below(added);
      date = dates[k];
      time = times[k];
    } else if (which == 3) {
      time = 2401;
    }
    float out[4] = {-1, -1, -1, -1};
    d.Int(calc(0, symbol, date, time, 0, &out[0], &out[1], &out[2], &out[3]));
    for (float f : out) d.Flt(f);
  }
}

void RunBsp(const Library& lib, int stream, int calls, Digest& d) {
  auto bsp = lib.Find<decltype(&::VQM_BSP)>("VQM_BSP");
  auto handleOf = lib.Find<decltype(&::VQM_BSPHandle)>("VQM_BSPHandle");
  auto calc = lib.Find<decltype(&::VQM_BSPCalc)>("VQM_BSPCalc");
  if (bsp == nullptr || handleOf == nullptr || calc == nullptr) return;
  Rng rng(4000 + stream);
  PriceWalk walk(rng, SpecialRate(stream));
  static const float kLengths[] = {0, 1, 2, 3, 10, 20, 50};
  static const int kStyles[] = {0, 1, 2, 3, -1};
  vqm::test::HostDouble host;
  host.maxBarsBack = 1;
  const int style = rng.Pick(kStyles);
  host.SetParameters(rng.Pick(kLengths), rng.Pick(kLengths), static_cast<float>(style));
  char key[64];
  SymbolFor("bsp", stream, 0, key, sizeof key);
  int bar = 1;
  for (int i = 0; i < calls; ++i) {
    if (rng.Chance(3)) bar = 1 + rng.Below(bar);  // the chart recalculates
    else if (!rng.Chance(50)) ++bar;
    host.SetAbsoluteBar(bar);
    char keyText[2048];
    snprintf(keyText, sizeof keyText, "%s", key);
    const int result = bsp("sub", 1, 0, keyText, &host, 0);
    d.Int(result);
    if (result != 0) continue;
    snprintf(keyText, sizeof keyText, "%s", key);
    const int64_t handle = handleOf("sub", 1, 0, keyText);
    float pressure = -7.0f;
    const float up = std::fabs(walk.Next()), down = std::fabs(walk.Next());
    d.Int(calc(reinterpret_cast<CBSPSet*>(handle), up, down, style, &pressure));
    d.Flt(pressure);
  }
}

void RunPrcNorm(const Library& lib, int stream, int calls, Digest& d) {
  auto fn = lib.Find<decltype(&::VQM_F_PrcNorm)>("VQM_F_PrcNorm");
  if (fn == nullptr) return;
  Rng rng(5000 + stream);
  static const int kExtremes[] = {INT_MIN, INT_MAX, 0, -1, 16777217, -16777217};
  for (int i = 0; i < calls; ++i) {
    float factor = rng.Unit() * 4.0f;
    if (rng.Chance(100)) factor = SpecialValue(rng);
    if (rng.Chance(50)) factor = 1.0f;
    int v[5];
    for (int& x : v) x = rng.Chance(20) ? rng.Pick(kExtremes) : static_cast<int>(rng.Next() % 2000001) - 1000000;
    d.Int(fn(factor, &v[0], &v[1], &v[2], &v[3], rng.Chance(20) ? &v[0] : &v[4]));
    for (int x : v) d.Int(x);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = vqm::test::DefaultLibraryPath();
  int streams = 64, calls = 20000, first = 0;
  const char* only = nullptr;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--lib") == 0) path = argv[i + 1];
    else if (strcmp(argv[i], "--dump") == 0) {  // --dump EXPORT:STREAM
      static std::string name;
      name = argv[i + 1];
      const size_t colon = name.find(':');
      if (colon == std::string::npos) return 2;
      first = atoi(name.c_str() + colon + 1);
      streams = first + 1;
      name.resize(colon);
      only = name.c_str();
      g_dump = true;
    }
    else if (strcmp(argv[i], "--streams") == 0) streams = atoi(argv[i + 1]);
    else if (strcmp(argv[i], "--calls") == 0) calls = atoi(argv[i + 1]);
    else {
      fprintf(stderr, "usage: vqm-bitcheck [--lib PATH] [--streams N] [--calls N] [--dump EXPORT:STREAM]\n");
      return 2;
    }
  }
  Library lib(path);
  if (!lib.ok()) {
    fprintf(stderr, "cannot load %s: %s\n", path.c_str(), lib.error().c_str());
    return 1;
  }
  struct {
    const char* name;
    void (*run)(const Library&, int, int, Digest&);
  } const kExports[] = {{"rareavg", RunRareAvg}, {"trendrev", RunTrendReversal},
                        {"findgem", RunFindGem}, {"bsp", RunBsp}, {"prcnorm", RunPrcNorm}};
  for (const auto& e : kExports) {
    if (only != nullptr && strcmp(only, e.name) != 0) continue;
    for (int s = first; s < streams; ++s) {
      Digest d;
      e.run(lib, s, calls, d);
      printf("%-8s stream %3d outputs %8ld digest %016llx\n", e.name, s, d.outputs(),
             static_cast<unsigned long long>(d.hash()));
    }
  }
  return 0;
}
