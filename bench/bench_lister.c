/* The C lister: opens, reads and closes each directory named on its command line and keeps the
 * names of its subdirectories in memory, as the search does ("." and ".." skipped, d_type
 * trusted, a stat only for links and unknown types). Plain C, so that it carries no C++ runtime:
 * it is the least a program that lists these directories can cost. */
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

/* Keeps one copy of `name` in the growing list. */
static void Keep(char*** names, size_t* count, size_t* capacity, const char* name) {
  if (*count == *capacity) {
    *capacity = *capacity ? *capacity * 2 : 64;
    *names = realloc(*names, *capacity * sizeof **names);
    if (!*names) exit(2);
  }
  (*names)[(*count)++] = strdup(name);
}

int main(int argc, char** argv) {
  char** names = NULL;
  size_t count = 0;
  size_t capacity = 0;
  size_t kept = 0;
  for (int i = 1; i < argc; ++i) {
    DIR* dir = opendir(argv[i]);
    if (!dir) continue;
    const struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      if (entry->d_type == DT_DIR) {
        Keep(&names, &count, &capacity, name);
        continue;
      }
      if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) continue;
      struct stat info;
      if (fstatat(dirfd(dir), name, &info, 0) == 0 && S_ISDIR(info.st_mode)) {
        Keep(&names, &count, &capacity, name);
      }
    }
    closedir(dir);
    kept += count;
    for (size_t n = 0; n < count; ++n) free(names[n]);
    count = 0;
  }
  free(names);
  return kept > 0 ? 0 : 1;
}
