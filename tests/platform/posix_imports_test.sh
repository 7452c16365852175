#!/usr/bin/env bash
# The programs built without POSIX import none of the POSIX calls that the platform
# units hold: a stray one would break the build elsewhere, unseen here.
#   posix_imports_test.sh PROGRAM...
set -u
# Each with the variants glibc exports it under (large-file, versioned stat wrappers).
held='write read open open64 openat openat64 close poll ppoll ioctl isatty pipe pipe2
fsync fdatasync pwrite pwrite64 fchown fchmod faccessat posix_fallocate posix_fallocate64
ftruncate ftruncate64 fcntl fcntl64 stat stat64 fstat fstat64 lstat lstat64 fstatat fstatat64
__xstat __xstat64 __fxstat __fxstat64 __lxstat __lxstat64 __fxstatat __fxstatat64
sigaction sigprocmask tcsetattr tcgetattr tcdrain tcflush tcflow cfmakeraw'
. "$(dirname "$0")/../../scripts/tools.sh"
require_tools nm
status=0
for program in "$@"; do
  imports=$(nm -D --undefined-only "$program" | awk '{ sub(/@.*/, "", $NF); print $NF }') || exit 2
  found=()
  for name in $held; do
    grep -qx -- "$name" <<<"$imports" && found+=("$name")
  done
  if [ ${#found[@]} -gt 0 ]; then
    echo "$(basename "$program") imports POSIX calls: ${found[*]}"
    status=1
  fi
done
[ $status -eq 0 ] && echo "none of the held POSIX calls imported by: $(for p in "$@"; do basename "$p"; done | xargs)"
exit $status
