# Every command of the package on the demo report, and the Tcl error of each kind of misuse.
# usage: tclsh commands.tcl SCRATCH_DIR RDB
lassign $argv scratch
fconfigure stdout -encoding utf-8 -translation lf
puts "rdb [package require rdb]"

# Runs each command, all of which must fail, and prints its message and errorCode (the scratch folder
# as SCRATCH).
proc failing {args} {
    foreach command $args {
        if {![catch {uplevel 1 $command} message options]} {
            puts "NO ERROR: $command"
        } else {
            puts [string map [list $::scratch SCRATCH] "error: $message | [dict get $options -errorcode]"]
        }
    }
}

failing {rdb::reports}
rdb::open $scratch/demo
foreach report [rdb::reports] {
    dict with report {puts "report $rev $type time>0:[expr {$time > 0}] size>0:[expr {$size > 0}]"}
}
set objects [rdb::objects pixel_pipe cmp]
puts "[llength $objects] objects, first [lindex $objects 0], last [lindex $objects end]"
foreach pattern {{*Summary} {Fitter||Resource Section||I/O Bank Usage||*} {*[HS]* Slack*} {nothing*}} {
    puts "objects $pattern: [rdb::objects pixel_pipe cmp $pattern]"
}

set setup {Timing Analyzer||Setup Summary}
set summary {Fitter||Fitter Summary}
foreach path [list $setup $summary] {
    puts "table $path\n  header {[join [rdb::table pixel_pipe cmp $path] "}\n  row {"]}"
}
foreach {path row col} [list $setup 0 0 $setup 2 {Slack (ns)} $setup 1 2 $summary 0 1 $summary 9 0] {
    puts "cell $path $row {$col}: [rdb::cell pixel_pipe cmp $path $row $col]"
}
puts -nonewline [rdb::text pixel_pipe cmp $setup]

failing {rdb::open $scratch/none} {rdb::open $scratch/hostile/..} {rdb::objects pixel_pipe fit} \
    {rdb::table pixel_pipe cmp {Fitter||No Such Table}} {rdb::table pixel_pipe cmp Fitter} \
    {rdb::cell pixel_pipe cmp $setup 3 0} {rdb::cell pixel_pipe cmp $setup -1 0} \
    {rdb::cell pixel_pipe cmp $setup first 0} {rdb::cell pixel_pipe cmp $setup 0 3} \
    {rdb::cell pixel_pipe cmp $setup 0 Slack} {rdb::cell pixel_pipe cmp $summary 0 Status}
failing rdb::open {rdb::reports all} {rdb::objects pixel_pipe} {rdb::objects pixel_pipe cmp * extra} \
    {rdb::table pixel_pipe cmp} {rdb::cell pixel_pipe cmp path 0} {rdb::text pixel_pipe cmp path extra}

# Another project replaces the open one; opening the demo again reads it afresh.
rdb::open $scratch/hostile
failing {rdb::objects pixel_pipe cmp}
rdb::open $scratch/demo
puts "reopened: [rdb::cell pixel_pipe cmp $setup 0 Clock]"
