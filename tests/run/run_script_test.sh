#!/usr/bin/env bash
# `./run` builds what the program needs and nothing more: the program, not the
# developer tools, tests or benchmarks. A copy of the script runs in a scratch
# folder (so no program built earlier is started) with a stand-in `cmake` first on
# PATH that records each call, so nothing is configured or built here.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/src/tools"
cp "$source_dir/run" "$work/src/run"
cp "$source_dir/tools/setup.sh" "$work/src/tools/setup.sh"
cat > "$work/bin/cmake" <<STUB
#!/usr/bin/env bash
printf '%s\n' "\$*" >> "$work/calls"
STUB
chmod +x "$work/bin/cmake"
# The program itself is not there to start: the script ends at its exec.
(cd "$work/src" && PATH="$work/bin:$PATH" ./run >/dev/null 2>&1) || true
build=$(grep -- '--build' "$work/calls" || true)
if [ -z "$build" ]; then
  echo "./run asked for no build"; cat "$work/calls"; exit 1
fi
if ! grep -q -- '--target zorvane\b' <<<"$build"; then
  echo "./run builds more than the program: cmake $build"; exit 1
fi
echo "./run builds: cmake $build"
