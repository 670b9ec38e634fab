# Dirhop for fish: put `command -q dirhop; and dirhop --init fish | source` in
# ~/.config/fish/config.fish (or source this file) to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop with
# DIRHOP_HANDOFF naming this session's private hand-off file, whose name ends in ".fish" so that
# dirhop quotes for fish: the file holds "# rem" (stay) or cd -- '<directory>' with \ and '
# escaped by a backslash. `c` then runs that line in this shell and returns dirhop's exit code.
# The file is made at the session's first `c`, by fish itself (mode 0600, never an existing file or
# a link), in $XDG_RUNTIME_DIR when set, else in $TMPDIR or /tmp, and removed when fish exits, so
# a jump starts one process: dirhop. Loading this file starts none, and a session that never runs
# `c` leaves nothing.
#
# Fish expands an unquoted wildcard before any function sees it, and a word that matches no file
# is an error: quote wildcards for c, as in  c 'd*'  c '*/src'  c 'pro*/sr'.
#
# The program is $DIRHOP_PROGRAM when set, else `dirhop` on PATH, else the dirhop installed beside
# this file (<prefix>/bin/dirhop for <prefix>/share/dirhop/dirhop.fish).

#@ part locate (left out by dirhop --init, whose caller runs the program it found)
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

#@ part jump (dirhop --init prints a loader in its place: shell/loader.fish)
# Makes this session's hand-off file; sets __dirhop_handoff (empty when that fails). The name
# ends in ".fish", so that dirhop quotes for fish.
function __dirhop_make_file
    set -g __dirhop_handoff
    set -l tmp /tmp
    set -q TMPDIR[1]; and test -n "$TMPDIR[1]"; and set tmp $TMPDIR[1]
    if set -q XDG_RUNTIME_DIR[1]; and test -d "$XDG_RUNTIME_DIR[1]" -a -O "$XDG_RUNTIME_DIR[1]"
        set tmp $XDG_RUNTIME_DIR[1]
    end
    set tmp (string trim -r -c / -- $tmp)
    set -l mask (umask)
    umask 077
    for n in 1 2 3 4 5 6 7 8
        set -l name $tmp/dirhop.$fish_pid.(random)(random).fish
        # >? creates the file only where nothing is, and no link is followed to make it.
        if true >?$name 2>/dev/null; and test -f $name -a ! -L $name -a -O $name
            set -g __dirhop_handoff $name
            break
        end
    end
    umask $mask
    set -g __dirhop_owner $fish_pid
end

function __dirhop_remove_file --on-event fish_exit
    if set -q __dirhop_handoff[1]; and test -n "$__dirhop_handoff"
        and test "$__dirhop_owner" = $fish_pid
        command rm -f -- $__dirhop_handoff
    end
end

function c --description 'Change directory with Dirhop (abbreviations, wildcards, typos)'
    set -l program $DIRHOP_PROGRAM[1]
    test -n "$program"; or set program dirhop
    if not test -f "$__dirhop_handoff" -a ! -L "$__dirhop_handoff" -a -O "$__dirhop_handoff"
        __dirhop_make_file
        test -n "$__dirhop_handoff"; or return 1
    end
    set -l handoff $__dirhop_handoff
    # Emptied first: a run that writes no hand-off (a query, a failure) leaves nothing to replay.
    true >$handoff; or return 1
    # A private session (fish --private) leaves no trace: dirhop records no directory it enters.
    set -q fish_private_mode[1]; and set -lx DIRHOP_PRIVATE 1
    # With --remember-cd the shell's hook records every directory, the start of this run too.
    set -q __dirhop_records[1]; and set -lx DIRHOP_SHELL_RECORDS 1
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
        # dirhop has recorded the visit: the hook of --remember-cd is not to record it again.
        set -g __dirhop_jumping 1
        eval builtin $line
        set -l entered $status
        set -e __dirhop_jumping
        test $entered -eq 0; or return 1
        if test "$PWD" != "$previous"
            set -q dirprev[25]; and set -e dirprev[1]
            set -g -a dirprev $previous
            set -e dirnext
            set -g __fish_cd_direction prev
        end
    end
    return $rc
end

#@ part remember-cd (printed by dirhop --init only with --remember-cd)
# With `dirhop --init fish --remember-cd` every change of directory the shell makes by other
# commands is recorded in dirhop's memory of places as well, as a jump records it: a handler of
# PWD runs dirhop when the directory changes. Without the option no handler is defined.
function __dirhop_remember_cd
    set -g __dirhop_records 1
    function __dirhop_record_pwd --on-variable PWD
        set -q __dirhop_jumping[1]; and return
        set -q fish_private_mode[1]; and return
        set -l program $DIRHOP_PROGRAM[1]
        test -n "$program"; or set program dirhop
        command $program --record-visit $PWD </dev/null >/dev/null 2>&1
    end
end

#@ part completion (dirhop --init prints a loader in its place: shell/loader.fish)
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
        printf '%s\n' '-?' -w -h -l -a -x -mail -brantel -home -manual --help --version \
            --places --forget --import
        return 0
    end
    # An empty word, or one that ends in /: the directories in the one it names.
    string match -q -- '*/' "$word"; or test -z "$word"; and set word "$word*"
    # A leading ~ is the home directory, for the search and back again in what is offered.
    set -l home
    set -l tilde
    if string match -q -r -- '^~(/|$)' $word
        set tilde '~'
        set home (string trim -r -c / -- $HOME)
        set word $home(string sub -s 2 -- $word)
    end
    set -l found (command $program --list $word 2>/dev/null </dev/null)
    # Whole-list string operations: a big tree gives thousands of lines.
    if test -n "$tilde"
        set found (string replace -r -- '^'(string escape --style=regex -- "$home") '~' $found)
    else if test "$PWD" != /
        set found (string replace -r -- '^'(string escape --style=regex -- $PWD/) '' $found)
    end
    string replace -r -- '/?$' / $found
end

#@ part core
complete -c c -e
complete -c c -f -a '(__dirhop_complete)'

#@ part completion
# fish 3 keeps only the completions that match the typed word by its own rules (a prefix or a
# part of it in any case, or its letters in order in the same case), so a misspelt or all-lowercase
# word (c wndows, c doc/tax) would get nothing. Tab on the first word after c therefore puts the
# one directory dirhop's search finds in place of the word, as the other shells do; several that
# fish would not all keep (c pro/sr for Projects/src and Prototype/src) are listed below the line,
# which keeps the word, as bash lists them; everything else is left to fish's own completion.
# Bound only where Tab has no binding of the user's.
function __dirhop_tab
    set -l words (commandline -opc)
    if test (count $words) -eq 1; and test "$words[1]" = c
        set -l found (__dirhop_complete)
        if test (count $found) -eq 1
            # A leading ~ stays as typed; the rest is quoted as fish needs it.
            if string match -q -- '~/*' $found
                commandline -rt -- '~/'(string escape -- (string sub -s 3 -- $found))
            else
                commandline -rt -- (string escape -- $found)
            end
            return
        end
        set -l part '*'(string escape --style=wildcard -- (commandline -ct))'*'
        if test (count $found) -gt 1
            and test (count (string match -i -- $part $found)) -lt (count $found)
            printf '\n%s' $found
            printf '\n'
            commandline -f repaint
            return
        end
    end
    commandline -f complete
end
#@ part core
bind --user -M default \t >/dev/null 2>&1; or bind -M default \t __dirhop_tab
bind --user -M insert \t >/dev/null 2>&1; or bind -M insert \t __dirhop_tab
