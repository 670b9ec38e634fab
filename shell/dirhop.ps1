# Dirhop for PowerShell 7 (Windows, Linux, macOS) and Windows PowerShell 5.1: dot-source this
# file in your profile (. "C:\Tools\Dirhop\dirhop.ps1"), or put
#   try { . ([scriptblock]::Create((& dirhop --init powershell) -join [char]10)) } catch {}
# there, to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop with
# DIRHOP_HANDOFF naming this session's private hand-off file; dirhop writes what to do there and
# `c` changes the location with Set-Location -LiteralPath, leaving dirhop's exit code in
# $LASTEXITCODE (1 when the directory cannot be entered, 127 when there is no program, 9009 on
# Windows). The file is read only after exit code 0 and emptied before every run, so a run
# that writes nothing (a query, a failure) never repeats an earlier jump. The file's content is
# matched against fixed patterns, never run as code:
#   POSIX: one line, "# rem" (stay) or cd -- '<directory>' with every ' written as '\''.
#   Windows: a small batch file in the console's code page (the OEM code page unless chcp changed
#   it):
#     rem                          nothing to do
#     X:  and  chdir "\dir"        a directory on drive X
#     chdir "\\server\share\dir"   a UNC directory
#   with every % of the directory doubled, as cmd needs it; for a directory with a ! in its name
#   these lines come between "setlocal DisableDelayedExpansion" and "pushd .", "endlocal", "popd",
#   which are skipped here. A directory with a character outside that code page comes in UTF-8
#   between "@chcp 65001 >nul" and "@chcp <page> >nul", which are skipped too.
#
# The hand-off file is made at the session's first `c` with a random name, created exclusively
# (never an existing file or a link): on POSIX in $env:XDG_RUNTIME_DIR when that is a directory,
# else in the temporary directory, with mode 0600; on Windows in the user's TEMP. It is removed
# when the session exits; a session ended by a closed terminal or a signal cannot remove it, so
# the next session's first jump removes the files of sessions that are gone. Loading this file
# makes nothing and looks nothing up: what only a jump needs (the file, the exit hook, the
# program's place on PATH) waits for the first jump.
#
# On POSIX PowerShell expands wildcards and ~ in the unquoted arguments of a program; `c` passes
# its arguments to dirhop as typed, so that dirhop's own search sees the wildcards, and turns a
# leading ~ into the home directory as Set-Location does.
#
# `c -?` and `c --help` show dirhop's usage screen: `c` declares no parameters, so PowerShell 7
# passes -? on instead of showing help for the function.
#
# The program is $env:DIRHOP_PROGRAM when set, else the dirhop beside this file (dirhop.exe in the
# same folder on Windows; on POSIX dirhop in the same directory or <prefix>/bin/dirhop for
# <prefix>/share/dirhop/dirhop.ps1), else dirhop.exe (Windows) or dirhop (POSIX) on PATH.
#
# Tab completion offers the options after `c -`, the alias names after `c -a `, and otherwise the
# directories that dirhop's own search finds for the partly typed (even misspelt) path.
#
# `dirhop --init powershell` prints the parts below that a session's start needs and, in place of
# the jump and completion parts, shell/loader.ps1: stubs of `c` and of its Tab completion that
# fetch those parts from the program (`--jump`, `--completion`) when first used. Functions are
# defined as global:, so a part loaded from inside a stub stays defined after it.

#@ part core
# Windows PowerShell 5.1 has no $IsWindows; PowerShell 6 and later have it on every system.
$global:DirhopOnWindows = $PSVersionTable.PSVersion.Major -lt 6 -or $IsWindows
# Whether the prompt's hook records every change of location (Enable-DirhopRememberCd); set here,
# so that a profile under Set-StrictMode can read it before it is turned on. Loading the file
# again keeps what it was. (Loading calls no cmdlet but Register-ArgumentCompleter: the first
# call of a cmdlet costs a new session tens of milliseconds, more when its module must be loaded
# first, as Test-Path's is; a .NET method such as PSVariable.Get costs next to nothing.)
if (-not $ExecutionContext.SessionState.PSVariable.Get('global:DirhopRecords')) {
    $global:DirhopRecords = $false
}

