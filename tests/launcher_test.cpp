// Drives the built launcher as a process, with argument 0 chosen freely, from
// a scratch folder holding the scripts it should (and should not) find.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "process.h"

namespace fs = std::filesystem;

namespace {

const std::string not_executable = "Error: This script is not a windows executable\n";

class Scratch : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::current_path() / "scratch-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << strerror(errno);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  void write(const std::string &relative, const std::string &text) {
    fs::path path = dir / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }

  // A script that says which one it is.
  void script(const std::string &relative) { write(relative, "print('" + relative + "')\n"); }

  Outcome launch(std::vector<std::string> argv, Launch options = {}) {
    options.program = LAUNCHER;
    options.argv = std::move(argv);
    options.cwd = dir.string();
    return run(options);
  }

  // The same run of apps/report.py by the interpreter's own command line,
  // started by its real path, which the launcher names as sys.executable.
  Outcome python3(Launch options) {
    options.program = PYTHON_PROGRAM;
    options.argv = {PYTHON_PROGRAM, "-S", "apps/report.py"};
    options.cwd = dir.string();
    return run(options);
  }

  fs::path dir;
};

// Argument 0 -> the script that runs. Every listed decoy is a script that
// would run if the path were cut at the wrong place.
struct PathCase {
  const char *name;
  std::string argv0; // "@" stands for the scratch folder's absolute path
  std::string runs;
  std::vector<std::string> decoys;
};
void PrintTo(const PathCase &c, std::ostream *os) { *os << c.name; }

class ScriptPath : public Scratch, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ScriptPath, RunsTheScriptNamedByArgumentZero) {
  const PathCase &c = GetParam();
  script(c.runs);
  for (const auto &decoy : c.decoys)
    script(decoy);
  std::string argv0 = c.argv0;
  if (argv0[0] == '@')
    argv0.replace(0, 1, dir.string());

  Outcome o = launch({argv0});
  EXPECT_EQ(o.out, c.runs + "\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, ScriptPath,
    ::testing::Values(
        PathCase{"absolute", "@/apps/report.exe", "apps/report.py", {"report.py"}},
        PathCase{"upper_case_keeps_stem", "apps/REPORT.EXE", "apps/REPORT.py", {"apps/report.py"}},
        PathCase{"relative_to_working_directory", "report.exe", "report.py", {}},
        PathCase{"suffix_in_directory_cuts_there", "tools.exe.d/report.exe", "tools.py", {"tools.exe.d/report.py"}},
        PathCase{"upper_directory_lower_file", "OLD.EXE/report.exe", "OLD.EXE/report.py", {"OLD.py"}},
        PathCase{"trailing_text_dropped", "apps/report.exe.old", "apps/report.py", {}},
        PathCase{"lower_wins_over_earlier_upper", "apps/REPORT.EXE.exe", "apps/REPORT.EXE.py", {"apps/REPORT.py"}},
        PathCase{"first_lower_wins", "a.exe/b.exe", "a.py", {"a.exe/b.py"}}),
    [](const auto &info) { return std::string(info.param.name); });

// How a user makes a launcher for report.py: a link or copy named report.exe.
TEST_F(Scratch, RunsWhenCopiedOrLinkedUnderTheScriptsName) {
  script("report.py");
  fs::copy_file(LAUNCHER, dir / "copy.exe");
  fs::create_symlink(LAUNCHER, dir / "symlink.exe");
  fs::create_hard_link(dir / "copy.exe", dir / "hardlink.exe");
  for (const char *name : {"copy", "symlink", "hardlink"}) {
    script(std::string(name) + ".py");
    Launch options;
    options.program = (dir / (std::string(name) + ".exe")).string();
    options.argv = {options.program};
    Outcome o = run(options);
    EXPECT_EQ(o.out, std::string(name) + ".py\n") << name;
    EXPECT_EQ(o.status, 0) << name;
  }
}

struct RefusedCase {
  const char *name;
  std::vector<std::string> argv;
};
void PrintTo(const RefusedCase &c, std::ostream *os) { *os << c.name; }

class NotAnExecutable : public Scratch, public ::testing::WithParamInterface<std::tuple<RefusedCase, Streams>> {};

TEST_P(NotAnExecutable, SaysSoAndRunsNothing) {
  const auto &[c, streams] = GetParam();
  for (const char *decoy : {"report.py", "apps/report.py", "report.Exe.py"})
    script(decoy);

  Launch options;
  options.streams = streams;
  Outcome o = launch(c.argv, options);
  EXPECT_EQ(o.out, not_executable);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, NotAnExecutable,
    ::testing::Combine(::testing::Values(RefusedCase{"no_suffix", {"report"}},
                                         RefusedCase{"mixed_case", {"apps/report.Exe"}},
                                         RefusedCase{"other_mixed_case", {"report.eXe"}},
                                         RefusedCase{"script_suffix", {"report.py"}},
                                         RefusedCase{"short_suffix", {"report.ex"}}, RefusedCase{"empty_path", {""}},
                                         RefusedCase{"suffix_only_in_later_argument", {"report", "report.exe"}},
                                         RefusedCase{"no_argument_vector", {}}),
                       ::testing::Values(Streams::apart, Streams::shared)),
    [](const auto &info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == Streams::apart ? "_apart" : "_shared");
    });

