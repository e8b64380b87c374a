/* The floor of a disc search as a whole process: walk the disc's folders
 * three levels deep, as the search does (levels 1 to 3, the Home folders of
 * level 2 passed over), and read each "testo.txt" whole; nothing is matched.
 *   floor_walk DISC   prints "<descriptions> <bytes>"                     */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char buffer[1 << 18];
static long files, bytes;

static void ReadDescription(const char* folder) {
  char path[4096];
  snprintf(path, sizeof path, "%s/testo.txt", folder);
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes += n;
  ++files;
  close(fd);
}

static void Walk(const char* folder, int level) {
  DIR* dir = opendir(folder);
  if (dir == NULL) return;
  struct dirent* entry;
  while ((entry = readdir(dir)) != NULL) {
    if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", folder, entry->d_name);
    if (entry->d_type != DT_DIR) {
      struct stat st;
      if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
      if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    }
    if (level == 2 && strcmp(entry->d_name, "Home") == 0) continue;
    ReadDescription(path);
    if (level < 3) Walk(path, level + 1);
  }
  closedir(dir);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: floor_walk DISC\n");
    return 2;
  }
  Walk(argv[1], 1);
  printf("%ld %ld\n", files, bytes);
  return 0;
}