# The program, unless $env:DIRHOP_PROGRAM names one when `c` runs.
$global:DirhopProgram = if ($global:DirhopOnWindows) { 'dirhop.exe' } else { 'dirhop' }
$global:DirhopProgramResolved = $false

#@ part locate (left out by dirhop --init, whose caller runs the program it found)
# The program beside this file, when there is one. (Loaded into the global scope: the helper
# variables have names of their own and are removed again.)
$dirhopBeside = @('dirhop', '../../bin/dirhop')
if ($global:DirhopOnWindows) { $dirhopBeside = @('dirhop.exe') }
if ($PSScriptRoot) {
    foreach ($dirhopCandidate in $dirhopBeside) {
        $dirhopCandidate = [IO.Path]::Combine($PSScriptRoot, $dirhopCandidate)
        if ([IO.File]::Exists($dirhopCandidate)) {
            $global:DirhopProgram = [IO.Path]::GetFullPath($dirhopCandidate)
            break
        }
    }
}
Remove-Variable -Name dirhopBeside, dirhopCandidate -ErrorAction Ignore

#@ part core
# The program's full name when it is found by name on PATH: looked up at the first jump rather
# than on every one (nor when the file loads).
function global:Resolve-DirhopProgram {
    if ($global:DirhopProgram -notmatch '[\\/]') {
        $found = Get-Command -Name $global:DirhopProgram -CommandType Application `
            -ErrorAction Ignore | Select-Object -First 1
        if ($found) { $global:DirhopProgram = $found.Source }
    }
    $global:DirhopProgramResolved = $true
}

# The program to run: $env:DIRHOP_PROGRAM when set, else the one this file chose, its full name
# looked up once. (`c` writes the same steps out: a function call costs every jump.)
function global:Get-DirhopProgram {
    $program = [Environment]::GetEnvironmentVariable('DIRHOP_PROGRAM')
    if ($program) { return $program }
    if (-not $global:DirhopProgramResolved) { Resolve-DirhopProgram }
    return $global:DirhopProgram
}

#@ part jump (dirhop --init prints a loader in its place: shell/loader.ps1)
# The line patterns of the Windows hand-off file. (The test suite reads these lines and applies the
# same rules to the batch files dirhop.exe writes; keep them plain single-quoted regexes with
# numbered groups only.)
$global:DirhopDriveLine = '^([A-Za-z]:)$'
$global:DirhopChdirLine = '^chdir "(.+)"$'
$global:DirhopDoubledPercent = '%%'
$global:DirhopFrameLine = '^(setlocal DisableDelayedExpansion|pushd \.|endlocal|popd|@chcp [0-9]+ >nul)$'

# The directory that the lines of a Windows hand-off file name, or $null for "rem" or anything
# else.
function global:ConvertFrom-DirhopHandoff {
    param([string[]] $Lines)
    $Lines = @($Lines | Where-Object { $_ -ne '' -and $_ -notmatch $DirhopFrameLine })
    if ($Lines.Count -eq 2 -and $Lines[0] -match $DirhopDriveLine) {
        $drive = $Matches[1]
        if ($Lines[1] -match $DirhopChdirLine) {
            return $drive + ($Matches[1] -replace $DirhopDoubledPercent, '%')
        }
    } elseif ($Lines.Count -eq 1 -and $Lines[0] -match $DirhopChdirLine) {
        return $Matches[1] -replace $DirhopDoubledPercent, '%'
    }
    return $null
}

# The lines of the Windows hand-off file at $Path. A file that switches to code page 65001 first
# is UTF-8, and so is one that is valid UTF-8 (plain ASCII, or a console already in UTF-8);
# otherwise it is in the console's code page, or the OEM code page where no console says one.
function global:Read-DirhopWindowsHandoff {
    param([string] $Path)
    $bytes = [IO.File]::ReadAllBytes($Path)
    $strict = [Text.UTF8Encoding]::new($false, $true)
    try {
        return $strict.GetString($bytes) -split "`r`n"
    } catch [Text.DecoderFallbackException] {
    }
    $page = 0
    try { $page = [Console]::OutputEncoding.CodePage } catch { }
    if ($page -eq 0 -or $page -eq 65001) {
        $page = [Globalization.CultureInfo]::CurrentCulture.TextInfo.OEMCodePage
    }
    try {
        $encoding = [Text.Encoding]::GetEncoding($page)
    } catch {
        $encoding = [Console]::OutputEncoding
    }
    return $encoding.GetString($bytes) -split "`r`n"
}

# The whole content of a POSIX hand-off file that names a directory: cd -- '...' and at most one
# line feed, the quoted part made of characters other than ' and of '\'' (one ').
$global:DirhopShellLine = [regex] "\Acd -- '((?:[^']|'\\'')*)'\n?\z"

# Creates this session's hand-off file and returns its name, or $null when none can be made.
function global:New-DirhopHandoffFile {
    $directories = @()
    if ($global:DirhopOnWindows) {
        $suffix = '.bat'
    } else {
        $suffix = '.sh'
        if ($env:XDG_RUNTIME_DIR -and [IO.Directory]::Exists($env:XDG_RUNTIME_DIR)) {
            $directories += $env:XDG_RUNTIME_DIR
        }
    }
    $directories += [IO.Path]::GetTempPath()
    # Mode 0600 from the start where .NET can create a file with a mode (.NET 7 and later).
    $withMode = -not $global:DirhopOnWindows -and
        $null -ne ('System.IO.FileStreamOptions' -as [type]) -and
        $null -ne ([IO.FileStreamOptions].GetProperty('UnixCreateMode'))
    foreach ($directory in $directories) {
        for ($try = 0; $try -lt 4; $try++) {
            $random = [Guid]::NewGuid().ToString('N')
            $name = Join-Path $directory ('dirhop.' + $PID + '.' + $random + $suffix)
            try {
                if ($global:DirhopOnWindows) {
                    $mode = [IO.FileMode]::CreateNew
                    [IO.File]::Open($name, $mode, [IO.FileAccess]::Write).Dispose()
                } elseif ($withMode) {
                    $options = [IO.FileStreamOptions]::new()
                    $options.Mode = [IO.FileMode]::CreateNew
                    $options.Access = [IO.FileAccess]::Write
                    $options.UnixCreateMode = [IO.UnixFileMode] 'UserRead, UserWrite'
                    [IO.FileStream]::new($name, $options).Dispose()
                } else {
                    # Older .NET: mktemp creates the file exclusively with mode 0600.
                    $name = & mktemp (Join-Path $directory 'dirhop.XXXXXXXXXX') 2>$null
                    if ($LASTEXITCODE -ne 0 -or -not $name) { continue }
                }
                return $name
            } catch [IO.DirectoryNotFoundException] {
                break
            } catch [UnauthorizedAccessException] {
                break
            } catch [IO.IOException] {
                # A name taken already: another one. (No directory, no access: the next one.)
            }
        }
    }
    return $null
}

# Removes from $Directory the hand-off files of sessions whose process is gone: a session ended
# by a closed terminal (SIGHUP) or a signal runs no exit hook. Only names this file makes are
# looked at (dirhop.<pid>.<32 hex digits>.sh or .bat); a file that cannot be removed (another
# user's) is left.
function global:Remove-DirhopStaleFiles {
    param([string] $Directory)
    try {
        $files = [IO.Directory]::GetFiles($Directory, 'dirhop.*.*')
    } catch {
        return
    }
    $made = '\Adirhop\.([0-9]{1,9})\.[0-9a-f]{32}\.(sh|bat)\z'
    foreach ($file in $files) {
        if ([IO.Path]::GetFileName($file) -notmatch $made) { continue }
        $owner = [int] $Matches[1]
        if ($owner -eq $PID) { continue }
        try {
            [Diagnostics.Process]::GetProcessById($owner).Dispose()
            continue
        } catch [ArgumentException] {
            # No such process.
        } catch {
            continue
        }
        try { [IO.File]::Delete($file) } catch { }
    }
}

# This session's hand-off file: one per PowerShell process, made by the first `c`, removed at
# exit; the files that ended sessions left in its directory are removed when it is made. Loading
# this file again keeps the file made the first time.
if (-not $ExecutionContext.SessionState.PSVariable.Get('global:DirhopHandoff')) {
    $global:DirhopHandoff = $null
}

# Makes this session's hand-off file; the first time, arranges for it to be removed at exit.
function global:New-DirhopSessionFile {
    $global:DirhopHandoff = New-DirhopHandoffFile
    if ($global:DirhopHandoff) {
        Remove-DirhopStaleFiles ([IO.Path]::GetDirectoryName($global:DirhopHandoff))
    }
    if ($global:DirhopHandoff -and
        -not $ExecutionContext.SessionState.PSVariable.Get('global:DirhopExitHook')) {
        $global:DirhopExitHook = Register-EngineEvent -SourceIdentifier PowerShell.Exiting `
                -SupportEvent -Action {
            if ($global:DirhopHandoff) {
                Remove-Item -LiteralPath $global:DirhopHandoff -Force -ErrorAction Ignore
            }
        }
    }
    return $global:DirhopHandoff
}

