#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>

namespace {

// Forks the program with the given standard input; output through pipes read to their end.
ProcessResult Run(const std::vector<std::string>& arguments, const std::string& directory, int input_fd,
                  int timeout_seconds = 0) {
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) std::abort();
  pid_t child = fork();
  if (child == 0) {
    dup2(input_fd, 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    static std::string program = CARILLO_PROGRAM;
    argv.push_back(program.data());
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  ProcessResult result;
  // Both pipes at once, so that neither fills up while the other is read.
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  while (open_count > 0) {
    int wait_ms = -1;
    if (timeout_seconds > 0 && !result.timed_out) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        kill(child, SIGKILL);  // the pipes close as it dies
        result.timed_out = true;
      } else {
        wait_ms = static_cast<int>(left.count());
      }
    }
    int ready = poll(fds, 2, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

}  // namespace

ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& directory,
                         int timeout_seconds) {
  int null_fd = open("/dev/null", O_RDONLY);
  ProcessResult result = Run(arguments, directory, null_fd, timeout_seconds);
  close(null_fd);
  return result;
}

ProcessResult RunProgramOnTerminal(const std::vector<std::string>& arguments, const std::string& typed,
                                   const std::string& directory) {
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) std::abort();
  // Typed ahead: the terminal keeps the lines until the program reads them.
  if (::write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) std::abort();
  ProcessResult result = Run(arguments, directory, slave);
  close(slave);
  close(master);
  return result;
}
