#!/usr/bin/env python3
"""Start-up of the client: time from process start to the first frame of the sign-in
screen, and the peak resident memory at that moment, over several runs.

Run by hand after building the client:
    bench/app/startup.py [--client build/shell/zephon] [--runs 10]

The client runs on the offscreen platform in a data folder of its own (with common.db from
the build), after one unmeasured start that creates the user's database. The first frame is
the first "Frame rendered" line of Qt's render-loop timing log (logging category
qt.scenegraph.time.renderloop), written when the scene graph has rendered the window; the
peak memory is VmHWM of the process read at that line. Targets: 100 ms and 60 MiB (median).
"""
import argparse
import os
import pathlib
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
TARGET_MS = 100.0
TARGET_MIB = 60.0
FRAME_MARKER = b"Frame rendered"
INIT_MARKER = b"initialize finished"


def peak_memory_kib(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise RuntimeError("no VmHWM in /proc status")


def one_run(client, data, timeout):
    """Returns (ms to Core's "initialize finished", ms to the first frame, peak MiB)."""
    env = dict(os.environ)
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "QT_LOGGING_RULES": "qt.scenegraph.time.renderloop.debug=true;zephon.Core.debug=true",
        "XDG_CONFIG_HOME": os.path.join(data, "config"),
        "ZEPHON_INSTANCE_SUFFIX": "-startup-bench-%d" % os.getpid(),
        "XDG_RUNTIME_DIR": os.path.join(data, "runtime"),
        "ZEPHON_SERVER": "127.0.0.1:9",
    })
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    start = time.perf_counter()
    process = subprocess.Popen([str(client)], cwd=data, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        initialized_ms = frame_ms = peak_kib = None
        deadline = start + timeout
        for line in process.stderr:
            now_ms = (time.perf_counter() - start) * 1000.0
            if INIT_MARKER in line and initialized_ms is None:
                initialized_ms = now_ms
            if FRAME_MARKER in line:
                frame_ms = now_ms
                peak_kib = peak_memory_kib(process.pid)
                break
            if time.perf_counter() > deadline:
                break
        if frame_ms is None:
            raise RuntimeError("the client showed no frame (exit status %s)" % process.poll())
        return initialized_ms, frame_ms, peak_kib / 1024.0
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def describe(name, values, unit, target=None):
    median = statistics.median(values)
    line = (f"{name}: median {median:.1f} {unit}, min {min(values):.1f}, max {max(values):.1f}, "
            f"mean {statistics.mean(values):.1f}")
    if target is not None:
        line += f" (target < {target:.0f} {unit}: {'ok' if median < target else 'OVER TARGET'})"
    print(line)
    return target is None or median < target


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--client", type=pathlib.Path, default=ROOT / "build" / "shell" / "zephon")
    parser.add_argument("--common-db", type=pathlib.Path, default=None,
                        help="common.db to place in the data folder (default: beside the build)")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--timeout", type=float, default=30.0)
    args = parser.parse_args()
    args.client = args.client.resolve()
    if not args.client.is_file():
        sys.exit(f"no client at {args.client}; build the target zephon first")
    common_db = args.common_db or args.client.parent.parent / "data" / "common.db"

    with tempfile.TemporaryDirectory(prefix="zephon-startup-") as data:
        if common_db.is_file():
            shutil.copy(common_db, data)
        # One unmeasured start creates the user's database and fills the file cache, so the
        # runs measure an ordinary start.
        one_run(args.client, data, args.timeout)
        inits, times, memories = [], [], []
        for index in range(args.runs):
            initialized_ms, frame_ms, peak_mib = one_run(args.client, data, args.timeout)
            inits.append(initialized_ms)
            times.append(frame_ms)
            memories.append(peak_mib)
            print(f"run {index + 1}: initialize finished after {initialized_ms:.1f} ms, "
                  f"first frame after {frame_ms:.1f} ms, peak memory {peak_mib:.1f} MiB")
    describe("Core initialized", inits, "ms")
    time_ok = describe("time to first frame", times, "ms", TARGET_MS)
    memory_ok = describe("peak memory", memories, "MiB", TARGET_MIB)
    return 0 if time_ok and memory_ok else 1


if __name__ == "__main__":
    sys.exit(main())
