// Drives one Windows launcher (the environment variable LAUNCHER names it,
// LAUNCHER_INIT says how its release initialises) as a process with a chosen
// command line, from a scratch folder, against the test double of its
// interpreter DLL that sits beside it (and beside this program).

#include <gtest/gtest.h>

#include <cstdlib>
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

std::string setting(const char *name) {
  const char *value = getenv(name);
  return value ? value : "";
}
const std::string launcher_name = setting("LAUNCHER");
const bool config_api = setting("LAUNCHER_INIT") == "config";
const bool windowed = launcher_name.rfind("launcherw-", 0) == 0;

fs::path own_folder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

// How the double reports the start of the interpreter, for each release's way.
std::string initialised() {
  return config_api ? "[double] Py_InitializeFromInitConfig: site_import=0 isolated=0 use_environment=1 "
                      "install_signal_handlers=1\n[double] PyInitConfig_Free\n"
                    : "[double] Py_Initialize: Py_NoSiteFlag=1\n";
}

// What the double prints for a whole run of a script. From 3.14 the
// launcher marks the interpreter as running its main program around the run,
// where the DLL offers it.
std::string ran(const std::string &script_path, const std::string &echo, bool finalised = true,
                bool marks_main = config_api) {
  return text_mode(initialised() + (marks_main ? "[double] running main\n" : "") +
                   "[double] PyRun_SimpleFile: " + script_path + (marks_main ? " (running main)" : "") + "\n" + echo +
                   (finalised && marks_main ? "[double] not running main\n" : "") +
                   (finalised ? "[double] Py_FinalizeEx\n" : ""));
}

class Scratch : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(launcher_name.empty()) << "LAUNCHER names no launcher";
    // Wine reuses process ids: a run that was killed may have left one.
    dir = fs::current_path() / ("scratch-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"DOUBLE_INIT_FAILS", nullptr);
    fs::remove_all(dir);
  }

  // A copy of the launcher as report.exe in `folder`, beside report.py.
  fs::path install(const std::string &folder) {
    fs::path exe = dir / fs::u8path(folder) / "report.exe";
    fs::create_directories(exe.parent_path());
    fs::copy_file(own_folder() / launcher_name, exe);
    write(folder + "/report.py", "print executable\n");
    return exe;
  }

  // Names are UTF-8. Written in binary, so that line ends reach the launcher
  // as given here.
  void write(const std::string &relative, const std::string &text) {
    fs::path path = dir / fs::u8path(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  void script(const std::string &relative) { write(relative, "print('" + relative + "')\n"); }

  // "@" in a text stands for the scratch folder's absolute path.
  std::string expand(std::string text) const {
    if (auto at = text.find('@'); at != std::string::npos)
      text.replace(at, 1, dir.u8string());
    return text;
  }

  Outcome launch(const std::string &command_line, Streams streams = Streams::apart,
                 const fs::path &application = own_folder() / launcher_name) {
    return run(application.u8string(), expand(command_line), dir.u8string(), streams);
  }

  fs::path dir;
};

// Command line -> the script that runs; decoys would run if the path were cut
// at the wrong place.
struct PathCase {
  const char *name;
  std::string command_line;
  std::string opens; // the script path handed to the interpreter, in UTF-8
  std::string file;  // the script file that should be read
  std::vector<std::string> decoys;
};
void PrintTo(const PathCase &c, std::ostream *os) { *os << c.name; }

class ScriptPath : public Scratch, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ScriptPath, RunsTheScriptNamedByArgumentZero) {
  const PathCase &c = GetParam();
  script(c.file);
  for (const auto &decoy : c.decoys)
    script(decoy);

