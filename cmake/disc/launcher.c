/* The disc's launcher: the file `zolt` at the disc root, and the web engine's
   helper `libexec/QtWebEngineProcess` in the runtime folder. It is linked
   statically, so it starts on any x86-64 Linux whatever its C library, and
   starts the real program (runtime/bin/zolt) or the real helper
   (runtime/bin/QtWebEngineProcess) on the right loader:

   - the reader's C library where it is as new as the disc's or newer, else
     the disc's own loader and C library (runtime/lib/glibc);
   - the disc's libstdc++ and libgcc_s (runtime/lib/gcc) where the reader's
     are older;
   - a C library older than ZOLT_GLIBC_FLOOR is refused with a message.

   The program learns the disc root and the choice from ZOLT_DISC_ROOT,
   ZOLT_LOADER and ZOLT_LIBRARY_PATH; the reader's LD_LIBRARY_PATH and
   LD_PRELOAD are kept from it (a foreign Qt must not load) and handed on in
   ZOLT_READER_LD_LIBRARY_PATH and ZOLT_READER_LD_PRELOAD, for the programs of
   the reader's that it starts. The helper, started by the program, takes the
   choice from those variables.

   Before the program starts, the launcher reads into the page cache the
   pieces of the files that the start-up reads before its window is painted
   and a first tab click shows, as the disc's order file lists them (disc/start_order.h): in the
   file's order, which is their order on the image, so a drive reads on in one
   pass instead of seeking to each page the program's loader and libraries
   touch one by one. */

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "launch_choice.h"
#include "disc/start_order.h"

#ifndef ZOLT_DISC_CXX
#error "ZOLT_DISC_CXX: the version of the libstdc++ shipped on the disc"
#endif
#ifndef ZOLT_DISC_GLIBC
#error "ZOLT_DISC_GLIBC: the version of the C library shipped on the disc, as 1000 * major + minor"
#endif

#define RUNTIME_FOLDER ".zolt"
#define SYSTEM_LOADER "/lib64/ld-linux-x86-64.so.2"
#define HELPER_NAME "QtWebEngineProcess"
#define PATH_BYTES 4096
#define ORDER_FILE "start-order.txt"
#define ORDER_MAX_BYTES (256u << 10)      /* the order file read, at most */
#define PAINT_MAX_BYTES (48ull << 20)     /* the bytes read before the program starts, at most */

extern char **environ;

static const char *const kNotReadersOwn[] = {"LD_LIBRARY_PATH", "LD_PRELOAD"};

/* A message to the reader: on standard error and, where the desktop has a
   way, in a notification (a program started by a double click has no terminal). */
