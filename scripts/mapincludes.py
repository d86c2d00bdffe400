#!/usr/bin/env python3
"""Include structure of the map engine.

mapincludes.py [--root DIR] cycles
    Lists include circles among map/ headers and among map/ units (a unit: a header with the
    sources named after it, <unit>.cpp and <unit>_<part>.cpp), and the map sources outside the
    control that include the control's header; exits 1 on a circle among headers or on such a
    source (circles among units are told only).
mapincludes.py [--root DIR] dependents HEADER
    Counts the sources of the repository that include HEADER, directly or through other headers.
"""
import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SKIP = {"build", ".git", "work"}


def includes(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        return [i for i in INCLUDE.findall(f.read()) if os.path.isfile(os.path.join(root, i))]


def files(root, top=""):
    for d, dirs, names in os.walk(os.path.join(root, top)):
        dirs[:] = [x for x in dirs if x not in SKIP]
        for n in names:
            if n.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(d, n), root)


def circles(graph):
    """Strongly connected components of more than one node, or of one node that includes itself."""
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        # Iterative Tarjan: the graphs are small, but recursion limits are easy to hit in scripts.
        work = [(v, iter(sorted(graph.get(v, ()))))]
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        while work:
            node, it = work[-1]
            nxt = next(it, None)
            if nxt is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    comp = []
                    while True:
                        w = stack.pop()
                        on.discard(w)
                        comp.append(w)
                        if w == node:
                            break
                    if len(comp) > 1 or node in graph.get(node, ()):
                        out.append(sorted(comp))
                continue
            if nxt not in index:
                index[nxt] = low[nxt] = counter[0]
                counter[0] += 1
                stack.append(nxt)
                on.add(nxt)
                work.append((nxt, iter(sorted(graph.get(nxt, ())))))
            elif nxt in on:
                low[node] = min(low[node], index[nxt])

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return out


def unit_of(path, headers):
    """The unit a map/ file belongs to: its own header, or the longest header stem it extends."""
    stem = path[:-4] if path.endswith(".cpp") else path[:-2]
    best = None
    for h in headers:
        hs = h[:-2]
        if stem == hs or stem.startswith(hs + "_"):
            if best is None or len(hs) > len(best):
                best = hs
    return best or stem


def cycles(root):
    mapfiles = sorted(files(root, "map"))
    headers = [f for f in mapfiles if f.endswith(".h")]
    hgraph = {h: {i for i in includes(root, h) if i.startswith("map/")} for h in headers}
    ugraph = {}
    for f in mapfiles:
        u = unit_of(f, headers)
        deps = ugraph.setdefault(u, set())
        for i in includes(root, f):
            if i.startswith("map/"):
                t = unit_of(i, headers)
                if t != u:
                    deps.add(t)
    found = {}
    for kind, graph in (("header", hgraph), ("unit", ugraph)):
        found[kind] = circles(graph)
        for c in found[kind]:
            print(f"{kind} circle of {len(c)}: {' '.join(c)}")
    print(f"{len(found['header'])} include circle(s) among {len(headers)} map headers, "
          f"{len(found['unit'])} among their units")
    # The control's header is for the control itself; the model reaches it through the interface.
    upward = [f for f in mapfiles if unit_of(f, headers) != "map/earthmap"
              and "map/earthmap.h" in includes(root, f)]
    for f in upward:
        print(f"{f} includes the control's header map/earthmap.h")
    return 1 if found["header"] or upward else 0


def dependents(root, header):
    graph = {f: includes(root, f) for f in files(root)}
    memo = {}

    def reaches(f, seen):
        if f in memo:
            return memo[f]
        seen.add(f)
        r = any(i == header or (i not in seen and reaches(i, seen)) for i in graph.get(f, ()))
        memo[f] = r
        return r

    hits = sorted(f for f in graph if f.endswith(".cpp") and reaches(f, set()))
    for h in hits:
        print(h)
    print(f"{len(hits)} sources include {header}")
    return 0


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    p.add_argument("command", choices=["cycles", "dependents"])
    p.add_argument("header", nargs="?")
    a = p.parse_args()
    root = os.path.abspath(a.root)
    if a.command == "cycles":
        return cycles(root)
    return dependents(root, a.header)


if __name__ == "__main__":
    sys.exit(main())
