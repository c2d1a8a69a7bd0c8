// Every export, called in a fuzzed sequence with fuzzed arguments: texts of any bytes and
// any length up to 100 000 bytes (or null), value blocks of fuzzed floats with NaN and
// infinities, extreme integers, null and aliased pointers, and host objects that fail at
// fuzzed points. The library's state carries over from call to call and from input to
// input, as it does in a host that runs for days; its files stay inside the sandbox.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frame/export_frame.h"
#include "frame/exports.h"
#include "harness/arguments.h"
#include "harness/sandbox.h"
#include "testing/host_double.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"
#include "testing/recording_midi_out.h"

namespace {

using vqm::fuzz::Arguments;
using vqm::fuzz::MaybeValue;
using vqm::fuzz::Text;

constexpr int kMostCallsPerInput = 200;
// A tick holds its caller for 5 ms: at most one in this many inputs plays one.
constexpr unsigned kInputsPerTick = 200;

// Symbols, file names and commands the exports treat specially, beside the fuzzed ones.
#define VQM_SYMBOLS "ES", "es", "EURUSD", "*EURUSD", "*@ES", "* ", "*", "", "CON", "nul.txt", \
                    "..", "a/b", "C:x", "%s%n", "LPT1 .csv"
#define VQM_COLUMN_FILES "fuzz.csv", "FUZZ.CSV", "other.csv", "", "missing.csv", "sub/x.csv"

// The script's objects: host doubles in every shape VQM_BSP distinguishes. They live as long
// as the process, as a chart's objects outlive the library's instances bound to them.
struct Hosts {
  vqm::test::HostDouble objects[7];
  Hosts() {
    objects[1].ReshapeArray(2, 10);
    objects[2].ReshapeArray(1, 5);
    objects[3].hasArray = false;
    objects[4].hasUpTicks = false;
    objects[5].hasDownTicks = false;
    objects[6].ReshapeArray(1, 300);
  }
};
Hosts* g_hosts;
vqm::test::RecordingMidiOut* g_midi;
vqm::platform::ClockReading g_clock;
int32_t g_comStart = 0;
unsigned g_inputs = 0;
unsigned g_lastTickInput = 0;

// The key arguments of the last VQM_BSP call, for the handle of its instance.
struct BspKey {
  std::string subKey, keyText;
  bool nullSubKey = false, nullKeyText = false;
  int keyNum1 = 0, keyNum2 = 0;
} g_lastKey;

// The chart: most calls come for the current bar of the current symbol, as a script's do,
// so that series fill, ribbons complete, the pattern history finds its bars and the column
// loader finds its lines. Bars move on, and now and then back, by fuzzed steps.
struct Session {
  std::string symbol = "ES";
  int year = 124, month = 3, day = 15;  // the host's year counts from 1900
  int minutes = 9 * 60 + 30;

