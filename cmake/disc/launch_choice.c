#include "launch_choice.h"

#include <string.h>

static int digits(const char **p, const char *end) {
  int value = -1;
  while (*p < end && **p >= '0' && **p <= '9' && value < 100000) {
    value = (value < 0 ? 0 : value * 10) + (**p - '0');
    ++*p;
  }
  return value;
}

int zolt_glibc_in_loader(const char *text, size_t size) {
  static const char marker[] = "release version ";
  const size_t length = sizeof marker - 1;
  const char *end = text + size;
  for (const char *at = text; (size_t)(end - at) >= length; ++at) {
    at = memchr(at, 'r', (size_t)(end - at));
    if (at == NULL || (size_t)(end - at) < length) break;
    if (memcmp(at, marker, length) != 0) continue;
    const char *p = at + length;
    const int major = digits(&p, end);
    if (major < 0 || p >= end || *p != '.') continue;
    ++p;
    const int minor = digits(&p, end);
    if (minor < 0 || minor > 999) continue;
    return major * 1000 + minor;
  }
  return 0;
}

int zolt_glibc_in_loader_name(const char *name) {
  if (strncmp(name, "ld-", 3) != 0) return 0;
  const char *p = name + 3;
  const char *end = p + strlen(p);
  const int major = digits(&p, end);
  if (major < 0 || p >= end || *p != '.') return 0;
  ++p;
  const int minor = digits(&p, end);
  if (minor < 0 || minor > 999 || strcmp(p, ".so") != 0) return 0;
  return major * 1000 + minor;
}

int zolt_cxx_in_name(const char *name) {
  static const char prefix[] = "libstdc++.so.6.0.";
  const size_t length = sizeof prefix - 1;
  if (strncmp(name, prefix, length) != 0) return -1;
  const char *p = name + length;
  const char *end = p + strlen(p);
  const int value = digits(&p, end);
  return p == end ? value : -1;
}

struct zolt_choice zolt_choose(int reader_glibc, int disc_glibc, int reader_cxx, int disc_cxx) {
  struct zolt_choice choice = {0, 0, 0};
  if (reader_glibc != 0 && reader_glibc < ZOLT_GLIBC_FLOOR) {
    choice.refuse = 1;
    return choice;
  }
  choice.disc_c = reader_glibc == 0 || reader_glibc < disc_glibc;
  choice.disc_cxx = reader_cxx < disc_cxx;
  return choice;
}
