# Dirhop for bash and zsh: source this file to get the command `c`.
# The program cannot change the shell's directory itself; it writes one line of shell code to a
# private hand-off file, which this function then runs in the calling shell.
c() {
  local handoff status
  handoff=$(mktemp "${TMPDIR:-/tmp}/dirhop.XXXXXXXX") || return 1
  DIRHOP_HANDOFF=$handoff command "${DIRHOP_PROGRAM:-dirhop}" "$@"
  status=$?
  # The file holds either "# rem" or one line: cd -- '<directory>'.
  [ -s "$handoff" ] && . "$handoff"
  rm -f -- "$handoff"
  return $status
}
