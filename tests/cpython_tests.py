# CPython's own regression tests, named in REGRTEST_TESTS, run as the main
# program of the launcher (started as cpython_tests.exe) the way
# `python3 -m test` runs them, with a JUnit report to REGRTEST_XML. Ends with
# regrtest's status: 0 when all passed.
import os
import sys

from test.libregrtest.main import main

# Guarded: multiprocessing's spawn and forkserver start methods (forkserver
# is Linux's default from 3.14) import the main script again in their
# processes, which must not start the test run again.
if __name__ == "__main__":
    # regrtest reads its command line; the launcher passes none on.
    sys.argv[1:] = ["--junit-xml", os.environ["REGRTEST_XML"], *os.environ["REGRTEST_TESTS"].split()]
    main()
