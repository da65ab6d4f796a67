"""Runs one of CPython's regression test modules inside the launcher and
expects it to pass as it does under the interpreter's own command line: a
test that fails inside the launcher counts only if `python3 -m test` passes
it. (A machine's own site-packages can break a test for the interpreter
itself; that is not the launcher's.)

    python3 -S compare_cpython_tests.py LAUNCHER_COPY MODULE PATH
"""
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree


def failures(xml_path):
    """The failed or erroneous test cases of a regrtest JUnit report."""
    failed = set()
    for case in ElementTree.parse(xml_path).iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            failed.add(".".join(filter(None, (case.get("classname"), case.get("name")))))
    return failed


def run(argv, module, xml_path, path):
    # A clean environment: what would steer the interpreter is left out.
    env = {"PATH": path, "HOME": os.path.dirname(xml_path), "LANG": "C.UTF-8", "REGRTEST_TESTS": module,
           "REGRTEST_XML": xml_path}
    return subprocess.run(argv, env=env, cwd=os.path.dirname(xml_path)).returncode


def main():
    launcher, module, path = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="cpython-tests-") as work:
        launcher_xml = os.path.join(work, "launcher.xml")
        status = run([launcher], module, launcher_xml, path)
        if status == 0:
            return 0
        if not os.path.exists(launcher_xml):
            print(f"{module}: the launcher ended with status {status} and no report")
            return 1
        reference_xml = os.path.join(work, "python3.xml")
        run([sys.executable, "-m", "test", "--junit-xml", reference_xml, module], module, reference_xml, path)
        in_launcher = failures(launcher_xml)
        in_python = failures(reference_xml) if os.path.exists(reference_xml) else set()
        only_in_launcher = sorted(in_launcher - in_python)
        if only_in_launcher or not in_launcher:
            print(f"{module}: fails inside the launcher (status {status}) and passes under {sys.executable}:",
                  *only_in_launcher, sep="\n  ")
            return 1
        print(f"{module}: these fail under {sys.executable} itself as well, so not because of the launcher:",
              *sorted(in_launcher), sep="\n  ")
        return 0


if __name__ == "__main__":
    sys.exit(main())
