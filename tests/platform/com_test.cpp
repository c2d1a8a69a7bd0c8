// BSTR and VARIANT handling: the POSIX stand-in natively, oleaut32 under Wine; both must
// give the same answers for the value types a host uses.
#include "platform/com.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vqm::platform {
namespace {

class Variant {
 public:
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  VARIANT v;
};

TEST(Com, AnsiTextsBecomeBstrsAndBack) {
  BSTR text = AnsiBstr("arrBSP");
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(6u, SysStringLen(text));
  EXPECT_EQ(u'a', text[0]);
  EXPECT_EQ(0, text[6]);
  EXPECT_EQ("arrBSP", BstrToAnsi(text));
  SysFreeString(text);
  BSTR empty = AnsiBstr("");
  ASSERT_NE(nullptr, empty);
  EXPECT_EQ(0u, SysStringLen(empty));
  SysFreeString(empty);
  EXPECT_EQ(nullptr, AnsiBstr(nullptr));
  EXPECT_EQ("", BstrToAnsi(nullptr));
}

TEST(Com, ConversionsToNumbers) {
  struct Case {
    const char* text;  // source: this text as a BSTR, or null to use number
    VARTYPE sourceType;
    double number;
    VARTYPE target;
    HRESULT status;
    double expected;
  } cases[] = {
      {"12", VT_BSTR, 0, VT_R4, S_OK, 12.0},
      {" 12 ", VT_BSTR, 0, VT_R4, S_OK, 12.0},
      {"-3.5", VT_BSTR, 0, VT_R8, S_OK, -3.5},
      {"+2e3", VT_BSTR, 0, VT_I4, S_OK, 2000},
      {"abc", VT_BSTR, 0, VT_R4, DISP_E_TYPEMISMATCH, 0},
      {"12abc", VT_BSTR, 0, VT_R4, DISP_E_TYPEMISMATCH, 0},
      {"", VT_BSTR, 0, VT_R4, DISP_E_TYPEMISMATCH, 0},
      {"1e300", VT_BSTR, 0, VT_R4, DISP_E_OVERFLOW, 0},
      {nullptr, VT_R8, 7.9, VT_R4, S_OK, static_cast<float>(7.9)},
      {nullptr, VT_R8, 1e300, VT_R4, DISP_E_OVERFLOW, 0},
      {nullptr, VT_R8, 2.5, VT_I4, S_OK, 2},  // half to even
      {nullptr, VT_R8, 3.5, VT_I4, S_OK, 4},
      {nullptr, VT_R8, -2.5, VT_I2, S_OK, -2},
      {nullptr, VT_R8, 40000, VT_I2, DISP_E_OVERFLOW, 0},
      {nullptr, VT_R8, 3e9, VT_I4, DISP_E_OVERFLOW, 0},
      {nullptr, VT_I2, -12, VT_R4, S_OK, -12},
      {nullptr, VT_I4, 123456, VT_R8, S_OK, 123456},
      {nullptr, VT_R4, 0.5, VT_R8, S_OK, 0.5},
      {nullptr, VT_EMPTY, 0, VT_R4, S_OK, 0},
      {nullptr, VT_NULL, 0, VT_R4, DISP_E_TYPEMISMATCH, 0},
  };
  for (const Case& c : cases) {
    Variant v;
    v.v.vt = c.sourceType;
    switch (c.sourceType) {
      case VT_BSTR: v.v.bstrVal = AnsiBstr(c.text); break;
      case VT_R8: v.v.dblVal = c.number; break;
      case VT_R4: v.v.fltVal = static_cast<float>(c.number); break;
      case VT_I4: v.v.lVal = static_cast<LONG>(c.number); break;
      case VT_I2: v.v.iVal = static_cast<SHORT>(c.number); break;
      default: break;
    }
    const std::string what = (c.text ? std::string("\"") + c.text + "\"" : std::to_string(c.number)) +
                             " type " + std::to_string(c.sourceType) + " to " +
                             std::to_string(c.target);
    // In place, the way the library converts an element.
    const HRESULT status = VariantChangeType(&v.v, &v.v, 0, c.target);
    EXPECT_EQ(c.status, status) << what;
    if (FAILED(status)) {
      EXPECT_EQ(c.sourceType, v.v.vt) << what << ": a failed conversion leaves the value";
      continue;
    }
    ASSERT_EQ(c.target, v.v.vt) << what;
    switch (c.target) {
      case VT_R4: EXPECT_EQ(static_cast<float>(c.expected), v.v.fltVal) << what; break;
      case VT_R8: EXPECT_EQ(c.expected, v.v.dblVal) << what; break;
      case VT_I4: EXPECT_EQ(static_cast<LONG>(c.expected), v.v.lVal) << what; break;
      case VT_I2: EXPECT_EQ(static_cast<SHORT>(c.expected), v.v.iVal) << what; break;
      default: break;
    }
  }
}

TEST(Com, NumbersBecomeTexts) {
  Variant v;
  v.v.vt = VT_I4;
  v.v.lVal = -42;
  ASSERT_EQ(S_OK, VariantChangeType(&v.v, &v.v, 0, VT_BSTR));
  ASSERT_EQ(VT_BSTR, v.v.vt);
  EXPECT_EQ("-42", BstrToAnsi(v.v.bstrVal));
}

TEST(Com, CopiesOwnTheirTexts) {
  Variant a, b;
  a.v.vt = VT_BSTR;
  a.v.bstrVal = AnsiBstr("12");
  ASSERT_EQ(S_OK, VariantCopy(&b.v, &a.v));
  ASSERT_EQ(VT_BSTR, b.v.vt);
  EXPECT_NE(a.v.bstrVal, b.v.bstrVal);
  EXPECT_EQ("12", BstrToAnsi(b.v.bstrVal));
  // Converting the copy frees its text and leaves the original alone.
  ASSERT_EQ(S_OK, VariantChangeType(&b.v, &b.v, 0, VT_R4));
  EXPECT_EQ(12.0f, b.v.fltVal);
  EXPECT_EQ("12", BstrToAnsi(a.v.bstrVal));
  EXPECT_EQ(S_OK, VariantClear(&a.v));
  EXPECT_EQ(VT_EMPTY, a.v.vt);
}

}  // namespace
}  // namespace vqm::platform
