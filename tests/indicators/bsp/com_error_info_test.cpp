// The error information a host object leaves for a failed call travels with the COM error.
// Windows only: POSIX has no error information service.
#include <gtest/gtest.h>

#include "indicators/bsp/com_error.h"
#include "indicators/bsp/host_calls.h"
#include "testing/host_double.h"

namespace vqm {
namespace {

#if defined(_WIN32)

// {1CF2B120-547D-101B-8E65-08002B2BD119}
constexpr IID kIidErrorInfo = {0x1CF2B120, 0x547D, 0x101B,
                               {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// A script object that fails QueryMaxBarsBack and explains why through IErrorInfo.
class ExplainingHost : public test::HostDouble, public ISupportErrorInfo {
 public:
  explicit ExplainingHost(bool supports) : supports_(supports) {
    Fail(test::HostOp::kQueryMaxBarsBack, E_FAIL);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (platform::SameIid(iid, platform::kIidSupportErrorInfo)) {
      *object = static_cast<ISupportErrorInfo*>(this);
      return S_OK;
    }
    return test::HostDouble::QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return supports_ && platform::SameIid(iid, kIidHostScriptObject) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE QueryMaxBarsBack(int* value) override {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
      create->SetDescription(const_cast<LPOLESTR>(L"no max bars back yet"));
      IErrorInfo* info = nullptr;
      if (SUCCEEDED(create->QueryInterface(kIidErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
      }
      create->Release();
    }
    return test::HostDouble::QueryMaxBarsBack(value);
  }

 private:
  bool supports_;
};

TEST(ComErrorInfo, DescriptionComesFromTheObjectThatSupportsIt) {
  for (bool supports : {true, false}) {
    ExplainingHost host(supports);
    try {
      host::QueryMaxBarsBack(&host);
      ADD_FAILURE() << "no COM error";
    } catch (const CComError& e) {
      EXPECT_EQ(E_FAIL, e.Status());
      EXPECT_TRUE(platform::SameIid(kIidHostScriptObject, e.Iid()));
      EXPECT_EQ(supports ? "no max bars back yet" : "", e.Description());
    }
  }
}

#else

TEST(ComErrorInfo, DescriptionComesFromTheObjectThatSupportsIt) {
  GTEST_SKIP() << "error information is a Windows service";
}

#endif

}  // namespace
}  // namespace vqm