# On POSIX each argument goes to the program as a quoted string, which PowerShell neither globs nor
# tilde-expands: the calls for up to four arguments are written out in `c`, longer ones use a
# script block made once per count, from the count alone (the arguments are never part of code).
$global:DirhopCallers = @{}
function global:Get-DirhopCaller {
    param([int] $Count)
    $caller = $global:DirhopCallers[$Count]
    if (-not $caller) {
        $words = foreach ($i in 0..($Count - 1)) { '"$($a[' + $i + '])"' }
        $caller = [scriptblock]::Create('param($p, $a) & $p ' + ($words -join ' '))
        $global:DirhopCallers[$Count] = $caller
    }
    return $caller
}

# No parameters declared: every word, -? included, goes to dirhop. Everything a jump needs is
# written out here: each further function call would add to the cost of every jump.
function global:c {
    $program = [Environment]::GetEnvironmentVariable('DIRHOP_PROGRAM')
    if (-not $program) {
        if (-not $global:DirhopProgramResolved) { Resolve-DirhopProgram }
        $program = $global:DirhopProgram
    }
    $handoff = $global:DirhopHandoff
    # Emptied, so that a run that writes nothing leaves nothing to take; made at the first jump,
    # and again when it has gone (a cleaner of the temporary directory).
    try {
        [IO.File]::Open($handoff, [IO.FileMode]::Truncate, [IO.FileAccess]::Write).Dispose()
    } catch {
        $handoff = New-DirhopSessionFile
        if (-not $handoff) {
            Write-Error 'Dirhop: cannot create a hand-off file in the temporary directory'
            $global:LASTEXITCODE = 1
            return
        }
    }
    # The environment through .NET: $env: goes through PowerShell's provider, which costs a jump
    # about 0.3 ms for these steps.
    $saved = [Environment]::GetEnvironmentVariable('DIRHOP_HANDOFF')
    [Environment]::SetEnvironmentVariable('DIRHOP_HANDOFF', $handoff)
    # With -RememberCd the prompt's hook records every directory, the start of this run too.
    if ($global:DirhopRecords) {
        [Environment]::SetEnvironmentVariable('DIRHOP_SHELL_RECORDS', '1')
    }
    $code = $null
    try {
        if ($global:DirhopOnWindows) {
            & $program @args
        } else {
            # The words as typed (a number keeps its digits), a leading ~ the home directory.
            $w = [string[]] $args
            for ($i = 0; $i -lt $w.Count; $i++) {
                $v = $w[$i]
                if ($v -and $v.StartsWith('~') -and ($v.Length -eq 1 -or $v[1] -eq '/')) {
                    $w[$i] = $HOME + $v.Substring(1)
                }
            }
            $n = $w.Count
            if ($n -eq 0) { & $program }
            elseif ($n -eq 1) { & $program "$($w[0])" }
            elseif ($n -eq 2) { & $program "$($w[0])" "$($w[1])" }
            elseif ($n -eq 3) { & $program "$($w[0])" "$($w[1])" "$($w[2])" }
            elseif ($n -eq 4) { & $program "$($w[0])" "$($w[1])" "$($w[2])" "$($w[3])" }
            else { & (Get-DirhopCaller $n) $program $w }
        }
        $code = $global:LASTEXITCODE
    } catch [Management.Automation.CommandNotFoundException] {
        # No program: the code a shell gives for a command not found (cmd's on Windows).
        Write-Error -ErrorRecord $_
        if ($global:DirhopOnWindows) { $code = 9009 } else { $code = 127 }
        $global:LASTEXITCODE = $code
        return
    } finally {
        [Environment]::SetEnvironmentVariable('DIRHOP_HANDOFF', $saved)
        if ($global:DirhopRecords) {
            [Environment]::SetEnvironmentVariable('DIRHOP_SHELL_RECORDS', $null)
        }
    }
    if ($code -eq 0) {
        if ($global:DirhopOnWindows) {
            $target = ConvertFrom-DirhopHandoff (Read-DirhopWindowsHandoff $handoff)
            if ($null -ne $target) {
                Set-Location -LiteralPath $target
                if (-not $?) { $code = 1 }
            }
        } else {
            $text = [IO.File]::ReadAllText($handoff, [Text.Encoding]::UTF8)
            $found = $global:DirhopShellLine.Match($text)
            if ($found.Success) {
                Set-Location -LiteralPath $found.Groups[1].Value.Replace("'\''", "'")
                # A directory that cannot be entered: 1, as cd gives in other shells.
                if (-not $?) { $code = 1 }
            }
        }
    }
    # dirhop has recorded the visit: the prompt's hook is not to record it again.
    if ($global:DirhopRecords) {
        $global:DirhopRecordedPath = $ExecutionContext.SessionState.Path.CurrentLocation.ProviderPath
    }
    $global:LASTEXITCODE = $code
}

