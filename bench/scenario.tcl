# Mobile ad hoc scenario for the benchmark and test traces: nodes under
# random-waypoint motion, AODV routing and CBR flows over UDP by default, written
# as a wireless trace with agent, routing and MAC lines, in ns-2's old, new
# or tagged trace format.
#
#   ns scenario.tcl TRACE DURATION [NODES] [FLOWS] [INTERVAL] [SEED] [old|new|tagged] [ENERGY] [NAME=VALUE]...
#
# ENERGY, when above 0, gives every node an energy model with that many
# joules to start with, so that the trace reports each node's energy.
# NAME=VALUE words after the others:
#   routing=AODV|DSR|DSDV   the routing protocol
#   traffic=udp|tcp         the CBR source over UDP, or over TCP (whose
#                           receiver acknowledges every packet)
#   routerTrace=ON|OFF      the routing layer's lines; the run is the same
#                           either way, so two traces that differ only in it
#                           differ only in those lines
#   size=METRES             the side of the square the nodes move in (1000)
# The motion and the flows come from one seeded generator, so the same
# arguments always give the same trace.

if {$argc < 2} {
    puts stderr "usage: ns scenario.tcl TRACE DURATION \[NODES\] \[FLOWS\] \[INTERVAL\] \[SEED\] \[old|new|tagged\] \[ENERGY\] \[NAME=VALUE\]..."
    exit 2
}
set opt(trace)    [lindex $argv 0]
set opt(duration) [lindex $argv 1]
set opt(nodes)    [expr {$argc > 2 ? [lindex $argv 2] : 50}]
set opt(flows)    [expr {$argc > 3 ? [lindex $argv 3] : 20}]
set opt(interval) [expr {$argc > 4 ? [lindex $argv 4] : 0.25}]
set opt(seed)     [expr {$argc > 5 ? [lindex $argv 5] : 7}]
set opt(format)   [expr {$argc > 6 ? [lindex $argv 6] : "old"}]
set opt(energy)   [expr {$argc > 7 ? [lindex $argv 7] : 0}]

set opt(routing)     AODV
set opt(traffic)     udp
set opt(routerTrace) ON
set opt(size)        1000
foreach word [lrange $argv 8 end] {
    set pair [split $word =]
    if {[llength $pair] != 2 || ![info exists opt([lindex $pair 0])]} {
        puts stderr "scenario.tcl: unknown setting $word"
        exit 2
    }
    set opt([lindex $pair 0]) [lindex $pair 1]
}

set opt(x)        $opt(size)
set opt(y)        $opt(size)
set opt(minspeed) 1.0
set opt(maxspeed) 10.0
set opt(pause)    2.0
set opt(pktsize)  512

set opt(chan)     Channel/WirelessChannel
set opt(prop)     Propagation/TwoRayGround
set opt(netif)    Phy/WirelessPhy
set opt(mac)      Mac/802_11
set opt(ifq)      Queue/DropTail/PriQueue
set opt(ll)       LL
set opt(ant)      Antenna/OmniAntenna
set opt(ifqlen)   50
# DSR keeps a queue of its own.
if {$opt(routing) eq "DSR"} {
    set opt(ifq) CMUPriQueue
}

global defaultRNG
$defaultRNG seed $opt(seed)
set rng [new RNG]
$rng seed $opt(seed)

set ns_ [new Simulator]
if {$opt(format) eq "new"} {
    $ns_ use-newtrace
} elseif {$opt(format) eq "tagged"} {
    $ns_ use-taggedtrace
}
set tracefd [open $opt(trace) w]
$ns_ trace-all $tracefd

set topo [new Topography]
$topo load_flatgrid $opt(x) $opt(y)
create-god $opt(nodes)
set chan_ [new $opt(chan)]

$ns_ node-config -adhocRouting $opt(routing) \
    -llType $opt(ll) \
    -macType $opt(mac) \
    -ifqType $opt(ifq) \
    -ifqLen $opt(ifqlen) \
    -antType $opt(ant) \
    -propType $opt(prop) \
    -phyType $opt(netif) \
    -channel $chan_ \
    -topoInstance $topo \
    -agentTrace ON \
    -routerTrace $opt(routerTrace) \
    -macTrace ON \
    -movementTrace OFF
if {$opt(energy) > 0} {
    $ns_ node-config -energyModel EnergyModel \
        -initialEnergy $opt(energy) \
        -txPower 0.9 \
        -rxPower 0.5 \
        -idlePower 0.45 \
        -sleepPower 0.05
}

for {set i 0} {$i < $opt(nodes)} {incr i} {
    set node_($i) [$ns_ node]
    $node_($i) random-motion 0
}

# Random waypoint: travel to a random point at a random speed, pause, repeat
# until the end of the run.
for {set i 0} {$i < $opt(nodes)} {incr i} {
    set x [$rng uniform 1 [expr {$opt(x) - 1}]]
    set y [$rng uniform 1 [expr {$opt(y) - 1}]]
    $node_($i) set X_ $x
    $node_($i) set Y_ $y
    $node_($i) set Z_ 0.0
    set t 0.5
    while {$t < $opt(duration)} {
        set nx [$rng uniform 1 [expr {$opt(x) - 1}]]
        set ny [$rng uniform 1 [expr {$opt(y) - 1}]]
        set speed [$rng uniform $opt(minspeed) $opt(maxspeed)]
        $ns_ at $t "$node_($i) setdest $nx $ny $speed"
        set dist [expr {hypot($nx - $x, $ny - $y)}]
        set t [expr {$t + $dist / $speed + $opt(pause)}]
        set x $nx
        set y $ny
    }
}

# Flows between distinct random pairs, starting at staggered times.
for {set f 0} {$f < $opt(flows)} {incr f} {
    set src [expr {int([$rng uniform 0 $opt(nodes)])}]
    set dst [expr {int([$rng uniform 0 [expr {$opt(nodes) - 1}]])}]
    if {$dst >= $src} { incr dst }
    if {$opt(traffic) eq "tcp"} {
        set agent_($f) [new Agent/TCP]
        $agent_($f) set packetSize_ $opt(pktsize)
        set sink_($f) [new Agent/TCPSink]
    } else {
        set agent_($f) [new Agent/UDP]
        set sink_($f) [new Agent/Null]
    }
    set app_($f) [new Application/Traffic/CBR]
    $app_($f) set packetSize_ $opt(pktsize)
    $app_($f) set interval_ $opt(interval)
    $ns_ attach-agent $node_($src) $agent_($f)
    $ns_ attach-agent $node_($dst) $sink_($f)
    $ns_ connect $agent_($f) $sink_($f)
    $app_($f) attach-agent $agent_($f)
    $ns_ at [$rng uniform 1.0 10.0] "$app_($f) start"
    $ns_ at $opt(duration) "$app_($f) stop"
}

for {set i 0} {$i < $opt(nodes)} {incr i} {
    $ns_ at [expr {$opt(duration) + 0.0001}] "$node_($i) reset"
}
$ns_ at [expr {$opt(duration) + 0.0002}] "finish"

proc finish {} {
    global ns_ tracefd
    $ns_ flush-trace
    close $tracefd
    $ns_ halt
}

$ns_ run
