#!/usr/bin/env bash
# Builds (as scripts/build.sh does) and runs every benchmark on the built
# data, headless. Arguments go to each benchmark, e.g.
#   scripts/bench.sh --benchmark_filter=Frame --benchmark_repetitions=5
# Results are also written as JSON to build/bench-results/NAME.json.
# Then, where Xvfb is installed, the real window plays 10 s of level 1 on a
# virtual X server of 1024 x 768 (bench/window_play_check, with sound on
# SDL's dummy audio device). Last come the figures the README's
# performance table quotes, with the machine's load average beside them:
# they are worth quoting only from an idle machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-dummy}"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
results="$build/bench-results"
mkdir -p "$results"
found=0
for exe in "$build"/bench/*_bench; do
  [ -x "$exe" ] || continue
  found=1
  name="$(basename "$exe")"
  echo "== $name"
  "$exe" --benchmark_out="$results/$name.json" --benchmark_out_format=json "$@"
done
if [ "$found" = 0 ]; then
  echo "no benchmarks were built: is Google Benchmark installed?" >&2
  exit 1
fi

# The real window: its report goes to window_play_check.txt. It exits 1 when
# play missed its pace, which a loaded machine makes it do: reported, not fatal.
window_report="$results/window_play_check.txt"
rm -f "$window_report"
if command -v Xvfb >/dev/null && [ -x "$build/bench/window_play_check" ]; then
  echo "== window_play_check (10 s of level 1, Xvfb 1024x768)"
  source "$root/scripts/lib/xvfb.bash"
  trap klice_stop_xvfb EXIT
  # A server that does not start is reported (by klice_start_xvfb), not fatal.
  if klice_start_xvfb 1024x768; then
    (cd "$build/game-data" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
      "$build/bench/window_play_check" 10 || true) | tee "$window_report"
  fi
else
  echo "== window_play_check skipped: Xvfb is not installed (scripts/setup.sh installs it)"
fi

echo "== figures (load average $(cut -d' ' -f1-3 /proc/loadavg))"
python3 - "$results" <<'EOF'
import json, os, re, sys

results = sys.argv[1]

def counters(bench, name):
    try:
        with open(os.path.join(results, bench + ".json")) as f:
            runs = json.load(f)["benchmarks"]
    except (OSError, ValueError, KeyError):
        return None
    for run in runs:
        # The name, and what the harness appends to it ("/iterations:7").
        if (run["name"] == name or run["name"].startswith(name + "/")) and \
                run.get("run_type", "iteration") == "iteration":
            # A run that failed has no counters: "not measured".
            return None if run.get("error_occurred") else run
    return None

def show(label, value):
    print(f"  {label:<58} {value if value is not None else 'not measured'}")

start = counters("game_frame_bench", "BM_StartUpToFirstTitleFrame")
show("start-up to the first title frame, sound on (median of 7)",
     start and f"{start['median_wall_ms']:.0f} ms wall, {start['median_cpu_ms']:.0f} ms processor")
session = counters("game_frame_bench", "BM_SessionWithSoundPeakMemory")
show("peak resident memory, headless with sound (title, level 1)", session and f"{session['peak_rss_MiB']:.1f} MiB")
window = None
try:
    with open(os.path.join(results, "window_play_check.txt")) as f:
        match = re.search(r"peak resident memory ([0-9.]+) MiB", f.read())
        window = match and f"{float(match.group(1)):.1f} MiB"
except OSError:
    pass
show("peak resident memory, real window under Xvfb 1024 x 768", window)
for voices in (8, 16):
    run = counters("sound_mix_bench", f"MixVoices/voices:{voices}")
    show(f"mixing {voices} voices, share of one core", run and f"{run['core_percent']:.2f} %")
for frame in ("BM_TitleFrame", "BM_MenuFrame", "BM_PlayFrameLevel1", "BM_PlayFrameBusiestLevel"):
    run = counters("game_frame_bench", frame)
    show(f"{frame[3:]}, median tick", run and f"{run['median_ms']:.3f} ms = {run['x_memcpy']:.2f} x a frame memcpy")
EOF
