#!/usr/bin/env bash
# The dependency graph of the program's libraries, checked against their
# layers: every library may link and include only libraries of lower layers.
# Prints the graph, writes it for Graphviz to BUILD/deps/libraries.dot, lists
# the largest program files, and fails on a library that depends on one of
# its own layer or above, includes a header of one, or has no layer, on a
# library below the message boxes that links Qt's widgets, and on a program
# file (not a test, benchmark or fuzz target) of more than 650 lines.
#   scripts/deps-graph.sh [BUILD]     (default build/, configured if needed)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
mkdir -p "$build/.cmake/api/v1/query" "$build/deps"
touch "$build/.cmake/api/v1/query/codemodel-v2"
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" --graphviz="$build/deps/targets.dot" >/dev/null

python3 - "$build" <<'EOF'
import glob, json, os, re, sys

build = sys.argv[1]
root = os.getcwd()

# Lowest layer first. A library may depend on libraries of lower layers only.
LAYERS = [
    ("folder, exceptions, protocol", ["orvex_folder", "orvex_protocol"]),
    ("serial port, table store, simulator model",
     ["orvex_serial", "orvex_store", "orvex_unitsim_model"]),
    ("settings and register", ["orvex_config"]),
    ("measurement recording, event journal, the station's model",
     ["orvex_recording", "orvex_journal", "orvex_station"]),
    ("message boxes (widget layer)", ["orvex_ui"]),
    ("poll cycle, grid parts", ["orvex_pollcycle", "orvex_mainwindow_core"]),
    ("windows", ["orvex_mainwindow", "orvex_options", "orvex_views"]),
    ("poll cycle onto the main window (app/)", ["orvex_pollmainform"]),
    ("event journal onto the main window (app/)", ["orvex_journalmainform"]),
    ("application", ["orvex_app"]),
]
layer = {lib: i for i, (_, libs) in enumerate(LAYERS) for lib in libs}
# Folders whose files may include nothing from the folders named: what lies
# below the windows knows no window, whichever library a file belongs to.
FOLDER_RULES = [
    ("polling", ["mainwindow", "views", "app"]),
    ("store", ["polling", "mainwindow", "views", "app", "config"]),
    ("serial", ["polling", "mainwindow", "views", "app", "config", "store"]),
]
# Libraries of the tests and benchmarks stand beside the program.
HELPERS = {"orvex_testsupport", "orvex_benchsupport", "orvex_pgcluster"}
# The folders of the program's sources, and how long one of its files may be.
PROGRAM_FOLDERS = ["ui", "serial", "polling", "store", "config", "mainwindow", "views", "app",
                   "tools"]
MAX_FILE_LINES = 650

# Link edges from CMake's Graphviz output.
labels, links = {}, {}
for line in open(os.path.join(build, "deps", "targets.dot"), encoding="utf-8"):
    m = re.match(r'\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"', line)
    if m:
        labels[m.group(1)] = m.group(2)
        continue
    m = re.match(r'\s*"(node\d+)"\s*->\s*"(node\d+)"', line)
    if m:
        links.setdefault(m.group(1), set()).add(m.group(2))

# Sources of every library target from CMake's file API.
reply = glob.glob(os.path.join(build, ".cmake/api/v1/reply/codemodel-v2-*.json"))
if not reply:
    sys.exit("deps-graph: no CMake file API reply in " + build)
codemodel = json.load(open(reply[0]))
sources, owners = {}, {}
for cfg in codemodel["configurations"][:1]:
    for t in cfg["targets"]:
        target = json.load(open(os.path.join(os.path.dirname(reply[0]), t["jsonFile"])))
        if target["type"] != "STATIC_LIBRARY" or target["name"] in HELPERS:
            continue
        files = [s["path"] for s in target.get("sources", [])
                 if not s.get("isGenerated") and not os.path.isabs(s["path"])]
        sources[target["name"]] = files
        for f in files:
            owners.setdefault(f, set()).add(target["name"])

failures = []
libraries = sorted(sources, key=lambda n: (layer.get(n, -1), n))
for lib in libraries:
    if lib not in layer:
        failures.append(f"{lib}: has no layer (add it to LAYERS in scripts/deps-graph.sh)")

def allowed(lib, dep):
    return dep == lib or (dep in layer and lib in layer and layer[dep] < layer[lib])

