# Every command of the package on the demo report, and the Tcl error of each kind of misuse.
# usage: tclsh commands.tcl SCRATCH_DIR RDB
lassign $argv scratch
fconfigure stdout -encoding utf-8 -translation lf
puts "rdb [package require rdb]"

# Runs a command that must fail and prints its message and errorCode (the scratch folder as SCRATCH).
proc failing {command} {
    if {[catch {uplevel 1 $command} message options]} {
        set text "error: $message | [dict get $options -errorcode]"
        puts [string map [list $::scratch SCRATCH] $text]
    } else {
        puts "NO ERROR: $command"
    }
}

failing {rdb::reports}
rdb::open $scratch/demo
foreach report [rdb::reports] {
    dict with report {
        puts "report $rev $type time>0:[expr {$time > 0}] size>0:[expr {$size > 0}]"
    }
}

set objects [rdb::objects pixel_pipe cmp]
puts "[llength $objects] objects, first [lindex $objects 0], last [lindex $objects end]"
foreach pattern {{*Summary} {Fitter||Resource Section||I/O Bank Usage||*} {*[HS]* Slack*} {nothing*}} {
    puts "objects $pattern: [rdb::objects pixel_pipe cmp $pattern]"
}

foreach path {{Timing Analyzer||Setup Summary} {Fitter||Fitter Summary}} {
    set table [rdb::table pixel_pipe cmp $path]
    puts "table $path: header {[lindex $table 0]}, [expr {[llength $table] - 1}] rows"
    foreach row [lrange $table 1 end] {
        puts "  $row"
    }
}
foreach {path row col} {
    {Timing Analyzer||Setup Summary} 0 0
    {Timing Analyzer||Setup Summary} 2 {Slack (ns)}
    {Timing Analyzer||Setup Summary} 1 2
    {Fitter||Fitter Summary} 0 1
    {Fitter||Fitter Summary} 9 0
} {
    puts "cell $path $row {$col}: [rdb::cell pixel_pipe cmp $path $row $col]"
}
puts -nonewline [rdb::text pixel_pipe cmp {Timing Analyzer||Setup Summary}]

failing {rdb::open $scratch/none}
failing {rdb::open $scratch/hostile/..}
failing {rdb::objects pixel_pipe fit}
failing {rdb::table pixel_pipe cmp {Fitter||No Such Table}}
failing {rdb::table pixel_pipe cmp Fitter}
set setup {Timing Analyzer||Setup Summary}
foreach {row col} {3 0 -1 0 first 0 0 3 0 Slack} {
    failing {rdb::cell pixel_pipe cmp $setup $row $col}
}
failing {rdb::cell pixel_pipe cmp {Fitter||Fitter Summary} 0 Status}
foreach command {rdb::open {rdb::reports all} {rdb::objects pixel_pipe} {rdb::table pixel_pipe cmp}
                 {rdb::objects pixel_pipe cmp * extra}
                 {rdb::cell pixel_pipe cmp path 0} {rdb::text pixel_pipe cmp path extra}} {
    failing $command
}

# Another project replaces the open one; opening the demo again reads it afresh.
rdb::open $scratch/hostile
failing {rdb::objects pixel_pipe cmp}
rdb::open $scratch/demo
puts "reopened: [rdb::cell pixel_pipe cmp {Timing Analyzer||Setup Summary} 0 Clock]"