  Outcome o = launch(c.command_line);
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

// Folders named outside the ANSI code page: the path reaches the launcher in
// UTF-16 and the interpreter in UTF-8.
INSTANTIATE_TEST_SUITE_P(
    Unicode, ScriptPath,
    ::testing::Values(PathCase{"latin", "\"@\\Zürich\\report.exe\"", "@\\Zürich\\report.py", "Zürich/report.py", {}},
                      PathCase{"cjk", "\"@\\報告\\report.exe\"", "@\\報告\\report.py", "報告/report.py", {}},
                      PathCase{"outside_the_basic_plane", "\"@\\😀\\report.exe\"", "@\\😀\\report.py", "😀/report.py", {}},
                      PathCase{"upper_case_suffix", "報告\\REPORT.EXE", "報告\\REPORT.py", "報告/REPORT.py", {}},
                      PathCase{"suffix_in_directory_cuts_there",
                               "工具.exe.d\\report.exe",
                               "工具.py",
                               "工具.py",
                               {"工具.exe.d/report.py"}}),
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
    ::testing::Values(
        EndCase{"empty_script", "", 0, "", true, ""},
        // Opened in text mode: the stream hands the interpreter plain line ends.
        EndCase{"crlf_read_as_text", "first\r\nsecond\r\n", 0, "[script] first\n[script] second\n", true, ""},
        EndCase{"unhandled_exception", "before\nraise\n", 1, "[script] before\n[script] raise\n", true,
                "Traceback (most recent call last):\nRuntimeError: raised by the script\n"},
        // Ctrl-C: finalised, then the status the interpreter's own program
        // ends with, STATUS_CONTROL_C_EXIT.
        EndCase{"keyboard_interrupt", "interrupt\n", 0xC000013Aul, "[script] interrupt\n", true,
                "Traceback (most recent call last):\nKeyboardInterrupt\n"},
        // From 3.14 the command line takes a subclass for an interrupt too.
        EndCase{"keyboard_interrupt_subclass", "interrupt subclass\n", config_api ? 0xC000013Aul : 1,
                "[script] interrupt subclass\n", true, "Traceback (most recent call last):\n__main__.Stop\n"},
        EndCase{"script_ends_the_process", "exit 7\n", 7, "[script] exit 7\n", false, ""},
        EndCase{"output_lost_at_finalisation", "lose output\n", 120, "[script] lose output\n", true, ""}),
    [](const auto &info) { return std::string(info.param.name); });

class NotAnExecutable : public Scratch, public ::testing::WithParamInterface<const char *> {};

TEST_P(NotAnExecutable, SaysSoAndRunsNothing) {
  for (const char *decoy : {"report.py", "apps/report.py", "報告/report.py"})
    script(decoy);
  Outcome o = launch(GetParam());
  EXPECT_EQ(o.out, not_executable);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 1u);
}

INSTANTIATE_TEST_SUITE_P(Refused, NotAnExecutable,
                         ::testing::Values("report.Exe", "apps\\report.eXe", "report", "report report.exe",
                                           "報告\\report.Exe"));

// Command line -> the script path named, then the runtime's text for the
// failed open; on a shared pipe both read as one line, path first.
struct UnopenableCase {
  const char *name;
  std::string command_line;
  std::string path; // UTF-8
  std::string error;
};
void PrintTo(const UnopenableCase &c, std::ostream *os) { *os << c.name; }

class CannotOpen : public Scratch, public ::testing::WithParamInterface<UnopenableCase> {};

TEST_P(CannotOpen, NamesThePathThenTheRuntimesErrorText) {
  const UnopenableCase &c = GetParam();
  fs::create_directories(dir / "folder.py");
  fs::create_directories(dir / fs::u8path("報告"));

  Outcome apart = launch(c.command_line);
  EXPECT_EQ(apart.out, "Cannot open " + expand(c.path));
  EXPECT_EQ(apart.err, text_mode(c.error + "\n"));
  EXPECT_EQ(apart.status, 1u);

  Outcome shared = launch(c.command_line, Streams::shared);
  EXPECT_EQ(shared.out, text_mode("Cannot open " + expand(c.path) + c.error + "\n"));
  EXPECT_EQ(shared.status, 1u);
}

INSTANTIATE_TEST_SUITE_P(Failures, CannotOpen,
                         ::testing::Values(UnopenableCase{"missing", "missing.exe", "missing.py",
                                                          "No such file or directory"},
                                           UnopenableCase{"missing_folder", "nowhere\\report.exe", "nowhere\\report.py",
                                                          "No such file or directory"},
                                           // The runtime refuses to open a directory as a file.
                                           UnopenableCase{"directory", "folder.exe", "folder.py", "Permission denied"},
                                           UnopenableCase{"missing_in_cjk_folder", "\"@\\報告\\report.exe\"",
                                                          "@\\報告\\report.py", "No such file or directory"},
                                           UnopenableCase{"missing_in_latin_folder", "Zürich\\report.exe",
                                                          "Zürich\\report.py", "No such file or directory"},
                                           UnopenableCase{"missing_outside_the_basic_plane", "😀\\report.EXE",
                                                          "😀\\report.py", "No such file or directory"}),
                         [](const auto &info) { return std::string(info.param.name); });

