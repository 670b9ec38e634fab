# Dirhop for PowerShell: dot-source this file in your profile (. "C:\Tools\Dirhop\dirhop.ps1")
# to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop.exe with
# DIRHOP_HANDOFF naming a private temporary file; dirhop.exe writes a small batch file there:
#   rem                          nothing to do
#   X:  and  chdir "\dir"        a directory on drive X
#   chdir "\\server\share\dir"   a UNC directory
# with every % of the directory doubled, as cmd needs it; for a directory with a ! in its name
# these lines come between "setlocal DisableDelayedExpansion" and "pushd .", "endlocal", "popd",
# which are skipped here. `c` reads those lines, undoes the %%,
# changes the location with Set-Location -LiteralPath, removes the file and leaves dirhop's exit
# code in $LASTEXITCODE.
#
# The program is $env:DIRHOP_PROGRAM when set, else dirhop.exe beside this file, else dirhop.exe
# on PATH.

# The line patterns of the hand-off file. (The test suite reads these three lines and applies the
# same rules to the batch files dirhop.exe writes; keep them plain single-quoted regexes with
# numbered groups only.)
$DirhopDriveLine = '^([A-Za-z]:)$'
$DirhopChdirLine = '^chdir "(.+)"$'
$DirhopDoubledPercent = '%%'
$DirhopFrameLine = '^(setlocal DisableDelayedExpansion|pushd \.|endlocal|popd)$'

# The directory that the lines of a hand-off file name, or $null for "rem" or anything else.
function ConvertFrom-DirhopHandoff {
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

$DirhopHome = $PSScriptRoot

function c {
    $program = $env:DIRHOP_PROGRAM
    if (-not $program) {
        $program = Join-Path $DirhopHome 'dirhop.exe'
        if (-not (Test-Path -LiteralPath $program)) { $program = 'dirhop.exe' }
    }
    # A file of this call's own: two sessions never read each other's result.
    $handoff = Join-Path ([IO.Path]::GetTempPath()) ('dirhop-' + [Guid]::NewGuid().ToString('N') + '.bat')
    $saved = $env:DIRHOP_HANDOFF
    $env:DIRHOP_HANDOFF = $handoff
    try {
        & $program @args
        $code = $LASTEXITCODE
    } finally {
        $env:DIRHOP_HANDOFF = $saved
    }
    try {
        if (Test-Path -LiteralPath $handoff) {
            # dirhop.exe writes paths in the OEM code page, as the console shows them.
            try {
                $oem = [Text.Encoding]::GetEncoding([Globalization.CultureInfo]::CurrentCulture.TextInfo.OEMCodePage)
            } catch {
                $oem = [Console]::OutputEncoding
            }
            $target = ConvertFrom-DirhopHandoff ([IO.File]::ReadAllLines($handoff, $oem))
            if ($null -ne $target) { Set-Location -LiteralPath $target }
        }
    } finally {
        Remove-Item -LiteralPath $handoff -Force -ErrorAction SilentlyContinue
    }
    $global:LASTEXITCODE = $code
}
