// The terminal program run as a script runs it: in a folder, settings under
// the test's own folder, standard input from /dev/null, at most two minutes;
// its exit status, standard output and standard error read back. And
// whole-file helpers.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace hoard::test {

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// BUILD/tests/hoard_tests runs BUILD/hoard-hoard.
inline std::filesystem::path BuiltProgramPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path().parent_path() / "hoard-hoard";
}

struct ProgramResult {
  int status = -1;  // -1 when the program did not end in time
  std::string out;
  std::string err;
};

// `killAfter` > 0 ends the program with SIGKILL after that many
// microseconds.
inline ProgramResult RunBuiltProgram(const std::filesystem::path& folder,
                                     const std::filesystem::path& config,
                                     std::vector<std::string> args, long killAfter = 0) {
  const std::filesystem::path outPath = config / "stdout.txt";
  const std::filesystem::path errPath = config / "stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
        chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    const std::string program = BuiltProgramPath().string();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (killAfter > 0) {
    usleep(static_cast<useconds_t>(killAfter));
    kill(pid, SIGKILL);
  }
  ProgramResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      result.err = ReadFileBytes(errPath);
      return result;
    }
    usleep(10000);
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFileBytes(outPath);
  result.err = ReadFileBytes(errPath);
  return result;
}

}  // namespace hoard::test
