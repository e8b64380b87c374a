#include "disc/start_order.h"

#include <string.h>

/* A decimal number of at most 9 digits at text[*at], moved past. */
static int number(const char *text, size_t end, size_t *at, uint64_t *value) {
  size_t digits = 0;
  *value = 0;
  while (*at < end && text[*at] >= '0' && text[*at] <= '9' && digits < 10) {
    *value = *value * 10 + (uint64_t)(text[*at] - '0');
    ++*at;
    ++digits;
  }
  return digits > 0 && digits <= 9;
}

enum zolt_order_kind zolt_order_line(const char *line, size_t length, size_t *path_length,
                                     struct zolt_order_piece *pieces, size_t *count) {
  *path_length = 0;
  *count = 0;
  if (length > 0 && line[length - 1] == '\r') --length;
  if (length == 0 || length > ZOLT_ORDER_MAX_LINE) return ZOLT_ORDER_SKIP;
  if (length == sizeof ZOLT_ORDER_PAINTED - 1 && memcmp(line, ZOLT_ORDER_PAINTED, length) == 0)
    return ZOLT_ORDER_PAINTED_MARK;
  if (line[0] == '#') return ZOLT_ORDER_SKIP;
  const char *tab = memchr(line, '\t', length);
  const size_t path = tab ? (size_t)(tab - line) : length;
  if (path == 0) return ZOLT_ORDER_SKIP;
  if (tab) {
    uint64_t next = 0;  /* the first block a piece may start at */
    size_t at = path + 1;
    for (;;) {
      uint64_t first, blocks;
      if (*count == ZOLT_ORDER_MAX_PIECES || !number(line, length, &at, &first) || at == length ||
          line[at++] != '+' || !number(line, length, &at, &blocks) || blocks == 0 || first < next) {
        *count = 0;
        return ZOLT_ORDER_SKIP;
      }
      pieces[*count].offset = first * ZOLT_ORDER_BLOCK;
      pieces[*count].length = blocks * ZOLT_ORDER_BLOCK;
      ++*count;
      next = first + blocks + 1;  /* apart: touching pieces would be one */
      if (at == length) break;
      if (line[at++] != ' ') {
        *count = 0;
        return ZOLT_ORDER_SKIP;
      }
    }
  }
  *path_length = path;
  return ZOLT_ORDER_FILE;
}

int zolt_order_in_folder(const char *path, size_t length, const char *folder) {
  const size_t name = strlen(folder);
  if (length == 0) return 0;
  if (name != 0 && (length <= name + 1 || memcmp(path, folder, name) != 0 || path[name] != '/')) return 0;
  size_t start = 0;
  while (start <= length) {
    const char *slash = memchr(path + start, '/', length - start);
    const size_t end = slash ? (size_t)(slash - path) : length;
    const size_t part = end - start;
    if (part == 0 || (part == 1 && path[start] == '.') ||
        (part == 2 && path[start] == '.' && path[start + 1] == '.') ||
        memchr(path + start, '\0', part) != NULL)
      return 0;
    start = end + 1;
  }
  return 1;
}
