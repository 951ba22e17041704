// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

namespace kt58::test {

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> CliResult::ErrLines() const {
  std::vector<std::string> lines;
  std::istringstream s(err);
  for (std::string line; std::getline(s, line);) lines.push_back(line);
  return lines;
}

CliResult RunKt58(const TempDir& dir, const std::vector<std::string>& args, const CliEnv& env) {
  const auto out = dir / "cli_stdout.txt";
  const auto err = dir / "cli_stderr.txt";
  const std::string home = dir.path().string() + "/";
  std::vector<std::string> argv_text = {KT58_CLI_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The environment with KT58_HOME replaced, made before the fork.
  std::vector<std::string> env_text = {"KT58_HOME=" + home};
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).substr(0, 10) != "KT58_HOME=") env_text.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  CliResult r;
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The child: only async-signal-safe calls until exec.
    const auto limit = [](int resource, uint64_t bytes) {
      if (!bytes) return;
      const rlimit l{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
      if (::setrlimit(resource, &l) != 0) ::_exit(126);
    };
    limit(RLIMIT_AS, env.address_space);
    limit(RLIMIT_FSIZE, env.file_size);
    if (!env.working_dir.empty() && ::chdir(env.working_dir.c_str()) != 0) ::_exit(126);
    const int in_fd = ::open("/dev/null", O_RDONLY);
    const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0) ::_exit(126);
    ::dup2(in_fd, 0);
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (pid < 0) return r;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadText(out);
  r.err = ReadText(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

std::vector<std::filesystem::path> StoreFilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    std::string ext = e.path().extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".dat") found.push_back(e.path());
  }
  return found;
}

}  // namespace kt58::test
