# Times `c <spec>` of shell/dirhop.ps1 against running the program directly, in one pwsh process:
#   pwsh -NoProfile -File bench/bench_powershell.ps1 build/native/dirhop [runs]
# Each round runs, in an order that turns from round to round: the program directly
# (& dirhop x, hand-off file named, nothing read), `c x` (a jump into ./x), Set-Location into
# ./x alone, and the program with a do-nothing argument list (--version) directly and through `c`
# (the wrapper's own cost without a location change). Figures are medians in ms; the `c x` line's
# "x direct" is the goal figure. A private store and tree are made under the temporary
# directory and removed afterwards.
param([Parameter(Mandatory)] [string] $Program, [int] $Runs = 200)
$ErrorActionPreference = 'Stop'
$Program = (Resolve-Path -LiteralPath $Program).ProviderPath
$work = Join-Path ([IO.Path]::GetTempPath()) ('dirhop-bench-ps-' + [Guid]::NewGuid().ToString('N'))
$null = New-Item -ItemType Directory -Path (Join-Path $work 'tree/x'),
    (Join-Path $work 'config/dirhop')
$null = New-Item -ItemType File -Path (Join-Path $work 'config/dirhop/registry')
$env:XDG_CONFIG_HOME = Join-Path $work 'config'
$env:DIRHOP_PROGRAM = $Program
. (Join-Path $PSScriptRoot '../shell/dirhop.ps1')
$tree = Join-Path $work 'tree'
$handoff = Join-Path $work 'direct.sh'
$null = New-Item -ItemType File -Path $handoff

$cases = [ordered] @{
    'direct & dirhop x' = {
        $env:DIRHOP_HANDOFF = $handoff; & $Program x; $env:DIRHOP_HANDOFF = $null
    }
    'c x'               = { c x }
    'Set-Location x'    = { Set-Location -LiteralPath (Join-Path $tree 'x') }
    'direct --version'  = { & $Program --version > $null }
    'c --version'       = { c --version > $null }
}
$times = @{}
foreach ($name in $cases.Keys) { $times[$name] = [Collections.Generic.List[double]]::new() }
$names = @($cases.Keys)
$watch = [Diagnostics.Stopwatch]::new()
try {
    for ($round = 0; $round -lt $Runs + 5; $round++) {
        for ($k = 0; $k -lt $names.Count; $k++) {
            $name = $names[($k + $round) % $names.Count]
            $block = $cases[$name]
            Set-Location -LiteralPath $tree
            $watch.Restart()
            . $block
            $watch.Stop()
            if ($round -ge 5) { $times[$name].Add($watch.Elapsed.TotalMilliseconds) }
        }
        $here = (Get-Location).ProviderPath
        if ($here -ne $tree -and $here -ne (Join-Path $tree 'x')) {
            throw "unexpected location $(Get-Location)"
        }
    }
} finally {
    Set-Location -LiteralPath ([IO.Path]::GetTempPath())
    Remove-Item -LiteralPath $work -Recurse -Force
}
function Median([Collections.Generic.List[double]] $values) {
    $sorted = @($values | Sort-Object)
    return $sorted[[int][Math]::Floor($sorted.Count / 2)]
}
$direct = Median $times['direct & dirhop x']
"pwsh $($PSVersionTable.PSVersion), $Runs rounds, medians in ms"
foreach ($name in $names) {
    $m = Median $times[$name]
    '{0,-20} {1,8:N3}  {2,6:N2}x direct' -f $name, $m, ($m / $direct)
}
