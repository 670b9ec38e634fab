# What `dirhop --init fish` prints in place of dirhop.fish's jump and completion parts: `c` and
# its Tab are there at once as stubs, and the functions themselves come from the program
# (`dirhop --init fish --jump`, `... --completion`) at the first `c` and the first Tab, so that
# fish's start reads a third of the file. Not installed: the program builds it in.

# Loads the part --$part of the integration from the program; true when it defined the function
# $probe (a function only that part defines).
function __dirhop_load --argument-names probe part
    set -l program $DIRHOP_PROGRAM[1]
    test -n "$program"; or set program dirhop
    command $program --init fish --$part 2>/dev/null </dev/null | source
    functions -q $probe; and return 0
    printf 'Dirhop: %s gave no %s\n' $program $probe >&2
    return 1
end

function c --description 'Change directory with Dirhop (abbreviations, wildcards, typos)'
    __dirhop_load __dirhop_make_file jump; and c $argv
end

# The completion stubs take themselves away first, so that a part that does not load leaves no
# stub calling itself.
function __dirhop_complete
    functions -e __dirhop_complete
    __dirhop_load __dirhop_complete completion 2>/dev/null; and __dirhop_complete
end

function __dirhop_tab
    functions -e __dirhop_tab
    if __dirhop_load __dirhop_tab completion 2>/dev/null
        __dirhop_tab
    else
        commandline -f complete
    end
end
