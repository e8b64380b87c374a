#ifndef ZOLT_LAUNCH_CHOICE_H
#define ZOLT_LAUNCH_CHOICE_H
/* The choice the disc's launcher makes at every start: on which loader and
   C library, and with which C++ runtime, the program and its web helper run.
   Kept apart from the launcher so it can be tried without a system to start on.

   Versions of the C library are major * 1000 + minor (2.31 is 2031), 0 where
   unknown. Versions of libstdc++ are the last number of its file name
   (libstdc++.so.6.0.30 is 30), -1 where unknown or missing. */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The oldest C library the disc starts on. */
enum { ZOLT_GLIBC_FLOOR = 2028 };

/* The C library version a loader's text names ("... stable release version
   2.36.", in loaders since 2.34), 0 where the text names none. */
int zolt_glibc_in_loader(const char *text, size_t size);

/* The C library version in a loader's file name, as systems before 2.34 name
   it ("ld-2.28.so"), 0 for any other name. */
int zolt_glibc_in_loader_name(const char *name);

/* 30 for "libstdc++.so.6.0.30", -1 for anything else. */
int zolt_cxx_in_name(const char *name);

struct zolt_choice {
  int refuse;    /* the reader's C library is older than the floor */
  int disc_c;    /* run on the disc's loader and C library */
  int disc_cxx;  /* put the disc's libstdc++ and libgcc_s first */
};

/* Where the reader's C library is as new as the disc's or newer, the reader's
   loader; where older (or not found: a system without the GNU C library), the
   disc's. The newer libstdc++ of the two, the reader's where they are equal. */
struct zolt_choice zolt_choose(int reader_glibc, int disc_glibc, int reader_cxx, int disc_cxx);

#ifdef __cplusplus
}
#endif

#endif
