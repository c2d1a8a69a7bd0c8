// Scales five prices by 0.5 through the installed library, prints the results.
#include <cstdio>

#include <vqm/exports.h>

int main() {
  int v[5] = {3, -3, 249, 100, 0};
  const int rc = VQM_F_PrcNorm(0.5f, &v[0], &v[1], &v[2], &v[3], &v[4]);
  std::printf("%d: %d %d %d %d %d\n", rc, v[0], v[1], v[2], v[3], v[4]);
  return rc;
}
