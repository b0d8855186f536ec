#!/usr/bin/env bash
# Checks that every file the traced configure and build steps read from the system comes from a
# Debian package that scripts/setup-debian.sh installs: named in its list, reached from it through
# Depends or Pre-Depends (never Recommends, which the install leaves out), or part of every Debian
# system (Essential and required packages, with what they depend on).
#
# Usage: check-install-list.sh TRACE...
#   each TRACE is the output of `strace -f -q -z -e trace=open,openat,execve` (scripts/traced.sh).
# Prints each package that is missing from the list with one file the build read from it, and exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."
# One collation for sort and join.
export LC_ALL=C
[ "$#" -gt 0 ] || { echo "usage: $0 TRACE..." >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files read: absolute paths under the system folders, from successful calls only. A process
# that fails only looked for something the build then did without (pkg-config scans every .pc
# file for a module that is not there), so only what processes that succeed read counts.
awk '
  function flush(pid) { if (pid in seen) printf "%s", seen[pid]; delete seen[pid] }
  / \+\+\+ exited with 0 \+\+\+/ { flush($1); next }
  / \+\+\+ (exited with|killed by) / { delete seen[$1]; next }
  /O_DIRECTORY/ { next }
  match($0, /(open|openat|execve)\((AT_FDCWD, )?"\/[^"]*"/) {
    call = substr($0, RSTART, RLENGTH)
    sub(/^[^"]*"/, "", call)
    sub(/"$/, "", call)
    seen[$1] = seen[$1] call "\n"
  }
  END { for (pid in seen) flush(pid) }' "$@" |
  grep -E '^/(usr|lib|lib32|lib64|bin|sbin|etc|opt)/' |
  # Every program that sets its locale reads these when they are there, and does without them;
  # the linker reads every file of the loader's configuration folder, whoever put it there; and
  # fontconfig, which Qt starts when the build lists the window tests, scans every installed
  # font, none of which the build needs.
  grep -v -E '^/usr/(share|lib)/locale/|^/etc/ld\.so\.conf\.d/|^/usr/share/fonts/' | sort -u |
  while IFS= read -r file; do if [ -f "$file" ]; then printf '%s\n' "$file"; fi; done >"$work/read"

# Each path also under its real name and, on a merged /usr, under its other spelling: dpkg records
# the name the package shipped, which may be either.
xargs -d '\n' realpath -m -- <"$work/read" | paste "$work/read" - >"$work/pairs"
awk -F'\t' '
  function spell(p, f) {
    print f "\t" p
    if (p ~ /^\/usr\/(lib|lib32|lib64|bin|sbin)\//) print f "\t" substr(p, 5)
    else if (p ~ /^\/(lib|lib32|lib64|bin|sbin)\//) print f "\t/usr" p
  }
  { spell($1, $1); if ($2 != $1) spell($2, $1) }' "$work/pairs" | sort -u >"$work/names"

# Every file dpkg knows, with its package.
for list in /var/lib/dpkg/info/*.list; do
  package=${list##*/}
  package=${package%.list}
  package=${package%%:*}
  awk -v p="$package" '{ print $0 "\t" p }' "$list"
done | sort -t$'\t' -k1,1 -u >"$work/owners"

# The package of each file read (a file may reach two: its -dev symlink and the library behind it).
sort -t$'\t' -k2,2 "$work/names" | join -t$'\t' -1 2 -2 1 -o 1.1,2.2 - "$work/owners" |
  sort -u >"$work/used"

# What a fresh machine gets: the install list, every Debian base system, and their Depends.
mapfile -t listed < <(bash scripts/setup-debian.sh --list)
mapfile -t base < <(dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' |
  awk '$2 == "yes" || $3 == "required" { print $1 }')
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${listed[@]}" "${base[@]}" 2>/dev/null |
  sed -n 's/^<\{0,1\}\([^ <>]*\)>\{0,1\}$/\1/p; s/^ *[|]\{0,1\}\(Pre\)\{0,1\}Depends: <\{0,1\}\([^ <>]*\)>\{0,1\}$/\2/p' |
  sed 's/:.*//' | sort -u >"$work/reachable"

awk -F'\t' '{ print $2 "\t" $1 }' "$work/used" | sort -t$'\t' -k1,1 |
  join -t$'\t' -v 1 - "$work/reachable" | sort -t$'\t' -k1,1 -u >"$work/missing"

packages=$(cut -f2 "$work/used" | sort -u | wc -l)
if [ -s "$work/missing" ]; then
  echo "The build reads files of packages that scripts/setup-debian.sh does not install:"
  while IFS=$'\t' read -r package file; do
    echo "  $package (not in the list nor reached through Depends): read $file"
  done <"$work/missing"
  echo "Add each to the list in scripts/setup-debian.sh."
  exit 1
fi
echo "Install list: the build read $(wc -l <"$work/read") system files from $packages packages, each installed by scripts/setup-debian.sh."
