#include "process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

void check(int result, const char *what) {
  if (result != 0)
    throw std::runtime_error(std::string(what) + ": " + strerror(result < 0 ? errno : result));
}

std::vector<char *> pointers(std::vector<std::string> &strings) {
  std::vector<char *> result;
  for (auto &s : strings)
    result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

// The caller's environment without what would steer the interpreter or the
// locale, so that runs are alike wherever the tests run; sanitizer settings
// are kept.
std::vector<std::string> environment(const std::vector<std::string> &extra) {
  std::vector<std::string> env;
  for (char **e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("PYTHON", 0) == 0 || entry.rfind("PATH=", 0) == 0 || entry.rfind("LC_", 0) == 0 ||
        entry.rfind("LANG", 0) == 0)
      continue;
    env.push_back(entry);
  }
  env.push_back("PATH=" TEST_PATH);
  env.push_back("LANG=C.UTF-8");
  for (const std::string &entry : extra) {
    std::string name = entry.substr(0, entry.find('='));
    env.erase(std::remove_if(env.begin(), env.end(), [&](const std::string &e) { return e.rfind(name + "=", 0) == 0; }),
              env.end());
    if (entry.size() > name.size())
      env.push_back(entry);
  }
  return env;
}

} // namespace

Outcome run(const Launch &launch) {
  int out[2], err[2] = {-1, -1};
  check(pipe2(out, O_CLOEXEC), "pipe");
  if (launch.streams == Streams::apart)
    check(pipe2(err, O_CLOEXEC), "pipe");
  int err_write = launch.streams == Streams::apart ? err[1] : out[1];

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (launch.close_stdin)
    posix_spawn_file_actions_addclose(&actions, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  switch (launch.stdout_target) {
  case StdoutTarget::pipe:
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    break;
  case StdoutTarget::dev_full:
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
    break;
  case StdoutTarget::closed:
    posix_spawn_file_actions_addclose(&actions, 1);
    break;
  }
  if (launch.close_stderr)
    posix_spawn_file_actions_addclose(&actions, 2);
  else
    posix_spawn_file_actions_adddup2(&actions, err_write, 2);
  if (!launch.cwd.empty())
    posix_spawn_file_actions_addchdir_np(&actions, launch.cwd.c_str());

  std::vector<std::string> argv = launch.argv, env = environment(launch.env);
  std::vector<char *> argv_p = pointers(argv), env_p = pointers(env);
  // Signals as a shell started from a terminal leaves them to its commands,
  // whatever this process inherited: a test runner may ignore SIGINT.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int signal : {SIGINT, SIGQUIT, SIGPIPE, SIGTERM})
    sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  // A group of its own, so that a run that times out is killed with every
  // process it started.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  pid_t pid;
  int spawned = posix_spawn(&pid, launch.program.c_str(), &actions, &attributes, argv_p.data(), env_p.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(out[1]);
  if (err[1] >= 0)
    close(err[1]);
  check(spawned, "posix_spawn");

  Outcome outcome;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string *sinks[2] = {&outcome.out, &outcome.err};
  int open_count = err[0] >= 0 ? 2 : 1;
  bool interrupted = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(launch.timeout_seconds);
  while (open_count > 0) {
    int wait_ms = -1;
    if (launch.timeout_seconds > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait_ms = static_cast<int>(std::max<long long>(0, left.count()));
    }
    int ready = poll(fds, 2, wait_ms);
    if (ready < 0) {
      if (errno == EINTR)
        continue;
      check(-1, "poll");
    }
    if (ready == 0 && !outcome.timed_out) {
      kill(-pid, SIGKILL);
      outcome.timed_out = true;
      deadline += std::chrono::seconds(10); // for the pipes to close
      continue;
    }
    if (ready == 0)
      break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !fds[i].revents)
        continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR)
        continue;
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
        if (!interrupted && !launch.interrupt_when.empty() &&
            outcome.out.find(launch.interrupt_when) != std::string::npos) {
          kill(pid, SIGINT);
          interrupted = true;
        }
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }

  for (pollfd &fd : fds)
    if (fd.fd >= 0)
      close(fd.fd);

  int wstatus;
  while (waitpid(pid, &wstatus, 0) < 0)
    if (errno != EINTR)
      check(-1, "waitpid");
  outcome.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
  outcome.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + outcome.signal;
  return outcome;
}
