# CPython's own regression tests, named in REGRTEST_TESTS, run as the main
# program of the launcher (started as cpython_tests.exe) the way
# `python3 -m test` runs them, with a JUnit report to REGRTEST_XML. Ends with
# regrtest's status: 0 when all passed.
import os
import sys

from test.libregrtest.main import main

# regrtest reads its command line; the launcher passes none on.
sys.argv[1:] = ["--junit-xml", os.environ["REGRTEST_XML"], *os.environ["REGRTEST_TESTS"].split()]
main()