#@ part remember-cd (printed by dirhop --init only with --remember-cd)
# With `dirhop --init powershell --remember-cd` every change of location the shell makes by other
# commands is recorded in dirhop's memory of places as well, as a jump records it: the prompt
# compares the file-system location with the one it recorded last and runs dirhop only when they
# differ, then shows the prompt it had before. Without the option the prompt is not touched.
function global:Enable-DirhopRememberCd {
    if ($global:DirhopRecords) { return }
    $global:DirhopRecords = $true
    $global:DirhopRecordedPath = $null
    $global:DirhopUserPrompt = $function:prompt
    function global:prompt {
        $here = $ExecutionContext.SessionState.Path.CurrentLocation
        if ($here.Provider.Name -eq 'FileSystem' -and $here.ProviderPath -cne $global:DirhopRecordedPath) {
            $global:DirhopRecordedPath = $here.ProviderPath
            $program = Get-DirhopProgram
            $code = $global:LASTEXITCODE
            try { & $program --record-visit $here.ProviderPath *> $null } catch {}
            $global:LASTEXITCODE = $code
        }
        if ($global:DirhopUserPrompt) { & $global:DirhopUserPrompt }
    }
}

#@ part completion (dirhop --init prints a loader in its place: shell/loader.ps1)
# Runs $Query (a script block that calls dirhop) with PowerShell reading the program's output as
# UTF-8, which is what dirhop.exe writes to a pipe; the console's own encoding is put back after.
function global:Invoke-DirhopQuery {
    param([scriptblock] $Query)
    if (-not $global:DirhopOnWindows) { return & $Query }
    $saved = [Console]::OutputEncoding
    try {
        try { [Console]::OutputEncoding = [Text.UTF8Encoding]::new($false) } catch { }
        return & $Query
    } finally {
        try { [Console]::OutputEncoding = $saved } catch { }
    }
}

