# Dirhop for fish: source this file (in ~/.config/fish/config.fish) to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop with
# DIRHOP_HANDOFF naming a private temporary file whose name ends in ".fish", so dirhop quotes for
# fish: the file holds "# rem" (stay) or cd -- '<directory>' with \ and ' escaped by a backslash.
# `c` then runs that line in this shell, removes the file and returns dirhop's exit code.
#
# The program is $DIRHOP_PROGRAM when set, else `dirhop` on PATH, else the dirhop installed beside
# this file (<prefix>/bin/dirhop for <prefix>/share/dirhop/dirhop.fish).

if not set -q DIRHOP_PROGRAM; and not command -sq dirhop
    set -l here (status filename)
    set here (string replace -r '/[^/]*$' '' -- $here)
    if not string match -q '/*' -- $here
        set here $PWD/$here
    end
    if test -x $here/../../bin/dirhop
        set -g DIRHOP_PROGRAM $here/../../bin/dirhop
    end
end

function c --description 'Change directory with Dirhop (abbreviations, wildcards, typos)'
    set -l program dirhop
    set -q DIRHOP_PROGRAM[1]; and test -n "$DIRHOP_PROGRAM[1]"; and set program $DIRHOP_PROGRAM[1]
    set -l tmp /tmp
    set -q TMPDIR[1]; and test -n "$TMPDIR[1]"; and set tmp $TMPDIR[1]
    # A private directory: mktemp cannot put a suffix after the random part everywhere.
    set -l private (mktemp -d $tmp/dirhop.XXXXXXXX); or return 1
    set -l handoff $private/handoff.fish
    DIRHOP_HANDOFF=$handoff command $program $argv
    set -l rc $status
    set -l line
    if test -f $handoff
        # The whole file as one string: a directory name may hold line feeds.
        read -z line <$handoff
    end
    command rm -rf -- $private
    if string match -q "cd -- '*" -- $line
        # Fish's own cd function, so that prevd/nextd and dirh know the new directory.
        eval $line; or return 1
    end
    return $rc
end