# Link dependencies.
edges = []
for node, deps in links.items():
    lib = labels.get(node)
    if lib not in sources:
        continue
    for d in deps:
        dep = labels.get(d)
        if dep in sources:
            edges.append((lib, dep))
            if not allowed(lib, dep):
                failures.append(f"{lib} links {dep}, which is not below it")

# Below the message boxes no library links the widget layer.
widget_layer = layer["orvex_ui"]
for node, deps in links.items():
    lib = labels.get(node)
    if lib in layer and layer[lib] < widget_layer:
        for d in deps:
            if labels.get(d) == "Qt6::Widgets":
                failures.append(f"{lib} links Qt6::Widgets, below the widget layer")

# Includes of headers owned by other libraries.
include_re = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
crossing = 0
for lib in libraries:
    for f in sources[lib]:
        here = os.path.dirname(f)
        for n, line in enumerate(open(f, encoding="utf-8", errors="replace"), 1):
            m = include_re.match(line)
            if not m:
                continue
            name = m.group(1)
            header = os.path.normpath(os.path.join(here, name))
            if not os.path.exists(header):
                header = os.path.normpath(name)
            if not os.path.exists(header):
                continue
            heads = owners.get(header)
            if heads is None:
                if header.split("/")[0] in {"tests", "bench", "fuzz"}:
                    failures.append(f"{f}:{n}: includes {name} of the tests or benchmarks")
                else:
                    failures.append(f"{f}:{n}: {name} belongs to no library; list it in "
                                    "its library's sources")
                continue
            if lib in heads:
                continue
            crossing += 1
            if not any(allowed(lib, h) for h in heads):
                failures.append(f"{f}:{n}: {lib} includes {name} of "
                                f"{', '.join(sorted(heads))}, which is not below it")

# Includes across folders, over every source of the folder (listed in a
# library or not).
for folder, banned in FOLDER_RULES:
    for f in sorted(glob.glob(f"{folder}/**/*.[ch]*", recursive=True)):
        if not f.endswith((".h", ".cpp")):
            continue
        for n, line in enumerate(open(f, encoding="utf-8", errors="replace"), 1):
            m = include_re.match(line)
            if m and m.group(1).split("/")[0] in banned:
                failures.append(f"{f}:{n}: {folder}/ includes {m.group(1)}, a folder above it")

# The graph, top layer first.
print("Libraries by layer (top first), each with the libraries it links:")
for i in reversed(range(len(LAYERS))):
    name, libs = LAYERS[i]
    print(f"  {i}  {name}")
    for lib in libs:
        deps = sorted({d for l, d in edges if l == lib}, key=lambda d: (-layer.get(d, 99), d))
        print(f"       {lib:24} -> {' '.join(deps) if deps else '(Qt only)'}")
with open(os.path.join(build, "deps", "libraries.dot"), "w") as dot:
    dot.write("digraph libraries {\n  rankdir=BT;\n")
    for i, (_, libs) in enumerate(LAYERS):
        dot.write("  { rank=same; " + " ".join(f'"{l}";' for l in libs) + " }\n")
    for l, d in sorted(edges):
        dot.write(f'  "{l}" -> "{d}";\n')
    dot.write("}\n")

print("\nLargest program files (lines):")
program = {f for files in sources.values() for f in files}
# Every source of the program's folders, also those no library lists (the
# application's and the tools' executables); the tests, benchmarks and fuzz
# targets are not the program.
for folder in PROGRAM_FOLDERS:
    for path, dirs, files in os.walk(folder):
        program.update(os.path.join(path, f) for f in files if f.endswith((".cpp", ".h")))
sizes = sorted({(sum(1 for _ in open(f, encoding="utf-8", errors="replace")), f)
                for f in program if os.path.exists(f)}, reverse=True)
for lines, f in sizes[:10]:
    print(f"  {lines:6} {f}")
for lines, f in sizes:
    if lines > MAX_FILE_LINES:
        failures.append(f"{f}: {lines} lines, over {MAX_FILE_LINES}; split it by responsibility")

print(f"\n{len(libraries)} libraries, {len(edges)} links, {crossing} includes across libraries; "
      f"graph in {build}/deps/libraries.dot")
if failures:
    print("\nAgainst the layers and the file size limit:")
    for f in failures:
        print("  " + f)
    sys.exit(1)
print(f"No library depends on one of its own layer or above; no program file is over "
      f"{MAX_FILE_LINES} lines.")
print("Folders: " + "; ".join(f"{f}/ includes nothing from " + ", ".join(d + "/" for d in b)
                              for f, b in FOLDER_RULES) + ".")
EOF
