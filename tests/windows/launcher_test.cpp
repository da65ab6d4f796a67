// Drives the Windows launcher as a process with a chosen command line, from a
// scratch folder, against the test double of the interpreter DLL that sits
// beside it (and beside this program).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <windows.h>

#include "process.h"

namespace fs = std::filesystem;

namespace {

// The standard streams are in text mode: every line end written reaches the
// pipe as CR LF.
std::string text_mode(const std::string &text) {
  std::string result;
  for (char c : text)
    result += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return result;
}

const std::string not_executable = text_mode("Error: This script is not a windows executable\n");

fs::path own_folder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

// What the double prints for a whole run of a script.
std::string ran(const std::string &script_path, const std::string &echo, bool finalised = true) {
  return text_mode("[double] Py_Initialize: Py_NoSiteFlag=1\n[double] PyRun_SimpleFile: " + script_path + "\n" + echo +
                   (finalised ? "[double] Py_FinalizeEx\n" : ""));
}

class Scratch : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::current_path() / ("scratch-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Written in binary, so that line ends reach the launcher as given here.
  void write(const std::string &relative, const std::string &text) {
    fs::path path = dir / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  void script(const std::string &relative) { write(relative, "print('" + relative + "')\n"); }

  Outcome launch(const std::string &command_line, Streams streams = Streams::apart,
                 const fs::path &application = own_folder() / "launcher.exe") {
    return run(application.string(), command_line, dir.string(), streams);
  }

  fs::path dir;
};

// Command line -> the script that runs; decoys would run if the path were cut
// at the wrong place.
struct PathCase {
  const char *name;
  std::string command_line; // "@" stands for the scratch folder's absolute path
  std::string opens;        // the script path handed to the interpreter
  std::string file;         // the script file that should be read
  std::vector<std::string> decoys;
};
void PrintTo(const PathCase &c, std::ostream *os) { *os << c.name; }

class ScriptPath : public Scratch, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ScriptPath, RunsTheScriptNamedByArgumentZero) {
  const PathCase &c = GetParam();
  script(c.file);
  for (const auto &decoy : c.decoys)
    script(decoy);
  auto expand = [&](std::string text) {
    if (auto at = text.find('@'); at != std::string::npos)
      text.replace(at, 1, dir.string());
    return text;
  };

  Outcome o = launch(expand(c.command_line));
  EXPECT_EQ(o.out, ran(expand(c.opens), "[script] print('" + c.file + "')\n"));
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, ScriptPath,
    ::testing::Values(
        PathCase{"absolute", "\"@\\apps\\report.exe\"", "@\\apps\\report.py", "apps/report.py", {"report.py"}},
        PathCase{"upper_case_suffix", "REPORT.EXE", "REPORT.py", "report.py", {}},
        PathCase{"quoted_with_space_and_arguments",
                 "\"my apps\\report.exe\" --flag value",
                 "my apps\\report.py",
                 "my apps/report.py",
                 {}},
        PathCase{"suffix_in_directory_cuts_there",
                 "tools.exe.d\\report.exe",
                 "tools.py",
                 "tools.py",
                 {"tools.exe.d/report.py"}},
        PathCase{
            "upper_directory_lower_file", "OLD.EXE\\report.exe", "OLD.EXE\\report.py", "OLD.EXE/report.py", {"OLD.py"}},
        PathCase{"trailing_text_dropped", "apps\\report.exe.old", "apps\\report.py", "apps/report.py", {}}),
    [](const auto &info) { return std::string(info.param.name); });

struct EndCase {
  const char *name;
  std::string script;
  unsigned long status;
  std::string echo; // what the double echoes of the script
  bool finalised;
  std::string err;
};
void PrintTo(const EndCase &c, std::ostream *os) { *os << c.name; }

class ScriptEnd : public Scratch, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ScriptEnd, GivesTheInterpretersStatus) {
  const EndCase &c = GetParam();
  write("report.py", c.script);
  Outcome o = launch("report.exe");
  EXPECT_EQ(o.out, ran("report.py", c.echo, c.finalised));
  EXPECT_EQ(o.err, text_mode(c.err));
  EXPECT_EQ(o.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, ScriptEnd,
    ::testing::Values(EndCase{"empty_script", "", 0, "", true, ""},
                      // Opened in text mode: the stream hands the interpreter plain line ends.
                      EndCase{"crlf_read_as_text", "first\r\nsecond\r\n", 0, "[script] first\n[script] second\n", true,
                              ""},
                      EndCase{"unhandled_exception", "before\nraise\n", 1, "[script] before\n[script] raise\n", true,
                              "Traceback (most recent call last):\nRuntimeError: raised by the script\n"},
                      EndCase{"script_ends_the_process", "exit 7\n", 7, "[script] exit 7\n", false, ""},
                      EndCase{"output_lost_at_finalisation", "lose output\n", 120, "[script] lose output\n", true, ""}),
    [](const auto &info) { return std::string(info.param.name); });

class NotAnExecutable : public Scratch, public ::testing::WithParamInterface<const char *> {};

TEST_P(NotAnExecutable, SaysSoAndRunsNothing) {
  for (const char *decoy : {"report.py", "apps/report.py"})
    script(decoy);
  Outcome o = launch(GetParam());
  EXPECT_EQ(o.out, not_executable);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 1u);
}

INSTANTIATE_TEST_SUITE_P(Refused, NotAnExecutable,
                         ::testing::Values("report.Exe", "apps\\report.eXe", "report", "report report.exe"));

TEST_F(Scratch, CannotOpenNamesThePathThenTheRuntimesErrorText) {
  Outcome apart = launch("missing.exe");
  EXPECT_EQ(apart.out, "Cannot open missing.py");
  EXPECT_EQ(apart.err, text_mode("No such file or directory\n"));
  EXPECT_EQ(apart.status, 1u);

  Outcome shared = launch("nowhere\\report.exe", Streams::shared);
  EXPECT_EQ(shared.out, text_mode("Cannot open nowhere\\report.pyNo such file or directory\n"));
  EXPECT_EQ(shared.status, 1u);
}

// The interpreter DLL is bound when the program loads: without it, no code of
// the launcher runs at all.
TEST_F(Scratch, DoesNotStartWithoutTheInterpreterDll) {
  script("report.py");
  fs::copy_file(own_folder() / "launcher.exe", dir / "report.exe");
  Outcome o = launch("report.exe", Streams::shared, dir / "report.exe");
  EXPECT_EQ(o.status, 0xC0000135ul); // STATUS_DLL_NOT_FOUND
  EXPECT_EQ(o.out.find("[double]"), std::string::npos);
}

} // namespace
