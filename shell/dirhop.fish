# Dirhop for fish: put `dirhop --init fish | source` in ~/.config/fish/config.fish (or source
# this file) to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop with
# DIRHOP_HANDOFF naming this session's private hand-off file, whose name ends in ".fish" so that
# dirhop quotes for fish: the file holds "# rem" (stay) or cd -- '<directory>' with \ and '
# escaped by a backslash. `c` then runs that line in this shell and returns dirhop's exit code.
# The file lives in a private directory made once per session (in $XDG_RUNTIME_DIR when set,
# else in $TMPDIR or /tmp) and removed when fish exits, so a jump starts one process: dirhop.
#
# Fish expands an unquoted wildcard before any function sees it, and a word that matches no file
# is an error: quote wildcards for c, as in  c 'd*'  c '*/src'  c 'pro*/sr'.
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

# Makes this session's private directory; sets __dirhop_dir (empty when that fails).
function __dirhop_make_dir
    set -g __dirhop_dir
    set -l tmp /tmp
    set -q TMPDIR[1]; and test -n "$TMPDIR[1]"; and set tmp $TMPDIR[1]
    if set -q XDG_RUNTIME_DIR[1]; and test -d "$XDG_RUNTIME_DIR[1]" -a -O "$XDG_RUNTIME_DIR[1]"
        set tmp $XDG_RUNTIME_DIR[1]
    end
    # mktemp -d makes a new directory of mode 0700; dirhop creates the file inside it.
    set -g __dirhop_dir (command mktemp -d (string trim -r -c / -- $tmp)/dirhop.XXXXXXXX 2>/dev/null)
    set -g __dirhop_owner $fish_pid
end

function __dirhop_remove_dir --on-event fish_exit
    if set -q __dirhop_dir[1]; and test -n "$__dirhop_dir"; and test "$__dirhop_owner" = $fish_pid
        command rm -rf -- $__dirhop_dir
    end
end

function c --description 'Change directory with Dirhop (abbreviations, wildcards, typos)'
    set -l program $DIRHOP_PROGRAM[1]
    test -n "$program"; or set program dirhop
    if not test -d "$__dirhop_dir" -a -O "$__dirhop_dir"
        __dirhop_make_dir
        test -n "$__dirhop_dir"; or return 1
    end
    set -l handoff $__dirhop_dir/handoff.fish
    # Emptied first: a run that writes no hand-off (a query, a failure) leaves nothing to replay.
    true >$handoff; or return 1
    # A private session (fish --private) leaves no trace: dirhop records no directory it enters.
    set -q fish_private_mode[1]; and set -lx DIRHOP_PRIVATE 1
    DIRHOP_HANDOFF=$handoff command $program $argv
    set -l rc $status
    set -l line
    if test $rc -eq 0
        # The whole file as one string: a directory name may hold line feeds.
        read -z line <$handoff
    end
    if string match -q "cd -- '*" -- $line
        # The line is dirhop's own fish quoting: the builtin enters the directory, and dirprev and
        # dirnext change as fish's cd function changes them, so that prevd/nextd and dirh know it.
        set -l previous $PWD
        eval builtin $line; or return 1
        if test "$PWD" != "$previous"
            set -q dirprev[25]; and set -e dirprev[1]
            set -g -a dirprev $previous
            set -e dirnext
            set -g __fish_cd_direction prev
        end
    end
    return $rc
end

# The completions of the word being typed: options, alias names after `c -a`, or the
# directories that dirhop's search finds for it (typos too), relative to $PWD below it.
function __dirhop_complete
    set -l program $DIRHOP_PROGRAM[1]
    test -n "$program"; or set program dirhop
    set -l words (commandline -opc)
    set -l word (commandline -ct)
    if test (count $words) -eq 2; and test "$words[2]" = -a
        command $program --aliases 2>/dev/null
        return 0
    end
    if string match -q -- '-*' $word
        printf '%s\n' '-?' -w -h -l -a -x -mail -brantel -home -manual --help --version
        return 0
    end
    test -n "$word"; or set word '*'
    set -l found (command $program --list $word 2>/dev/null </dev/null)
    # Whole-list string operations: a big tree gives thousands of lines.
    if test "$PWD" != /
        set found (string replace -r -- '^'(string escape --style=regex -- $PWD/) '' $found)
    end
    string replace -r -- '/?$' / $found
end

# Made now, so that a jump starts no process but dirhop; loading this file again keeps it.
if not test -d "$__dirhop_dir" -a -O "$__dirhop_dir"; or test "$__dirhop_owner" != $fish_pid
    __dirhop_make_dir
end

complete -c c -e
complete -c c -f -a '(__dirhop_complete)'
