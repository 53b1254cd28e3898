#!/usr/bin/env python3
"""Times two commands side by side and prints their medians and ratios.

    python3 bench/side_by_side.py RUNS TARGET NAME "COMMAND" PEER "PEER COMMAND"

Each command runs once to warm up, then RUNS times, alternating between the two so that load from
elsewhere on the machine falls on both alike. Wall time and processor time (the command's and its
children's) are taken per run; the ratios NAME/PEER come from the medians (and from the fastest runs).
TARGET is the wall-time ratio the command should stay within, printed beside it. Either command failing
ends the measurement with its exit code named. Commands are split on blanks (no shell).
"""
import os
import statistics
import subprocess
import sys
import time


def main():
    runs, target, name, command, peer, peer_command = sys.argv[1:7]
    runs = int(runs)
    commands = {name: command.split(), peer: peer_command.split()}
    wall = {n: [] for n in commands}
    cpu = {n: [] for n in commands}

    def measure(n):
        with open(os.devnull, "wb") as null, open(os.devnull, "rb") as nothing:
            start = time.monotonic()
            child = subprocess.Popen(commands[n], stdin=nothing, stdout=null, stderr=null)
            _, status, usage = os.wait4(child.pid, 0)  # the children's time counts too
            wall[n].append(time.monotonic() - start)
            cpu[n].append(usage.ru_utime + usage.ru_stime)
            code = os.waitstatus_to_exitcode(status)
            if code != 0:
                sys.exit(f"{n} failed with {code}: {' '.join(commands[n])}")

    for n in commands:  # one warm-up run each
        measure(n)
        wall[n].clear()
        cpu[n].clear()
    for i in range(runs):
        for n in ((name, peer) if i % 2 == 0 else (peer, name)):
            measure(n)

    width = max(len(n) for n in commands)
    for n in commands:
        print(f"{n:{width}}: wall median {statistics.median(wall[n]):.3f} s, min {min(wall[n]):.3f} s; "
              f"cpu median {statistics.median(cpu[n]):.3f} s  ({runs} runs)")
    print(f"wall-time ratio of the fastest runs {name}/{peer}: {min(wall[name]) / min(wall[peer]):.3f}")
    print(f"cpu-time ratio {name}/{peer}: {statistics.median(cpu[name]) / statistics.median(cpu[peer]):.3f}")
    ratio = statistics.median(wall[name]) / statistics.median(wall[peer])
    print(f"wall-time ratio {name}/{peer}: {ratio:.3f} (target {target} or less)")


if __name__ == "__main__":
    main()