static void say(const char *text) {
  fprintf(stderr, "%s\n", text);
  fflush(stderr);
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    execlp("notify-send", "notify-send", "Zolt CD", text, (char *)NULL);
    _exit(127);
  }
  if (child > 0) {
    int status;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

static int join(char *out, size_t size, const char *a, const char *b) {
  const int n = snprintf(out, size, "%s%s", a, b);
  return n >= 0 && (size_t)n < size;
}

/* The C library version of the reader's loader, 0 where there is none: from
   the name of the file it links to (ld-2.31.so, before 2.34), else from its text. */
static int reader_glibc(void) {
  char path[PATH_BYTES] = SYSTEM_LOADER, target[PATH_BYTES];
  for (int hops = 0; hops < 8; ++hops) {
    const ssize_t length = readlink(path, target, sizeof target - 1);
    if (length <= 0) break;
    target[length] = '\0';
    const char *slash = strrchr(target, '/');
    const int named_version = zolt_glibc_in_loader_name(slash ? slash + 1 : target);
    if (named_version != 0) return named_version;
    if (target[0] == '/') {
      memcpy(path, target, (size_t)length + 1);
    } else {
      char folder[PATH_BYTES];
      memcpy(folder, path, sizeof folder);
      strrchr(folder, '/')[1] = '\0';
      if (!join(path, sizeof path, folder, target)) break;
    }
  }
  const int fd = open(SYSTEM_LOADER, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  enum { kChunk = 1 << 16, kOverlap = 64, kLimit = 16 << 20 };
  static char buffer[kChunk + kOverlap];
  size_t kept = 0, total = 0;
  int version = 0;
  for (;;) {
    const ssize_t got = read(fd, buffer + kept, kChunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const size_t size = kept + (size_t)got;
    version = zolt_glibc_in_loader(buffer, size);
    total += (size_t)got;
    if (version != 0 || total > kLimit) break;
    kept = size < kOverlap ? size : kOverlap;
    memmove(buffer, buffer + size - kept, kept);
  }
  close(fd);
  return version;
}

/* The version of the reader's libstdc++, -1 where none is found. */
static int reader_cxx(void) {
  static const char *const folders[] = {"/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu",
                                        "/lib64", "/usr/lib64", "/usr/lib", "/lib"};
  for (size_t i = 0; i < sizeof folders / sizeof folders[0]; ++i) {
    char path[PATH_BYTES], target[PATH_BYTES];
    if (!join(path, sizeof path, folders[i], "/libstdc++.so.6")) continue;
    const ssize_t length = readlink(path, target, sizeof target - 1);
    if (length <= 0) {
      if (access(path, R_OK) == 0) return -1;  /* there, of no version we can tell */
      continue;
    }
    target[length] = '\0';
    const char *slash = strrchr(target, '/');
    return zolt_cxx_in_name(slash ? slash + 1 : target);
  }
  return -1;
}


static int named(const char *entry, const char *name) {
  const size_t length = strlen(name);
  return strncmp(entry, name, length) == 0 && entry[length] == '=';
}

static char *entry(const char *name, const char *value) {
  const size_t size = strlen(name) + strlen(value) + 2;
  char *text = malloc(size);
  if (text == NULL) abort();
  snprintf(text, size, "%s=%s", name, value);
  return text;
}

/* Reads the pieces listed before the painted mark of the runtime folder's
   order file into the page cache, forward, as far as PAINT_MAX_BYTES: the
   runtime's files and the catalogue's files a first tab shows, all on the
   disc under `root`. The copy in `scratch` is dropped. Anything missing or
   odd is passed over. */
static void read_ahead_start(const char *root, const char *runtime) {
  static char order[ORDER_MAX_BYTES];
  static char scratch[128u << 10];  /* a drive's read at a time */
  static struct zolt_order_piece pieces[ZOLT_ORDER_MAX_PIECES];
  char path[PATH_BYTES];
  if (!join(path, sizeof path, runtime, "/" ORDER_FILE)) return;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return;
  struct stat info;
  size_t size = 0;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    while (size < sizeof order) {
      const ssize_t got = read(fd, order + size, sizeof order - size);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      size += (size_t)got;
    }
  }
  close(fd);
  unsigned long long budget = PAINT_MAX_BYTES;
  size_t start = 0;
  while (start < size && budget > 0) {
    const char *end = memchr(order + start, '\n', size - start);
    const size_t length = end ? (size_t)(end - (order + start)) : size - start;
    const char *line = order + start;
    start += length + 1;
    size_t path_length, count;
    const enum zolt_order_kind kind = zolt_order_line(line, length, &path_length, pieces, &count);
    if (kind == ZOLT_ORDER_PAINTED_MARK) break;
    if (kind != ZOLT_ORDER_FILE || count == 0 || !zolt_order_in_folder(line, path_length, "")) continue;
    const size_t prefix = strlen(root);
    if (prefix + 1 + path_length + 1 > sizeof path) continue;
    memcpy(path, root, prefix);
    path[prefix] = '/';
    memcpy(path + prefix + 1, line, path_length);
    path[prefix + 1 + path_length] = '\0';
    const int file = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (file < 0) continue;
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode)) {
      /* just the pieces: the kernel's own read-ahead would read on past each */
      posix_fadvise(file, 0, 0, POSIX_FADV_RANDOM);
      for (size_t i = 0; i < count && budget > 0; ++i) {
        unsigned long long offset = pieces[i].offset;
        unsigned long long stop = pieces[i].offset + pieces[i].length;
        if (stop > (unsigned long long)info.st_size) stop = (unsigned long long)info.st_size;
        while (offset < stop && budget > 0) {
          size_t want = sizeof scratch;
          if (want > stop - offset) want = (size_t)(stop - offset);
          if (want > budget) want = (size_t)budget;
          const ssize_t got = pread(file, scratch, want, (off_t)offset);
          if (got < 0 && errno == EINTR) continue;
          if (got <= 0) break;
          offset += (unsigned long long)got;
          budget -= (unsigned long long)got;
        }
      }
    }
    close(file);
  }
}

