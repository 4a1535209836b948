// The desktop shell on POSIX: documents open with xdg-open, and the recycle
// bin is the freedesktop.org trash.
#include "platform/shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "platform/fs.h"
#include "platform/posix/paths.h"
#include "platform/posix/trash.h"

namespace hoard::platform {
namespace {

// The first executable "xdg-open" on PATH.
bool FindOnPath(const char* program, PathText& out) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string_view rest = path;
  while (true) {
    size_t colon = rest.find(':');
    std::string_view folder = rest.substr(0, colon);
    if (folder.empty()) folder = ".";
    struct stat info;
    if (out.Assign(folder) && out.Append("/") && out.Append(program) &&
        stat(out.text, &info) == 0 && S_ISREG(info.st_mode) && access(out.text, X_OK) == 0) {
      return true;
    }
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

// Starts the program on the document without waiting for it: the child
// forks the opener and leaves at once, so no zombie stays behind, and a
// close-on-exec pipe tells whether the exec itself worked.
bool Launch(const char* program, const char* document) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    pid_t opener = fork();
    if (opener == 0) {
      char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(document), nullptr};
      execv(program, argv);
      int error = errno;
      ssize_t ignored = write(report[1], &error, sizeof error);
      (void)ignored;
      _exit(127);
    }
    _exit(opener < 0 ? 1 : 0);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  do {
    got = read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace

bool OpenDocument(const char* path) {
  PathText opener;
  if (FindOnPath("xdg-open", opener) && Launch(opener.text, path)) return true;
  std::fputs(path, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  return true;
}

bool RecycleToBin(const char* path, bool /*quiet: the trash never asks*/) {
  return MoveToTrash(path, std::time(nullptr));
}

}  // namespace hoard::platform