struct UnopenableCase {
  const char *name;
  std::string argv0;
  std::string script_path;
  int error;
};
void PrintTo(const UnopenableCase &c, std::ostream *os) { *os << c.name; }

class CannotOpen : public Scratch, public ::testing::WithParamInterface<UnopenableCase> {
protected:
  void SetUp() override {
    Scratch::SetUp();
    write("plain.txt", "not a folder");
    fs::create_symlink("loop.py", dir / "loop.py");
    fs::create_directories(dir / "folder.py");
  }
  std::string error_text() const { return std::string(strerror(GetParam().error)) + "\n"; }
};

TEST_P(CannotOpen, NamesThePathThenTheOpensError) {
  const UnopenableCase &c = GetParam();
  Outcome o = launch({c.argv0, "ignored"});
  EXPECT_EQ(o.out, "Cannot open " + c.script_path);
  EXPECT_EQ(o.err, error_text());
  EXPECT_EQ(o.status, 1);
}

TEST_P(CannotOpen, ReadsAsOneLinePathFirstOnASharedPipe) {
  const UnopenableCase &c = GetParam();
  Launch options;
  options.streams = Streams::shared;
  Outcome o = launch({c.argv0}, options);
  EXPECT_EQ(o.out, "Cannot open " + c.script_path + error_text());
  EXPECT_EQ(o.status, 1);
}