  int Date() const { return year * 10000 + month * 100 + day; }
  int Time() const { return minutes / 60 * 100 + minutes % 60; }
  void Move(int step) {
    minutes += step;
    for (; minutes >= 24 * 60; minutes -= 24 * 60)
      if (++day > 28) {
        day = 1;
        if (++month > 12) month = 1, ++year;
      }
    for (; minutes < 0; minutes += 24 * 60)
      if (--day < 1) {
        day = 28;
        if (--month < 1) month = 12, --year;
      }
  }
} g_session;

Text Symbol(Arguments& a) {
  if (a.Choose(4) != 0) return Text(g_session.symbol);
  return a.NullableText({VQM_SYMBOLS});
}
int BarDate(Arguments& a) { return a.Choose(4) != 0 ? g_session.Date() : a.HostDate(); }
int BarTime(Arguments& a) { return a.Choose(4) != 0 ? g_session.Time() : a.HostTime(); }

void MoveSession(Arguments& a) {
  switch (a.Choose(8)) {
    case 0: g_session.symbol = a.Bytes({VQM_SYMBOLS}); break;
    case 1: g_session.Move(a.Small(-24 * 60, 0)); break;
    case 2: g_session.Move(a.Small(0, 3 * 24 * 60)); break;
    default: g_session.Move(a.Small(1, 15)); break;
  }
}

// Lengths and counts: mostly the small ones a script uses, and the edges the indicators
// refuse or clamp (2 000 003 makes a regression average's half length one beyond what a
// stack takes). Lengths between 300 and those edges are left out: they are legal, but every
// series keeps megabytes for them, and a run creates series by the thousand.
int Length(Arguments& a) {
  static const int kEdges[] = {0,       1,       2,          -1,     INT_MIN,
                               INT_MAX, INT_MAX - 1, -1000000, 2000003};
  switch (a.Choose(16)) {
    case 0: return kEdges[a.Choose(sizeof kEdges / sizeof kEdges[0])];
    case 1:
    case 2: return a.Small(41, 300);
    default: return a.Small(-3, 40);
  }
}

// A float parameter read as a length (the arrBSP elements).
float LengthFloat(Arguments& a) {
  if (a.Choose(8) == 0) return a.Float();
  return static_cast<float>(a.Small(-3, 300)) + (a.Flag() ? 0.0f : 0.5f);
}

std::unique_ptr<int> IntValue(Arguments& a) { return MaybeValue(a, a.Int()); }

VARIANT ElementVariant(Arguments& a) {
  switch (a.Choose(6)) {
    case 0: return vqm::test::R8Variant(a.Flag() ? a.Float() : static_cast<double>(a.Int()));
    case 1: return vqm::test::I4Variant(a.Int());
    case 2: {
      const Text text(a.Bytes({"3", " 12 ", "1e3", "-0", "nan", "1,5", "0x10", "99999999999"}));
      return vqm::test::BstrVariant(text.get());
    }
    case 3: return vqm::test::NullVariant();
    case 4: {
      VARIANT v;
      VariantInit(&v);
      return v;
    }
    default: {
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_R4;
      v.fltVal = LengthFloat(a);
      return v;
    }
  }
}

// A host object with its answers and failures for one call.
vqm::test::HostDouble* PrepareHost(Arguments& a) {
  vqm::test::HostDouble& host = g_hosts->objects[a.Choose(7)];
  host.Heal();
  static const HRESULT kStatuses[] = {E_FAIL, E_INVALIDARG, E_OUTOFMEMORY, E_POINTER,
                                      E_NOTIMPL, DISP_E_TYPEMISMATCH, S_FALSE};
  for (int op = 0; op < vqm::test::kHostOpCount; ++op)
    if (a.Choose(12) == 0)
      host.Fail(static_cast<vqm::test::HostOp>(op),
                a.Flag() ? kStatuses[a.Choose(7)] : static_cast<HRESULT>(a.Int()));
  if (a.Flag())
    host.barNumber =
        a.Choose(4) == 0 ? a.Int() : vqm::fuzz::WrappedSum(host.barNumber, a.Small(-2, 3));
  if (a.Choose(8) == 0) host.maxBarsBack = a.Int();
  if (a.Flag()) {
    host.SetParameters(LengthFloat(a), LengthFloat(a), a.Float());
    if (a.Flag()) host.array().SetElement(a.Small(2, 4), ElementVariant(a));
  }
  return &host;
}

void CallBsp(Arguments& a) {
  BspKey key;
  const Text subKey = a.NullableText({"", "Chart1", "chart1"});
  key.nullSubKey = subKey.get() == nullptr;
  if (!key.nullSubKey) key.subKey = subKey.get();
  key.keyNum1 = a.Choose(4) == 0 ? a.Int() : a.Small(0, 3);
  key.keyNum2 = a.Choose(4) == 0 ? a.Int() : a.Small(0, 3);
  // The key text doubles as the error text: the script gives it room for the longest one.
  const std::string keyBytes = a.Bytes({"BSP", "bsp", ""});
  const bool nullKeyText = a.Choose(16) == 0;
  Text keyText = nullKeyText ? Text() : Text(keyBytes, keyBytes.size() < 1200 ? 1200 : 0);
  key.nullKeyText = nullKeyText;
  if (!nullKeyText) key.keyText = keyText.get();
  HostScriptObject* host = a.Choose(16) == 0 ? nullptr : PrepareHost(a);
  VQM_BSP(subKey.get(), key.keyNum1, key.keyNum2, keyText.get(), host, a.Int());
  g_lastKey = key;
}

int64_t LastKeyHandle() {
  return VQM_BSPHandle(g_lastKey.nullSubKey ? nullptr : g_lastKey.subKey.c_str(),
                       g_lastKey.keyNum1, g_lastKey.keyNum2,
                       g_lastKey.nullKeyText ? nullptr : g_lastKey.keyText.c_str());
}

void CallBspHandle(Arguments& a) {
  if (a.Flag()) {
    LastKeyHandle();
    return;
  }
  const Text subKey = a.NullableText({"Chart1"});
  const Text keyText = a.NullableText({"BSP"});
  VQM_BSPHandle(subKey.get(), a.Int(), a.Int(), keyText.get());
}

void CallBspCalc(Arguments& a) {
  int64_t handle;
  switch (a.Choose(4)) {
    case 0: handle = 0; break;
    case 1: handle = a.Flag() ? static_cast<int64_t>(a.Int()) : INT64_MIN; break;
    case 2: handle = static_cast<int64_t>(reinterpret_cast<intptr_t>(&g_lastKey)); break;
    default: handle = LastKeyHandle(); break;
  }
  auto pressure = MaybeValue(a, 0.0f);
  CBSPSet* instance = reinterpret_cast<CBSPSet*>(static_cast<intptr_t>(handle));
  VQM_BSPCalc(instance, a.Float(), a.Float(), a.Choose(4) == 0 ? a.Int() : a.Small(-1, 5),
              pressure.get());
}

void CallRareAvg(Arguments& a) {
  const Text symbol = Symbol(a);
  // The response factor carries a repeat count in its hundreds.
  static const int kFactors[] = {0, 60, 61, 99, 100, 260, 999, -1, -1818, -1819, -1820};
  const int respFac = a.Choose(4) == 0 ? kFactors[a.Choose(11)] : a.Small(-100, 1099);
  VQM_RareAvg(symbol.get(), Length(a), Length(a), a.Float(), BarDate(a), BarTime(a), respFac,
              a.Int(), a.Small(-1, 3), a.Small(-1, 1), a.Choose(4) == 0 ? a.Int() : a.Small(0, 5));
}

void CallTrendReversal(Arguments& a) {
  const Text symbol = Symbol(a);
  auto position = MaybeValue(a, 0.0f);
  auto width = MaybeValue(a, 0.0f);
  VQM_TrendReversal(a.Int(), symbol.get(), BarDate(a), BarTime(a), a.Small(-1, 3),
                    a.Small(-1, 3), a.Float(), a.Float(), Length(a), Length(a), position.get(),
                    width.get());
}

void CallFindGemAdd(Arguments& a) {
  const Text symbol = Symbol(a);
  const int date = BarDate(a), time = BarTime(a);
  const int divisor = a.Choose(4) == 0 ? a.Int() : a.Small(-1, 10000);
  auto open = IntValue(a), high = IntValue(a), low = IntValue(a), close = IntValue(a),
       volume = IntValue(a);
  static const int kModes[] = {0, 1, 2, 100, 1100, -100, -1100, INT_MIN, INT_MAX, 999, 1000, 1001};
  const int mode = a.Flag() ? kModes[a.Choose(12)] : a.Int();
  VQM_FindGemAdd(a.Int(), symbol.get(), date, time, divisor, open.get(), high.get(), low.get(),
                 close.get(), volume.get(), mode);
}

void CallFindGemCalc(Arguments& a) {
  const Text symbol = Symbol(a);
  auto out1 = MaybeValue(a, 0.0f), out2 = MaybeValue(a, 0.0f), out3 = MaybeValue(a, 0.0f),
       out4 = MaybeValue(a, 0.0f);
  VQM_FindGemCalc(a.Int(), symbol.get(), BarDate(a), BarTime(a), a.Int(), out1.get(),
                  out2.get(), out3.get(), out4.get());
}

void CallPrcNorm(Arguments& a) {
  std::unique_ptr<int> values[5];
  int* pointers[5];
  for (int i = 0; i < 5; ++i) {
    // A variable may be passed twice.
    if (i > 0 && a.Choose(8) == 0) {
      pointers[i] = pointers[a.Choose(i)];
      continue;
    }
    values[i] = IntValue(a);
    pointers[i] = values[i].get();
  }
  VQM_F_PrcNorm(a.Float(), pointers[0], pointers[1], pointers[2], pointers[3], pointers[4]);
}

void CallSaveData(Arguments& a, bool text) {
  const Text symbol = Symbol(a);
  const int date = BarDate(a);
  const int time = a.Choose(4) == 0 ? -1 : BarTime(a);
  const int divisor = a.Choose(4) == 0 ? a.Int() : a.Small(-1, 10000);
  auto open = IntValue(a), high = IntValue(a), low = IntValue(a), close = IntValue(a),
       volume = IntValue(a);
  const int flag = a.Choose(4) == 0 ? a.Int() : a.Small(0, 1);
  if (text)
    VQM_SaveDataToTxt(a.Int(), symbol.get(), date, time, divisor, open.get(), high.get(),
                      low.get(), close.get(), volume.get(), flag);
  else
    VQM_SaveDataToCsv(a.Int(), symbol.get(), date, time, divisor, open.get(), high.get(),
                      low.get(), close.get(), volume.get(), flag);
}

void CallSaveDataToCsv2(Arguments& a) {
  const Text symbol = Symbol(a);
  constexpr int kSlots = 16;  // the last one holds the layout
  std::vector<ValueBlock> block = a.Block(kSlots);
  if (a.Flag()) {
    vqm::WriteSlot(block.data(), 0, static_cast<float>(BarDate(a)));
    vqm::WriteSlot(block.data(), 1, static_cast<float>(BarTime(a)));
    for (int slot = 12; slot < kSlots; ++slot)
      vqm::WriteSlot(block.data(), slot, static_cast<float>(a.Small(-1, 3)));
  }
  // The script gives the error text room for the one text written there.
  auto error = a.Choose(8) == 0 ? nullptr : vqm::fuzz::Buffer(33);
  VQM_SaveDataToCsv2(symbol.get(), a.Choose(16) == 0 ? nullptr : block.data(), error.get());
}

// A file name for the column loader or the integer reader, kept inside the sandbox: a name
// with ".." could reach devices and pipes of the machine, which block a reader.
std::string NameInside(std::string name) {
  for (size_t at = name.find(".."); at != std::string::npos; at = name.find("..", at))
    name[at + 1] = '_';
  return name;
}

// Lines "YYYYMMDD,HHMM,value,..." a minute apart around the chart's bar.
std::string ColumnLines(Arguments& a) {
  Session at = g_session;
  at.Move(-a.Small(0, 20));
  std::string text = a.Flag() ? "Date,Time,Close,Volume\r\n" : "";
  for (int lines = a.Small(0, 40); lines > 0; --lines, at.Move(1)) {
    char line[128];
    snprintf(line, sizeof line, a.Flag() ? "%08d,%04d,%g,\"%d,%d\"\r\n" : "%08d,%04d,%g,%d,%d\n",
             at.Date() + 19000000, at.Time(), static_cast<double>(a.Float()), a.Int(),
             a.Small(0, 9));
    text += line;
  }
  return text;
}

void WriteColumnFile(Arguments& a) {
  const std::string name = NameInside(a.Bytes({VQM_COLUMN_FILES}));
  const std::string content = a.Flag() ? ColumnLines(a) : a.Bytes(
      {"Date,Time,Close\n20240315,0930,1.5\n20240315,0931,1.6\n20240315,0932,1.7\n",
       "20240315,09:30,\"1,5\"\r\n", ""});
  vqm::fuzz::WriteLibraryFile("C:/Database/LoadCol/" + name,
                              reinterpret_cast<const uint8_t*>(content.data()), content.size());
}

void CallLoadCol(Arguments& a) {
  const bool nullName = a.Choose(16) == 0;
  const Text name(NameInside(a.Bytes({VQM_COLUMN_FILES})));
  constexpr int kSlots = 13;  // the value goes into the last one
  std::vector<ValueBlock> block = a.Block(kSlots);
  if (a.Flag()) {
    vqm::WriteSlot(block.data(), 0, static_cast<float>(BarDate(a)));
    vqm::WriteSlot(block.data(), 1, static_cast<float>(BarTime(a)));
    vqm::WriteSlot(block.data(), 7, static_cast<float>(a.Small(-1, 50)));
    vqm::WriteSlot(block.data(), 11, static_cast<float>(a.Small(-1, 5)));
  }
  auto error = a.Choose(8) == 0 ? nullptr : vqm::fuzz::Buffer(vqm::kErrorTextCapacity);
  VQM_LoadCol(nullName ? nullptr : name.get(), a.Choose(16) == 0 ? nullptr : block.data(),
              error.get());
}

void CallRtpm(Arguments& a) {
  const Text symbol = Symbol(a);
  VQM_RTPM(symbol.get(), a.Choose(4) == 0 ? 1.0f : a.Float());
}

void CallReadInt(Arguments& a) {
  if (a.Flag()) {
    const std::string content = a.Bytes({"42", " -7\r\n", "99999999999", "-99999999999", "x", ""});
    vqm::fuzz::WriteLibraryFile("C:/Fuzz/int.txt", reinterpret_cast<const uint8_t*>(content.data()),
                                content.size());
  }
  if (a.Choose(8) == 0) {
    VQM_ReadInt(nullptr);
    return;
  }
  const Text path("C:/Fuzz/" + NameInside(a.Bytes({"int.txt", "INT.TXT", "", "missing"})));
  VQM_ReadInt(path.get());
}

void CallSpeak(Arguments& a) {
  static const int32_t kStarts[] = {0, 1, static_cast<int32_t>(0x80010106u),
                                    static_cast<int32_t>(0x8000FFFFu),
                                    static_cast<int32_t>(0x8007000Eu),
                                    static_cast<int32_t>(0x80070057u)};
  g_comStart = a.Flag() ? kStarts[a.Choose(6)] : a.Int();
  const Text command = a.NullableText({"Speak", "SPEAKWAIT", "Stop", "speak "});
  const Text text = a.NullableText({"", "Hello"});
  VQM_Speak(command.get(), text.get(), a.Int());
}

void CallTickSound(Arguments& a) {
  const int notUsed = a.Int(), note = a.Int(), velocity = a.Int(), program = a.Int();
  if (g_inputs - g_lastTickInput < kInputsPerTick) return;
  g_lastTickInput = g_inputs;
  VQM_TickSound(notUsed, note, velocity, program);
}

void SetClock(Arguments& a) {
  g_clock = vqm::test::MakeReading(a.Small(1971, 2100), a.Small(1, 12), a.Small(1, 28),
                                             a.Small(0, 23), a.Small(0, 59), a.Small(0, 59),
                                             a.Small(0, 999), a.Small(-14, 14) * 3600);
}

enum Call {
  kOnCreate, kOnDestroy, kBsp, kBspHandle, kBspCalc, kRareAvg, kTrendReversal, kFindGemAdd,
  kFindGemCalc, kPrcNorm, kSaveCsv, kSaveTxt, kSaveCsv2, kColumnFile, kLoadCol, kRtpm,
  kReadInt, kSpeak, kTickSound, kIfRealtime, kClock, kSession, kCallCount
};

void CallOne(Arguments& a) {
  switch (a.Choose(kCallCount)) {
    case kOnCreate: VQM_OnCreate(); break;
    case kOnDestroy: VQM_OnDestroy(); break;
    case kBsp: CallBsp(a); break;
    case kBspHandle: CallBspHandle(a); break;
    case kBspCalc: CallBspCalc(a); break;
    case kRareAvg: CallRareAvg(a); break;
    case kTrendReversal: CallTrendReversal(a); break;
    case kFindGemAdd: CallFindGemAdd(a); break;
    case kFindGemCalc: CallFindGemCalc(a); break;
    case kPrcNorm: CallPrcNorm(a); break;
    case kSaveCsv: CallSaveData(a, false); break;
    case kSaveTxt: CallSaveData(a, true); break;
    case kSaveCsv2: CallSaveDataToCsv2(a); break;
    case kColumnFile: WriteColumnFile(a); break;
    case kLoadCol: CallLoadCol(a); break;
    case kRtpm: CallRtpm(a); break;
    case kReadInt: CallReadInt(a); break;
    case kSpeak: CallSpeak(a); break;
    case kTickSound: CallTickSound(a); break;
    case kIfRealtime: VQM_IfRealtime(a.Int(), a.Int()); break;
    case kClock: SetClock(a); break;
    case kSession: MoveSession(a); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vqm::fuzz::SetUpSandbox();
  g_hosts = new Hosts;
  g_midi = new vqm::test::RecordingMidiOut(1);
  vqm::test::SetMidiOutBackend(g_midi);
  g_clock = vqm::test::MakeReading(2024, 3, 15, 10, 0, 0);
  vqm::test::SetClock([] { return g_clock; });
  vqm::test::SetComInitialize([] { return g_comStart; });
  vqm::test::SetMessageBox([](const char*, const char*, unsigned) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ++g_inputs;
  FuzzedDataProvider provider(data, size);
  Arguments a(provider);
  for (int calls = 0; calls < kMostCallsPerInput && !a.Empty(); ++calls) CallOne(a);
  // The files of a few inputs may wait: walking the sandbox after each one costs more
  // than the calls.
  if (g_inputs % 16 == 0) vqm::fuzz::ClearSandbox(g_inputs % 256 == 0);
  return 0;
}
