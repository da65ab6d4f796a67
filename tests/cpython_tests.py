# CPython's own regression tests, named in REGRTEST_TESTS, run as the main
# program of the launcher (started as cpython_tests.exe) the way
# `python3 -m test` runs them: the hosted interpreter must pass them as the
# system's own does. Ends with regrtest's status: 0 when all passed.
import os

from test.libregrtest import main

main(tests=os.environ["REGRTEST_TESTS"].split())