// The configuration API reports why the interpreter did not start; the
// launcher passes that on and ends with status 1, or with the exit status the
// configuration asks for.
struct InitFailureCase {
  const char *name;
  const wchar_t *failure;
  unsigned long status;
  std::string err;
};
void PrintTo(const InitFailureCase &c, std::ostream *os) { *os << c.name; }

class InitialisationFails : public Scratch, public ::testing::WithParamInterface<InitFailureCase> {};

TEST_P(InitialisationFails, ReportsTheInterpretersErrorAndRunsNothing) {
  if (!config_api)
    GTEST_SKIP() << "before 3.14 the interpreter reports a failed start and ends the process itself";
  const InitFailureCase &c = GetParam();
  script("report.py");
  SetEnvironmentVariableW(L"DOUBLE_INIT_FAILS", c.failure);
  Outcome o = launch("report.exe");
  EXPECT_EQ(o.out, text_mode(initialised()));
  EXPECT_EQ(o.err, text_mode(c.err));
  EXPECT_EQ(o.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(Initialisation, InitialisationFails,
                         ::testing::Values(
                             InitFailureCase{
                                 "error", L"failed to get the Python codec of the filesystem encoding", 1,
                                 "Fatal Python error: failed to get the Python codec of the filesystem encoding\n"},
                             InitFailureCase{"exit_code", L"exit 3", 3, ""}),
                         [](const auto &info) { return std::string(info.param.name); });

// The interpreter DLL is bound when the program loads: without it, no code of
// the launcher runs at all.
TEST_F(Scratch, DoesNotStartWithoutTheInterpreterDll) {
  script("report.py");
  fs::copy_file(own_folder() / launcher_name, dir / "report.exe");
  Outcome o = launch("report.exe", Streams::shared, dir / "report.exe");
  EXPECT_EQ(o.status, 0xC0000135ul); // STATUS_DLL_NOT_FOUND
  EXPECT_EQ(o.out.find("[double]"), std::string::npos);
}

// sys.executable and sys._base_executable name the interpreter's own program
// beside the DLL the loader bound (python.exe, or python3.15t.exe beside
// python315t.dll), found from the loaded DLL, not from PATH; where that
// folder has no such program, they stay as the interpreter set them (the host
// program). The launcher stands in a folder of its own, the DLL and the
// programs in another, found through PATH.
const std::string own_program = setting("LAUNCHER_PROGRAM");
const std::string other_program = own_program == "python.exe" ? "python3.99t.exe" : "python.exe";

struct ProgramCase {
  const char *name;
  std::string dll_folder;
  std::vector<std::string> files;   // beside the DLL; "@" stands for this release's program
  std::vector<std::string> folders; // likewise, as folders
  bool named;                       // sys.executable is this release's program beside the DLL
};
void PrintTo(const ProgramCase &c, std::ostream *os) { *os << c.name; }

class InterpreterProgram : public Scratch, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(InterpreterProgram, IsTheOneBesideTheDll) {
  const ProgramCase &c = GetParam();
  ASSERT_FALSE(own_program.empty()) << "LAUNCHER_PROGRAM names no program";
  fs::path dll_folder = dir / fs::u8path(c.dll_folder);
  fs::create_directories(dll_folder);
  fs::path dll = own_folder() / fs::u8path(setting("LAUNCHER_DLL"));
  fs::copy_file(dll, dll_folder / dll.filename());
  auto named = [&](const std::string &name) { return dll_folder / fs::u8path(name == "@" ? own_program : name); };
  for (const auto &file : c.files)
    std::ofstream(named(file)) << "not run by the tests\n";
  for (const auto &folder : c.folders)
    fs::create_directories(named(folder));
  fs::path exe = install("app");

  std::wstring path = dll_folder.wstring() + L";C:\\windows\\system32;C:\\windows";
  wchar_t saved[32768];
  DWORD saved_length = GetEnvironmentVariableW(L"PATH", saved, 32768);
  SetEnvironmentVariableW(L"PATH", path.c_str());
  Outcome o = launch("app\\report.exe", Streams::apart, exe);
  SetEnvironmentVariableW(L"PATH", saved_length ? saved : nullptr);

  std::string executable = c.named ? named("@").u8string() : exe.u8string();
  EXPECT_EQ(o.out, ran("app\\report.py", "[script] print executable\n[double] sys.executable=" + executable +
                                             " sys._base_executable=" + executable + "\n"));
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    BesideTheDll, InterpreterProgram,
    ::testing::Values(ProgramCase{"beside_the_dll", "python", {"@"}, {}, true},
                      ProgramCase{"none_beside_the_dll", "python", {}, {}, false},
                      // python.exe beside python315t.dll is the other build's program.
                      ProgramCase{"only_the_other_builds_program", "python", {other_program}, {}, false},
                      ProgramCase{"a_folder_of_that_name", "python", {}, {"@"}, false},
                      ProgramCase{"dll_folder_named_in_cjk", "報告\\Python", {"@"}, {}, true},
                      ProgramCase{"dll_folder_named_in_latin", "Jürgen\\Python", {"@", other_program}, {}, true}),
    [](const auto &info) { return std::string(info.param.name); });

// A release whose DLL does not export the private functions that mark the
// running main program runs the script all the same, unmarked.
TEST_F(Scratch, RunsUnmarkedWithoutThePrivateFunctions) {
  if (!config_api)
    GTEST_SKIP() << "before 3.14 the launcher does not mark the running main program";
  fs::path exe = install("app");
  fs::path dll = own_folder() / "without-running-main" / fs::u8path(setting("LAUNCHER_DLL"));
  fs::copy_file(dll, exe.parent_path() / dll.filename());
  Outcome o = launch("app\\report.exe", Streams::apart, exe);
  EXPECT_EQ(o.out, ran("app\\report.py",
                       "[script] print executable\n[double] sys.executable=" + exe.u8string() +
                           " sys._base_executable=" + exe.u8string() + "\n",
                       true, false));
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0u);
}

// A windowed launcher started with no standard handles, as from Explorer or a
// shortcut, shows its own messages in a message box, the path in full
// Unicode. A stand-in for USER32.dll's MessageBoxW, loaded in its place
// through Wine's DLL overrides for that program, records what it was asked to
// show.
struct MessageBoxCase {
  const char *name;
  std::string command_line;
  std::string shown;
};
void PrintTo(const MessageBoxCase &c, std::ostream *os) { *os << c.name; }

class MessageBoxShown : public Scratch, public ::testing::WithParamInterface<MessageBoxCase> {};

TEST_P(MessageBoxShown, ShowsTheMessageWhereNoStreamIsAttached) {
  if (!windowed)
    GTEST_SKIP() << "a console launcher writes its messages to its standard streams";
  const MessageBoxCase &c = GetParam();
  fs::path exe = install("app");
  fs::remove(exe.parent_path() / "report.py");
  fs::create_directories(dir / fs::u8path("報告"));
  for (const fs::path &dll :
       {own_folder() / fs::u8path(setting("LAUNCHER_DLL")), own_folder() / "message-box" / "user32.dll"})
    fs::copy_file(dll, exe.parent_path() / dll.filename());
  fs::path record = dir / "message-box.txt";

  // Wine's override for this program alone (report.exe), in the prefix's
  // registry: the environment's would reach Wine's own processes too.
  const wchar_t *program_key = L"Software\\Wine\\AppDefaults\\report.exe";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(program_key) + L"\\DllOverrides").c_str(), L"user32",
                            REG_SZ, L"native", sizeof L"native"),
            ERROR_SUCCESS);
  SetEnvironmentVariableW(L"MESSAGE_BOX_RECORD", record.wstring().c_str());
  Outcome o = launch(c.command_line, Streams::none, exe);
  SetEnvironmentVariableW(L"MESSAGE_BOX_RECORD", nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, program_key);

  std::ifstream file(record, std::ios::binary);
  std::string shown((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(shown, "flags 0x10\n" + c.shown + "\n"); // MB_OK | MB_ICONERROR
  EXPECT_EQ(o.status, 1u);
}

INSTANTIATE_TEST_SUITE_P(NoStreams, MessageBoxShown,
                         ::testing::Values(MessageBoxCase{"not_an_executable", "app\\report",
                                                          "Error: This script is not a windows executable"},
                                           MessageBoxCase{"cannot_open", "app\\report.exe",
                                                          "Cannot open app\\report.py\nNo such file or directory"},
                                           MessageBoxCase{"cannot_open_in_cjk_folder", "報告\\report.exe",
                                                          "Cannot open 報告\\report.py\nNo such file or directory"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
