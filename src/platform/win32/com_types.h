// The real COM types on Windows: IUnknown, VARIANT, BSTR and the OLE automation functions
// (oleaut32).
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>
