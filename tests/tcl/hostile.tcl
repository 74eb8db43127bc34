# The hostile report (markup, quotes, "||", newlines in names and cells) reads back unchanged: the
# texts are printed as they are, and every object's text equals what "rdb show" prints of it. A
# revision name that is not UTF-8 reaches Tcl with U+FFFD for each bad byte, and names its report.
# usage: tclsh hostile.tcl SCRATCH_DIR RDB
lassign $argv scratch rdb
encoding system utf-8
fconfigure stdout -encoding utf-8 -translation lf
package require rdb
rdb::open $scratch/hostile

foreach report [rdb::reports] {
    puts "report [list [dict get $report rev] [dict get $report type]]"
}
puts "same objects under the bytes revision: [expr {[rdb::objects hostile fit] eq [rdb::objects bytes\uFFFD\uFFFD fit]}]"
foreach path [rdb::objects hostile fit] {
    puts "object [list $path]"
    if {[catch {rdb::text hostile fit $path} text options]} {
        puts "  text: [dict get $options -errorcode]"
        continue
    }
    # Through the environment: exec would take a word that starts with "<" for a redirection.
    set env(RDB_TEST_OBJECT_PATH) $path
    set shown [exec -keepnewline sh -c {"$0" --project "$1" show hostile fit "$RDB_TEST_OBJECT_PATH"} \
                   $rdb $scratch/hostile]
    puts "  text as rdb show prints it: [expr {$text eq $shown}]"
    if {![catch {rdb::table hostile fit $path} table]} {
        foreach row $table {puts "  [llength $row] cells: <<[join $row ">> <<"]>>"}
    }
}
set path [rdb::objects hostile fit {*"double" 'single' table}]
puts "cell by header: <<[rdb::cell hostile fit [lindex $path 0] 1 {</script><script>window.rdb_pwned=1</script>}]>>"
