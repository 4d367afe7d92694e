# SPDX-License-Identifier: Apache-2.0
"""The Python module's speed, each figure a ratio measured in this run:

- karvento.at on 1,000,000 points (one scale, one core) in points per second,
  against the loop a user would otherwise write (karvento.at per point);
- karvento.sheets(...).to_numpy() for all of China at 1:1万 (857,088 sheets)
  against the native walk and the same copy into plain memory.

    PYTHONPATH=build/python /usr/bin/python3 bench/bench_python.py
"""

import time

import numpy as np

import karvento


def best(f, repeat=3):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    rng = np.random.default_rng(1)
    n = 1_000_000
    lon = rng.uniform(73.0, 135.0, n)
    lat = rng.uniform(18.0, 53.0, n)
    t = best(lambda: karvento.at(lon, lat, scale=10000))
    few = 20_000
    loop = best(lambda: [karvento.at(x, y, scale=10000) for x, y in zip(lon[:few], lat[:few])], 1) * n / few
    print(f"at, 1,000,000 points at 1:1万: {t:.3f} s, {n / t / 1e6:.1f} M points/s "
          f"(goal 10); a Python loop of scalar calls: {n / loop / 1e6:.2f} M points/s, {loop / t:.0f}x slower")

    china = dict(extent=(73, 18, 135, 54), scale=10000, cm=0)
    walk = karvento.sheets(**china)
    count = walk._walk._native_copy()
    native = best(lambda: walk._walk._native_copy())
    numpy = best(lambda: walk.to_numpy())
    print(f"sheets of China at 1:1万 ({count:,} sheets): to_numpy {numpy:.3f} s, native walk and copy "
          f"{native:.3f} s, ratio {numpy / native:.2f} (goal at most 1.5)")


if __name__ == "__main__":
    main()
