"""Stand-in tests need only the stand-in's fixture, so a PostgreSQL that cannot start hides none of
their results; tests of the real drivers still need the PostgreSQL fixture and fail without it.
    fixture-check.py CTEST BUILD_DIR"""
import json
import subprocess
import sys

ctest, build = sys.argv[1], sys.argv[2]
listing = json.loads(subprocess.run([ctest, "--show-only=json-v1"], cwd=build, check=True,
                                    capture_output=True, text=True).stdout)


def fixtures(test):
    for p in test.get("properties", []):
        if p["name"] == "FIXTURES_REQUIRED":
            return set(p["value"])
    return set()


def tests_of(executable):
    return [t for t in listing["tests"] if t.get("command") and t["command"][0].endswith("/" + executable)]


failures = []
standin = tests_of("standin_tests")
drivers = tests_of("driver_smoke_tests")
if not standin or not drivers:
    failures.append("the stand-in or driver tests are not built (build standin_tests, driver_smoke_tests)")
for t in standin:
    if fixtures(t) != {"tarvik_standin"}:
        failures.append(f"{t['name']} requires {sorted(fixtures(t))}, not only tarvik_standin")
for t in drivers:
    if fixtures(t) != {"tarvik_odbc_drivers"}:
        failures.append(f"{t['name']} runs without the PostgreSQL fixture")
print(f"{len(standin)} stand-in tests, {len(drivers)} driver tests checked")
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
