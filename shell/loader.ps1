# What `dirhop --init powershell` prints in place of dirhop.ps1's jump and completion parts: `c`
# and its Tab completion are there at once as stubs, and the functions themselves come from the
# program (`dirhop --init powershell --jump`, `... --completion`) at the first `c` and the first
# Tab, so that a session's start parses a fraction of the file. Not installed: the program
# builds it in.

# Loads the part --$Part of the integration from the program; true when it defined the function
# $Probe (a function only that part defines). The part's functions are global: ones, so they stay
# after this function returns. On failure the stubs stay, so nothing calls itself.
function global:Import-DirhopPart {
    param([string] $Probe, [string] $Part)
    $program = Get-DirhopProgram
    try {
        $text = (& $program --init powershell "--$Part" 2>$null) -join [char]10
        if ($text) { $null = . ([scriptblock]::Create($text)) }
    } catch {
    }
    if ($ExecutionContext.InvokeCommand.GetCommand($Probe, 'Function')) { return $true }
    Write-Error "Dirhop: $program gave no $Probe"
    return $false
}

# Every word, -? and numbers as typed included, goes on to the real `c`.
function global:c {
    if (Import-DirhopPart New-DirhopSessionFile jump) {
        c @args
    } else {
        $global:LASTEXITCODE = 1
    }
}

Register-ArgumentCompleter -Native -CommandName c -ScriptBlock {
    param($wordToComplete, $commandAst, $cursorPosition)
    $saved = $ExecutionContext.SessionState.PSVariable.GetValue('global:LASTEXITCODE')
    $loaded = Import-DirhopPart Complete-DirhopWord completion 2>$null
    $global:LASTEXITCODE = $saved
    if ($loaded) { Complete-DirhopWord $wordToComplete $commandAst $cursorPosition }
}
