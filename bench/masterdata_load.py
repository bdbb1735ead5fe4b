"""Load time and peak memory of a full-size generated region.

Writes a region with tools/gen_sample_data.py, then, each in a fresh Python
process, loads it through NativeEngine.update_masterdata (from the directory)
and through NativeEngine.update_masterdata_from_strings (from a dict read
beforehand), after giving the region its music metas. Prints the median load
time, the process's peak resident memory and how much the load added to it.
The share of the build spent reading JSON comes from the C++ bench program
build/release/masterdata_load (`cmake --build build/release --target
masterdata_load` after scripts/test.sh), run on the same
files.

    python3 bench/masterdata_load.py [--cards 1500] [--param-shape mixed] [--repeats 7]
"""
import argparse
import json
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[1]
GENERATOR = ROOT / "tools" / "gen_sample_data.py"
BENCH = ROOT / "build" / "release" / "masterdata_load"

# Runs in a child so that each method's peak memory is its own.
CHILD = r"""
import json, pathlib, resource, statistics, sys, time
from _vorava_devo_zuvoro._native import NativeEngine

method, directory, metas_file, repeats = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
music_metas = pathlib.Path(metas_file).read_text(encoding="utf-8")
tables = None
if method == "update_masterdata_from_strings":
    tables = {p.name: p.read_text(encoding="utf-8") for p in pathlib.Path(directory).glob("*.json")}

def load(engine):
    if tables is None:
        engine.update_masterdata(directory, "bench")
    else:
        engine.update_masterdata_from_strings(tables, "bench")

engine = NativeEngine()
baseline_kb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
load(engine)
engine.update_musicmetas(music_metas, "bench")
times = []
for _ in range(repeats):
    start = time.perf_counter()
    load(engine)
    times.append((time.perf_counter() - start) * 1000.0)
peak_kb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(json.dumps({"median_ms": statistics.median(times), "min_ms": min(times),
                  "peak_mb": peak_kb / 1024.0, "added_mb": (peak_kb - baseline_kb) / 1024.0}))
"""


def run_child(method, directory, metas, repeats):
    done = subprocess.run([sys.executable, "-c", CHILD, method, str(directory), str(metas),
                           str(repeats)], check=True, capture_output=True, text=True)
    return json.loads(done.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cards", type=int, default=1500)
    parser.add_argument("--param-shape", default="mixed", choices=["mixed", "grouped", "rows"])
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as out:
        out = pathlib.Path(out)
        subprocess.run([sys.executable, str(GENERATOR), "--out", str(out), "--cards",
                        str(args.cards), "--param-shape", args.param_shape, "--seed",
                        str(args.seed)], check=True)
        directory = out / "masterdata"
        metas = out / "music_metas.json"
        size_mb = sum(p.stat().st_size for p in directory.glob("*.json")) / 1e6
        print(f"region: {args.cards} cards, parameters {args.param_shape}, "
              f"{size_mb:.1f} MB of tables, {metas.stat().st_size / 1e6:.2f} MB of music metas")
        for method in ["update_masterdata", "update_masterdata_from_strings"]:
            r = run_child(method, directory, metas, args.repeats)
            print(f"{method:32s} median {r['median_ms']:7.1f} ms  min {r['min_ms']:7.1f} ms  "
                  f"peak RSS {r['peak_mb']:6.1f} MB  (+{r['added_mb']:.1f} MB by loading)")
        if BENCH.exists():
            done = subprocess.run([str(BENCH), str(directory), str(metas), str(args.repeats)],
                                  check=True, capture_output=True, text=True)
            r = json.loads(done.stdout)
            print(f"core build {r['build_ms']:.1f} ms, of which reading JSON {r['json_ms']:.1f} ms "
                  f"({100.0 * r['json_share']:.0f}%); reading the directory {r['read_directory_ms']:.1f} ms")
        else:
            print(f"{BENCH} is missing: cmake --build build/release --target masterdata_load "
                  "for the share spent reading JSON")


if __name__ == "__main__":
    main()