# The options that Tab offers after `c -`.
$global:DirhopOptions = @('-?', '-w', '-h', '-l', '-a', '-x', '-mail', '-brantel', '-home',
                          '-manual', '--help', '--version', '--places', '--forget', '--import')

# A completion as PowerShell needs it typed: in single quotes unless every character is plain.
function global:ConvertTo-DirhopCompletionText {
    param([string] $Text)
    if ($Text -match '\A[\w./\\:+=%^!~-]+\z' -and $Text -notmatch '\A[-~]') {
        return $Text
    }
    $generator = [Management.Automation.Language.CodeGeneration]
    return "'" + $generator::EscapeSingleQuotedStringContent($Text) + "'"
}

# The word being completed as dirhop should see it: without the quotes it was typed in.
function global:ConvertFrom-DirhopTypedWord {
    param([string] $Word)
    if ($Word.Length -ge 1 -and $Word[0] -eq "'") {
        $Word = $Word.Substring(1)
        if ($Word.EndsWith("'")) { $Word = $Word.Substring(0, $Word.Length - 1) }
        return $Word.Replace("''", "'")
    }
    if ($Word.Length -ge 1 -and $Word[0] -eq '"') {
        $Word = $Word.Substring(1)
        if ($Word.EndsWith('"')) { $Word = $Word.Substring(0, $Word.Length - 1) }
    }
    return $Word
}

