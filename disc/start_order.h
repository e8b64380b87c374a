/* The disc's order file (the runtime folder's start-order.txt), line by line.
   Plain C: the launcher at the disc root reads it too, before the program
   starts.

   The file, written when the image is made, lists the disc's files in the
   order a recorded start-up first opened them, which is also their order on
   the image; paths are relative to the disc root, one a line. A line
   "# painted" separates what the start-up opened before the main window was
   painted from what it opened after; other lines starting with "#" are
   comments. A path may be followed by a tab and the pieces of the file the
   start-up read, ascending and apart, each "first+count" in blocks of
   ZOLT_ORDER_BLOCK bytes, separated by single spaces:

       .zolt/lib/libQt6Core.so.6<TAB>0+30 170+2 400+1

   A path without pieces stands for the whole file. The disc is untrusted:
   a line longer than ZOLT_ORDER_MAX_LINE, with more than ZOLT_ORDER_MAX_PIECES
   pieces, or with pieces out of order, overlapping or malformed is passed
   over whole. */

#ifndef ZOLT_DISC_START_ORDER_H
#define ZOLT_DISC_START_ORDER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZOLT_ORDER_BLOCK 4096u
#define ZOLT_ORDER_MAX_LINE 16384
#define ZOLT_ORDER_MAX_PIECES 1024
#define ZOLT_ORDER_PAINTED "# painted"

enum zolt_order_kind { ZOLT_ORDER_SKIP, ZOLT_ORDER_PAINTED_MARK, ZOLT_ORDER_FILE };

/* A piece of a file, in bytes. */
struct zolt_order_piece {
  uint64_t offset, length;
};

/* One line of the order file, without its line end (a trailing "\r" is
   dropped). For ZOLT_ORDER_FILE: the path is line[0, *path_length), and
   pieces[0, *count) its pieces (no pieces: the whole file); `pieces` has
   room for ZOLT_ORDER_MAX_PIECES. */
enum zolt_order_kind zolt_order_line(const char *line, size_t length, size_t *path_length,
                                     struct zolt_order_piece *pieces, size_t *count);

/* Whether a path relative to the disc root names a file inside `folder` (a
   name at the root; "" for anywhere on the disc), with no empty, "." or ".."
   component. */
int zolt_order_in_folder(const char *path, size_t length, const char *folder);

#ifdef __cplusplus
}
#endif

#endif
