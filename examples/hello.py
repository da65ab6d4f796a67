import sys

print(f"Hello from {__file__}, run by Python {sys.version.split()[0]} inside the launcher.")
