#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <grp.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <utility>

namespace {

// Forks the program with the given standard input; output through pipes read to their end, or to
// the files or terminal the setting names.
ProcessResult Run(const std::vector<std::string>& arguments, const std::string& directory, int input_fd,
                  const ProcessSetting& setting, int timeout_seconds = 0, int terminal = -1) {
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) std::abort();
  pid_t child = fork();
  if (child == 0) {
    if (terminal >= 0 && (setsid() < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0)) _exit(127);
    dup2(input_fd, 0);
    dup2(setting.out_on_terminal ? input_fd : out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (auto [file, fd] : {std::pair{&setting.out_file, 1}, std::pair{&setting.err_file, 2}}) {
      if (file->empty()) continue;
      const int opened = open(file->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (opened < 0 || dup2(opened, fd) < 0) _exit(127);
    }
    if (setting.as_nobody && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(127);
    }
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
                         int timeout_seconds, const ProcessSetting& setting) {
  const std::string in = setting.in_file.empty() ? "/dev/null" : setting.in_file;
  int null_fd = open((in.front() == '/' || directory.empty() ? in : directory + "/" + in).c_str(), O_RDONLY);
  ProcessResult result = Run(arguments, directory, null_fd, setting, timeout_seconds);
  close(null_fd);
  return result;
}

ProcessResult RunProgramOnTerminal(const std::vector<std::string>& arguments, const std::string& typed,
                                   const std::string& directory, const ProcessSetting& setting) {
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) std::abort();
  // Lines as a person types them, but no echo and no CR before each LF of what it shows.
  termios settings{};
  tcgetattr(slave, &settings);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tcsetattr(slave, TCSANOW, &settings);
  // Typed ahead: the terminal keeps the lines until the program reads them.
  if (::write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) std::abort();
  // Its /dev/tty only where a stream goes elsewhere: questions otherwise stay on standard error.
  const bool controlling = setting.out_on_terminal || !setting.err_file.empty();
  ProcessResult result = Run(arguments, directory, slave, setting, 0, controlling ? slave : -1);
  close(slave);
  // What the terminal showed, now that nobody writes to it.
  fcntl(master, F_SETFL, O_NONBLOCK);
  char buffer[4096];
  for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) result.terminal.append(buffer, static_cast<std::size_t>(got));
  close(master);
  return result;
}