// A failed write of the path must not put its own error in place of the open's.
TEST_P(CannotOpen, ReportsTheOpensErrorWhenStandardOutputFails) {
  for (StdoutTarget target : {StdoutTarget::dev_full, StdoutTarget::closed}) {
    Launch options;
    options.stdout_target = target;
    Outcome o = launch({GetParam().argv0}, options);
    EXPECT_EQ(o.err, error_text()) << "stdout target " << static_cast<int>(target);
    EXPECT_EQ(o.status, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CannotOpen,
    ::testing::Values(UnopenableCase{"missing", "missing.exe", "missing.py", ENOENT},
                      UnopenableCase{"missing_folder", "nowhere/report.exe", "nowhere/report.py", ENOENT},
                      UnopenableCase{"through_a_file", "plain.txt/report.exe", "plain.txt/report.py", ENOTDIR},
                      UnopenableCase{"symlink_loop", "loop.EXE", "loop.py", ELOOP},
                      // Opens, but reading it fails: the interpreter would run it as an empty script.
                      UnopenableCase{"directory", "folder.exe", "folder.py", EISDIR},
                      UnopenableCase{"name_too_long", std::string(300, 'n') + ".exe", std::string(300, 'n') + ".py",
                                     ENAMETOOLONG}),
    [](const auto &info) { return std::string(info.param.name); });

// What a script sees and how its end becomes the exit status.
struct RunCase {
  const char *name;
  std::string script; // written to apps/report.py, started as apps/report.exe
  int status;
  std::string out;     // exactly
  std::string err_has; // a fragment of standard error; empty: nothing at all
  std::vector<std::string> extra_args = {};
  std::vector<std::string> env = {};
  StdoutTarget stdout_target = StdoutTarget::pipe;
};
void PrintTo(const RunCase &c, std::ostream *os) { *os << c.name; }

class Run : public Scratch, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Run, EndsWithTheInterpretersStatus) {
  const RunCase &c = GetParam();
  write("apps/report.py", c.script);
  write("apps/helper.py", "print('helper imported')\n");
  std::vector<std::string> argv = {"apps/report.exe"};
  argv.insert(argv.end(), c.extra_args.begin(), c.extra_args.end());
  Launch options;
  options.env = c.env;
  options.stdout_target = c.stdout_target;

  Outcome o = launch(argv, options);
  EXPECT_EQ(o.out, c.out);
  if (c.err_has.empty())
    EXPECT_EQ(o.err, "");
  else
    EXPECT_NE(o.err.find(c.err_has), std::string::npos) << o.err;
  EXPECT_EQ(o.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Run,
    ::testing::Values(
        RunCase{"empty_script", "", 0, "", ""}, RunCase{"runs_to_its_end", "print('done')\n", 0, "done\n", ""},
        RunCase{"unhandled_exception", "print('before')\nraise ValueError('boom')\n", 1, "before\n",
                "File \"apps/report.py\", line 2, in <module>\n    raise ValueError('boom')\nValueError: boom\n"},
        RunCase{"syntax_error", "print('never')\ndef (:\n", 1, "", "SyntaxError"},
        RunCase{"sys_exit_status", "import sys\nsys.exit(7)\n", 7, "", ""},
        RunCase{"system_exit_status", "raise SystemExit(3)\n", 3, "", ""},
        RunCase{"sys_exit_message", "import sys\nsys.exit('bye')\n", 1, "", "bye\n"},
        RunCase{"os_exit", "import os\nprint('flushed', flush=True)\nos._exit(5)\n", 5, "flushed\n", ""},
        RunCase{"main_module_and_file", "print(__name__, __file__)\n", 0, "__main__ apps/report.py\n", ""},
        RunCase{"arguments_not_passed", "import sys\nprint(sys.argv)\n", 0, "['']\n", "", {"--flag", "value"}},
        RunCase{"no_site",
                "import sys, builtins\n"
                "print('site' in sys.modules, sys.flags.no_site, hasattr(builtins, 'exit'),\n"
                "      [p for p in sys.path if 'packages' in p])\n",
                0, "False 1 False []\n", ""},
        RunCase{"script_folder_not_on_path", "import helper\n", 1, "", "ModuleNotFoundError: No module named 'helper'"},
        RunCase{"utf8_in_c_locale", "print('\\u00e9t\\u00e9')\n", 0, "\xc3\xa9t\xc3\xa9\n", "", {}, {"LC_ALL=C"}},
        RunCase{
            "initialisation_fails", "print('never')\n", 1, "", "Fatal Python error", {}, {"PYTHONHOME=/nonexistent"}},
        RunCase{"output_lost_on_full_disk",
                "print('lost')\n",
                120,
                "",
                "No space left on device",
                {},
                {},
                StdoutTarget::dev_full}),
    [](const auto &info) { return std::string(info.param.name); });

// How a run ends on Ctrl-C, the way the interpreter's own command line ends
// it: by SIGINT only for KeyboardInterrupt itself, so that a calling shell or
// make stops too. Each case is also run by `python3 -S`, which must agree.
struct InterruptCase {
  const char *name;
  std::string script; // prints "ready" when it waits for Ctrl-C
  bool press_ctrl_c;
  int signal; // SIGINT, or 0 for an exit with `status`
  int status;
  std::string out;
  std::string err_has; // a fragment of standard error; empty: nothing at all
};
void PrintTo(const InterruptCase &c, std::ostream *os) { *os << c.name; }

class Interrupt : public Scratch, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(Interrupt, EndsAsTheInterpretersCommandLineDoes) {
  const InterruptCase &c = GetParam();
  write("apps/report.py", c.script);
  Launch options;
  if (c.press_ctrl_c)
    options.interrupt_when = "ready\n";

  Outcome o = launch({"apps/report.exe"}, options);
  EXPECT_EQ(o.signal, c.signal);
  if (!c.signal) {
    EXPECT_EQ(o.status, c.status);
  }
  EXPECT_EQ(o.out, c.out);
  if (c.err_has.empty())
    EXPECT_EQ(o.err, "");
  else
    EXPECT_NE(o.err.find(c.err_has), std::string::npos) << o.err;

  Outcome reference = python3(options);
  EXPECT_EQ(reference.signal, o.signal) << "python3 -S differs";
  EXPECT_EQ(reference.status, o.status) << "python3 -S differs";
}

INSTANTIATE_TEST_SUITE_P(
    CtrlC, Interrupt,
    ::testing::Values(
        InterruptCase{"ctrl_c_while_waiting", "import time\nprint('ready', flush=True)\ntime.sleep(60)\n", true, SIGINT,
                      0, "ready\n", "KeyboardInterrupt"},
        InterruptCase{"raises_keyboard_interrupt", "print('before')\nraise KeyboardInterrupt\n", false, SIGINT, 0,
                      "before\n", "KeyboardInterrupt"},
        // The interpreter is finalised before the signal: exit handlers run, output is flushed.
        InterruptCase{"ctrl_c_finalises_first",
                      "import atexit, time\natexit.register(print, 'finalised')\nprint('ready', flush=True)\n"
                      "time.sleep(60)\n",
                      true, SIGINT, 0, "ready\nfinalised\n", "KeyboardInterrupt"},
        // From 3.14 the command line takes a subclass for an interrupt too.
        InterruptCase{"subclass", "class Stop(KeyboardInterrupt):\n    pass\nraise Stop\n", false,
                      PYTHON_MINOR_NUMBER >= 14 ? SIGINT : 0, PYTHON_MINOR_NUMBER >= 14 ? 0 : 1, "", "Stop"},
        InterruptCase{"turned_into_another_exception",
                      "try:\n    raise KeyboardInterrupt\nexcept KeyboardInterrupt:\n    raise ValueError('after')\n",
                      false, 0, 1, "", "ValueError: after"},
        InterruptCase{"caught_and_ended_normally",
                      "import time\ntry:\n    print('ready', flush=True)\n    time.sleep(60)\n"
                      "except KeyboardInterrupt:\n    print('caught')\n",
                      true, 0, 0, "ready\ncaught\n", ""},
        InterruptCase{"caught_then_sys_exit",
                      "try:\n    raise KeyboardInterrupt\nexcept KeyboardInterrupt:\n"
                      "    raise SystemExit(4)\n",
                      false, 0, 4, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// The script's own stream stays out of the script's way: it never takes the
// place of a closed standard stream, and programs the script starts do not
// inherit it.
struct StreamCase {
  const char *name;
  std::string script;
  std::string out;
  std::string err;
  bool close_stdin = false;
  StdoutTarget stdout_target = StdoutTarget::pipe;
  bool close_stderr = false;
};
void PrintTo(const StreamCase &c, std::ostream *os) { *os << c.name; }

class ScriptStream : public Scratch, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ScriptStream, SeesTheStandardStreamsAsPython3Does) {
  const StreamCase &c = GetParam();
  write("apps/report.py", c.script);
  Launch options;
  options.close_stdin = c.close_stdin;
  options.stdout_target = c.stdout_target;
  options.close_stderr = c.close_stderr;

  Outcome o = launch({"apps/report.exe"}, options);
  EXPECT_EQ(o.out, c.out);
  EXPECT_EQ(o.err, c.err);
  EXPECT_EQ(o.status, 0);

  Outcome reference = python3(options);
  EXPECT_EQ(reference.out, o.out) << "python3 -S differs";
  EXPECT_EQ(reference.err, o.err) << "python3 -S differs";
  EXPECT_EQ(reference.status, o.status) << "python3 -S differs";
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ScriptStream,
    ::testing::Values(
        StreamCase{"stdin_closed", "import sys\nprint(sys.stdin)\n", "None\n", "", true},
        StreamCase{"stdout_closed", "import sys\nprint('lost')\nsys.stderr.write(repr(sys.stdout) + '\\n')\n", "",
                   "None\n", false, StdoutTarget::closed},
        StreamCase{"stderr_closed", "import sys\nprint(sys.stderr)\n", "None\n", "", false, StdoutTarget::pipe, true},
        StreamCase{"all_open", "import sys\nprint(sys.stdin.read() == '', sys.stdout.fileno(), sys.stderr.fileno())\n",
                   "True 1 2\n", ""},
        // The listing of a child's open descriptors names the script if the
        // child inherited it.
        StreamCase{"child_does_not_inherit_the_script",
                   "import os, sys\nsys.stdout.flush()\n"
                   "os.system('ls -l /proc/self/fd/ | grep -c report.py')\n",
                   "0\n", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Extension modules resolve the interpreter's symbols in the program that
// loads them; a launcher linked without exporting them fails exactly here.
// Each comes from lib-dynload, unless the interpreter was built with it inside
// (BUILTIN_MODULES, read from the interpreter when the build was configured).
struct ModuleCase {
  const char *name;
  std::string code; // prints one line
  std::string prints;
};

std::string expected_origin(const std::string &module) {
  return std::string(" " BUILTIN_MODULES " ").find(" " + module + " ") != std::string::npos ? "built-in"
                                                                                            : "lib-dynload";
}
void PrintTo(const ModuleCase &c, std::ostream *os) { *os << c.name; }

class ExtensionModule : public Scratch, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(ExtensionModule, ImportsAndWorks) {
  const ModuleCase &c = GetParam();
  write("report.py", "import os, sys\n" + c.code +
                         "\n"
                         "module = sys.modules['" +
                         c.name +
                         "']\n"
                         "print(os.path.basename(os.path.dirname(module.__file__)) if hasattr(module, '__file__')"
                         " else 'built-in')\n");
  Outcome o = launch({"report.exe"});
  EXPECT_EQ(o.out, c.prints + "\n" + expected_origin(c.name) + "\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ExtensionModule,
    ::testing::Values(
        ModuleCase{"_ctypes", "import ctypes\nprint(ctypes.CDLL(None).strlen(b'four'))", "4"},
        ModuleCase{"_decimal", "import _decimal\nprint(_decimal.Decimal('1.10') + _decimal.Decimal('2.20'))", "3.30"},
        ModuleCase{"_json", "import _json\nprint(_json.encode_basestring_ascii('\\u00e9'))", "\"\\u00e9\""},
        ModuleCase{"_hashlib", "import _hashlib\nprint(_hashlib.new('sha256', b'abc').hexdigest()[:16])",
                   "ba7816bf8f01cfea"},
        ModuleCase{"_sqlite3",
                   "import sqlite3\nprint(sqlite3.connect(':memory:').execute('select 6 * 7').fetchone()[0])", "42"},
        ModuleCase{"_testcapi", "import _testcapi\nprint(_testcapi.INT_MAX == 2**31 - 1)", "True"},
        ModuleCase{"zlib", "import zlib\nprint(zlib.decompress(zlib.compress(b'abc' * 100)) == b'abc' * 100)", "True"},
        ModuleCase{"pyexpat",
                   "import pyexpat\nseen = []\np = pyexpat.ParserCreate()\n"
                   "p.StartElementHandler = lambda name, attributes: seen.append(name)\n"
                   "p.Parse('<a><b/></a>', True)\nprint(seen)",
                   "['a', 'b']"}),
    [](const auto &info) { return std::string(info.param.name); });

// The hosted interpreter is the one the launcher was built for, whatever PATH
// holds: its version, its standard library, its program as sys.executable,
// which child interpreters (subprocess, multiprocessing) then run. Each PATH
// is compared with the interpreter's own run of the same script under a sane
// one.
struct HostilePath {
  const char *name;
  std::string path; // "@" stands for the scratch folder; empty: PATH unset
};
void PrintTo(const HostilePath &c, std::ostream *os) { *os << c.name; }

class Identity : public Scratch, public ::testing::WithParamInterface<HostilePath> {
protected:
  void SetUp() override {
    Scratch::SetUp();
    // A `python3` that is no interpreter at all.
    write("fake/bin/python3", "#!/bin/sh\necho WRONG\nexit 3\n");
    // One with an installation whose standard library cannot be imported.
    write("prefix/bin/python3", "#!/bin/sh\necho WRONG\nexit 3\n");
    write("prefix/lib/python3." PYTHON_MINOR "/os.py", "raise ImportError('the os module of the wrong prefix')\n");
    for (const char *program : {"fake/bin/python3", "prefix/bin/python3"})
      fs::permissions(dir / program, fs::perms::owner_all);
    // Another interpreter of this machine, as pyenv or a virtual environment
    // puts it first on PATH.
    if (*OTHER_PYTHON) {
      fs::create_directories(dir / "other/bin");
      fs::create_symlink(OTHER_PYTHON, dir / "other/bin/python3");
    }
  }
};

const char *const identity_script = R"(import os, subprocess, sys
import multiprocessing as mp

def square(n):
    return n * n

if __name__ == '__main__':
    print(sys.version)
    print(os.path.dirname(os.__file__))
    print(sys.executable, sys._base_executable)
    child = subprocess.run([sys.executable, '-S', '-c', 'import sys; print(sys.version)'],
                           capture_output=True, text=True, timeout=60)
    print(child.stdout, child.returncode, sep='', end='\n')
    for method in ('spawn', 'forkserver'):
        if method in mp.get_all_start_methods():
            with mp.get_context(method).Pool(2) as pool:
                print(method, pool.map_async(square, range(4)).get(timeout=60))
)";

TEST_P(Identity, IsTheBuildsInterpreter) {
  const HostilePath &c = GetParam();
  if (c.path.find("@/other") != std::string::npos && !*OTHER_PYTHON)
    GTEST_SKIP() << "this machine has no interpreter other than " PYTHON_PROGRAM;
  write("apps/report.py", identity_script);
  Launch options;
  options.timeout_seconds = 180;
  Outcome reference = python3(options);
  ASSERT_EQ(reference.status, 0) << reference.err;

  std::string path = c.path;
  if (auto at = path.find('@'); at != std::string::npos)
    path.replace(at, 1, dir.string());
  options.env = {path.empty() ? "PATH" : "PATH=" + path};
  Outcome o = launch({"apps/report.exe"}, options);
  EXPECT_FALSE(o.timed_out);
  EXPECT_EQ(o.out, reference.out);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("\n" PYTHON_PROGRAM " " PYTHON_PROGRAM "\n"), std::string::npos) << o.out;
}

INSTANTIATE_TEST_SUITE_P(PathDoesNotChoose, Identity,
                         ::testing::Values(HostilePath{"fake_python3_first", "@/fake/bin:/usr/bin:/bin"},
                                           HostilePath{"other_prefix_first", "@/prefix/bin:/usr/bin:/bin"},
                                           HostilePath{"other_interpreter_first", "@/other/bin:/usr/bin:/bin"},
                                           HostilePath{"path_unset", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

// PYTHONHOME still chooses the installation, as it does for python3: here a
// copy of the build's own, made of links, with one module more.
TEST_F(Scratch, PythonHomeIsHonoured) {
  write("apps/report.py", "import os, sys\nprint(os.path.dirname(os.__file__))\nimport marker\n");
  Launch where;
  where.program = PYTHON_PROGRAM;
  where.argv = {PYTHON_PROGRAM, "-S", "-c", "import os; print(os.path.dirname(os.__file__), end='')"};
  Outcome stdlib = run(where);
  ASSERT_EQ(stdlib.status, 0) << stdlib.err;

  fs::path home = dir / "home", library = home / "lib" / ("python3." PYTHON_MINOR);
  fs::create_directories(library);
  for (const auto &entry : fs::directory_iterator(stdlib.out))
    fs::create_symlink(entry.path(), library / entry.path().filename());
  write("home/lib/python3." PYTHON_MINOR "/marker.py", "print('marker of the chosen home')\n");

  Launch options;
  options.env = {"PYTHONHOME=" + home.string()};
  Outcome o = launch({"apps/report.exe"}, options);
  EXPECT_EQ(o.out, library.string() + "\nmarker of the chosen home\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

#if PYTHON_MINOR_NUMBER >= 14
// From 3.14 a debugger attaches to the thread that runs __main__
// (sys.remote_exec, pdb -p): the launcher marks it as the command line does.
TEST_F(Scratch, RemoteExecRunsInTheScript) {
  write("apps/report.py", R"(import os, sys, tempfile, time
with tempfile.TemporaryDirectory() as folder:
    marker = os.path.join(folder, 'ran')
    attached = os.path.join(folder, 'attached.py')
    with open(attached, 'w') as f:
        f.write(f'open({marker!r}, "w").close()\n')
    sys.remote_exec(os.getpid(), attached)
    for _ in range(1000):
        if os.path.exists(marker):
            break
        time.sleep(0.01)
    print('attached' if os.path.exists(marker) else 'not attached')
)");
  Launch options;
  options.timeout_seconds = 60;
  Outcome o = launch({"apps/report.exe"}, options);
  EXPECT_EQ(o.out, "attached\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}
#endif

} // namespace
