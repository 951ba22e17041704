#include "cli_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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

CliResult RunKt58(const TempDir& dir, const std::vector<std::string>& args) {
  const auto out = dir / "cli_stdout.txt";
  const auto err = dir / "cli_stderr.txt";
  std::string cmd = "KT58_HOME=" + ShellQuote(dir.path().string() + "/") + " " + ShellQuote(KT58_CLI_PATH);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  cmd += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
  const int status = std::system(cmd.c_str());
  CliResult r;
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
