/* Loads VQM_FUNC1.DLL by path as the platform does, calls an export and reads the DLL's
 * version resource. Prints "<FileVersion> <ProductVersion>: <results>". */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

typedef int(PrcNorm)(float, int*, int*, int*, int*, int*);

static const char* VersionText(const void* info, const char* name) {
  char key[128];
  void* value = NULL;
  UINT length = 0;
  snprintf(key, sizeof key, "\\StringFileInfo\\040904B0\\%s", name);
  return VerQueryValueA(info, key, &value, &length) && length > 0 ? (const char*)value : "?";
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HMODULE dll = LoadLibraryA(argv[1]);
  if (dll == NULL) {
    fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  PrcNorm* prcNorm = (PrcNorm*)(void*)GetProcAddress(dll, "VQM_F_PrcNorm");
  if (prcNorm == NULL) {
    fprintf(stderr, "no export VQM_F_PrcNorm\n");
    return 1;
  }
  int v[5] = {3, -3, 249, 100, 0};
  const int rc = prcNorm(0.5f, &v[0], &v[1], &v[2], &v[3], &v[4]);

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(argv[1], &handle);
  void* info = size ? malloc(size) : NULL;
  if (info == NULL || !GetFileVersionInfoA(argv[1], 0, size, info)) {
    fprintf(stderr, "no version resource\n");
    return 1;
  }
  printf("%s %s: %d: %d %d %d %d %d\n", VersionText(info, "FileVersion"),
         VersionText(info, "ProductVersion"), rc, v[0], v[1], v[2], v[3], v[4]);
  free(info);
  return 0;
}