int main(int argc, char **argv) {
  char self[PATH_BYTES];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    say("Zolt CD: impossibile trovare la cartella del programma (/proc non è montato?).");
    return 127;
  }
  self[length] = '\0';
  char *slash = strrchr(self, '/');
  const int helper = strcmp(slash + 1, HELPER_NAME) == 0;
  *slash = '\0';  /* self is now the launcher's folder */

  /* The runtime folder, and in it what to start. */
  char runtime[PATH_BYTES], target[PATH_BYTES];
  int fits;
  if (helper) {
    fits = join(runtime, sizeof runtime, self, "/..") &&
           join(target, sizeof target, runtime, "/bin/" HELPER_NAME);
  } else {
    fits = join(runtime, sizeof runtime, self[0] ? self : "", "/" RUNTIME_FOLDER) &&
           join(target, sizeof target, runtime, "/bin/zolt");
  }
  if (!fits) {
    say("Zolt CD: il percorso del disco è troppo lungo.");
    return 127;
  }

  if (!helper) read_ahead_start(self, runtime);

  /* The choice: the helper takes the program's, the program makes it. */
  const char *loader = NULL;
  char library_path[2 * PATH_BYTES + 2] = "";
  const char *given_loader = getenv("ZOLT_LOADER");
  const char *given_path = getenv("ZOLT_LIBRARY_PATH");
  if (helper && given_loader != NULL && given_path != NULL) {
    if (*given_loader) loader = given_loader;
    snprintf(library_path, sizeof library_path, "%s", given_path);
  } else {
    const int reader = reader_glibc();
    const struct zolt_choice choice = zolt_choose(reader, ZOLT_DISC_GLIBC, reader_cxx(), ZOLT_DISC_CXX);
    if (choice.refuse) {
      char text[512];
      snprintf(text, sizeof text,
               "Zolt CD richiede un sistema Linux con la libreria C GNU (glibc) %d.%d o più recente; "
               "questo sistema ha la %d.%d.\nI file del catalogo si possono aprire anche senza il programma.",
               ZOLT_GLIBC_FLOOR / 1000, ZOLT_GLIBC_FLOOR % 1000, reader / 1000, reader % 1000);
      say(text);
      return 1;
    }
    static char disc_loader[PATH_BYTES];
    char glibc[PATH_BYTES], gcc[PATH_BYTES];
    if (!join(glibc, sizeof glibc, runtime, "/lib/glibc") || !join(gcc, sizeof gcc, runtime, "/lib/gcc") ||
        !join(disc_loader, sizeof disc_loader, glibc, "/ld-linux-x86-64.so.2")) {
      say("Zolt CD: il percorso del disco è troppo lungo.");
      return 127;
    }
    if ((choice.disc_c || choice.disc_cxx) && strpbrk(runtime, ":;") != NULL) {
      /* The loader's library path is a list separated by these. */
      char text[PATH_BYTES + 256];
      snprintf(text, sizeof text,
               "Zolt CD: su questo sistema il programma non può partire da una cartella il cui percorso "
               "contiene \":\" o \";\" (%s). Copiare il disco in un'altra cartella, o montarlo altrove.",
               self);
      say(text);
      return 1;
    }
    if (choice.disc_c) {
      loader = disc_loader;
      snprintf(library_path, sizeof library_path, "%s%s%s", glibc, choice.disc_cxx ? ":" : "",
               choice.disc_cxx ? gcc : "");
    } else if (choice.disc_cxx) {
      loader = SYSTEM_LOADER;
      snprintf(library_path, sizeof library_path, "%s", gcc);
    }
  }

  /* The environment: the reader's, without what would load libraries of the
     reader's into the program; in the program's, the choice and the root. */
  size_t count = 0;
  while (environ[count] != NULL) ++count;
  char **env = calloc(count + 8, sizeof *env);
  if (env == NULL) abort();
  size_t n = 0;
  for (size_t i = 0; i < count; ++i) {
    int drop = 0;
    for (size_t k = 0; k < sizeof kNotReadersOwn / sizeof kNotReadersOwn[0]; ++k) {
      if (named(environ[i], kNotReadersOwn[k])) {
        drop = 1;
        if (!helper) env[n++] = entry(strcmp(kNotReadersOwn[k], "LD_PRELOAD") == 0
                                          ? "ZOLT_READER_LD_PRELOAD" : "ZOLT_READER_LD_LIBRARY_PATH",
                                      environ[i] + strlen(kNotReadersOwn[k]) + 1);
      }
    }
    if (!helper && strncmp(environ[i], "ZOLT_", 5) == 0) drop = 1;  /* an earlier run's */
    if (!drop) env[n++] = environ[i];
  }
  if (!helper) {
    env[n++] = entry("ZOLT_DISC_ROOT", self[0] ? self : "/");
    env[n++] = entry("ZOLT_LOADER", loader ? loader : "");
    env[n++] = entry("ZOLT_LIBRARY_PATH", library_path);
  }
  env[n] = NULL;

  char **args = calloc((size_t)argc + 8, sizeof *args);
  if (args == NULL) abort();
  size_t a = 0;
  if (loader != NULL) {
    args[a++] = (char *)loader;
    args[a++] = "--library-path";
    args[a++] = library_path;
    args[a++] = "--argv0";
    args[a++] = argc > 0 ? argv[0] : target;
    args[a++] = target;
  } else {
    args[a++] = argc > 0 ? argv[0] : target;
  }
  for (int i = 1; i < argc; ++i) args[a++] = argv[i];
  args[a] = NULL;

  execve(loader ? loader : target, args, env);
  const int error = errno;
  char text[PATH_BYTES + 256];
  if (error == EACCES || error == EPERM) {
    snprintf(text, sizeof text,
             "Zolt CD: il sistema non permette di avviare %s (%s): il disco è probabilmente montato "
             "senza il permesso di avviare programmi (noexec).",
             loader ? loader : target, strerror(error));
    say(text);
    return 126;
  }
  snprintf(text, sizeof text, "Zolt CD: impossibile avviare %s: %s", loader ? loader : target, strerror(error));
  say(text);
  return 127;
}