# Tab completion: options, alias names or directories. Changes nothing: the queries write no
# hand-off, history or store, and $LASTEXITCODE keeps its value.
function global:Complete-DirhopWord {
    param($wordToComplete, $commandAst, $cursorPosition)
    $program = Get-DirhopProgram
    $savedExitCode = $ExecutionContext.SessionState.PSVariable.GetValue('global:LASTEXITCODE')
    $before = @($commandAst.CommandElements |
        Where-Object { $_.Extent.EndOffset -lt $cursorPosition })
    $word = ConvertFrom-DirhopTypedWord $wordToComplete
    try {
        if ($before.Count -eq 2 -and $before[1].Extent.Text -eq '-a') {
            foreach ($name in @(Invoke-DirhopQuery { & $program --aliases 2>$null })) {
                if ($name -and $name.StartsWith($word, [StringComparison]::OrdinalIgnoreCase)) {
                    [Management.Automation.CompletionResult]::new(
                        (ConvertTo-DirhopCompletionText $name), $name, 'ParameterValue', $name)
                }
            }
        } elseif ($word.StartsWith('-')) {
            foreach ($option in $global:DirhopOptions) {
                if ($option.StartsWith($word, [StringComparison]::OrdinalIgnoreCase)) {
                    [Management.Automation.CompletionResult]::new(
                        $option, $option, 'ParameterName', $option)
                }
            }
        } else {
            $spec = $word
            if (-not $spec) { $spec = '*' }
            $separator = [IO.Path]::DirectorySeparatorChar
            $here = $PWD.ProviderPath
            if ($here -and -not $here.EndsWith($separator)) { $here += $separator }
            foreach ($line in @(Invoke-DirhopQuery { & $program --list "$spec" 2>$null })) {
                if (-not $line) { continue }
                $shown = $line
                if ($here -and $line.Length -gt $here.Length -and
                    $line.StartsWith($here, [StringComparison]::Ordinal)) {
                    $shown = $line.Substring($here.Length)
                    # A name that starts like an option or like ~ would mean something else.
                    if ($shown -match '\A[-~]') { $shown = '.' + $separator + $shown }
                }
                if (-not $shown.EndsWith($separator)) { $shown += $separator }
                [Management.Automation.CompletionResult]::new(
                    (ConvertTo-DirhopCompletionText $shown), $shown, 'ProviderContainer', $line)
            }
        }
    } finally {
        $global:LASTEXITCODE = $savedExitCode
    }
}
Register-ArgumentCompleter -Native -CommandName c -ScriptBlock ${function:Complete-DirhopWord}
