#!/usr/bin/env bash
# Runs one build step. With ZAN_TRACE_DIR set, it runs under strace and leaves the files the step
# opened and the programs it ran in $ZAN_TRACE_DIR/NAME.trace, for scripts/check-install-list.sh.
# Usage: traced.sh NAME COMMAND...
set -euo pipefail
name=$1
shift
if [ -z "${ZAN_TRACE_DIR:-}" ]; then
  exec "$@"
fi
mkdir -p "$ZAN_TRACE_DIR"
# The build runs the test programs to list their tests; LeakSanitizer cannot work under a tracer,
# and a listing has no leaks to find.
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
# Only successful opens and program starts; the seccomp filter keeps every other call untraced
# and the build at its usual speed.
exec strace -f -q -z --seccomp-bpf -e trace=open,openat,execve -o "$ZAN_TRACE_DIR/$name.trace" "$@"
