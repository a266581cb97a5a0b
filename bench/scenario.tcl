# Mobile ad hoc scenario for the benchmark traces: nodes under random-waypoint
# motion, AODV routing and CBR/UDP flows, written as a wireless trace with
# agent, routing and MAC lines, in ns-2's old, new or tagged trace format.
#
#   ns scenario.tcl TRACE DURATION [NODES] [FLOWS] [INTERVAL] [SEED] [old|new|tagged] [ENERGY]
#
# ENERGY, when above 0, gives every node an energy model with that many
# joules to start with, so that the trace reports each node's energy.
# The motion and the flows come from one seeded generator, so the same
# arguments always give the same trace.

if {$argc < 2} {
    puts stderr "usage: ns scenario.tcl TRACE DURATION \[NODES\] \[FLOWS\] \[INTERVAL\] \[SEED\] \[old|new|tagged\] \[ENERGY\]"
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

set opt(x)        1000
set opt(y)        1000
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
set opt(rp)       AODV

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

$ns_ node-config -adhocRouting $opt(rp) \
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
    -routerTrace ON \
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

# CBR flows between distinct random pairs, starting at staggered times.
for {set f 0} {$f < $opt(flows)} {incr f} {
    set src [expr {int([$rng uniform 0 $opt(nodes)])}]
    set dst [expr {int([$rng uniform 0 [expr {$opt(nodes) - 1}]])}]
    if {$dst >= $src} { incr dst }
    set udp_($f) [new Agent/UDP]
    set sink_($f) [new Agent/Null]
    $ns_ attach-agent $node_($src) $udp_($f)
    $ns_ attach-agent $node_($dst) $sink_($f)
    $ns_ connect $udp_($f) $sink_($f)
    set cbr_($f) [new Application/Traffic/CBR]
    $cbr_($f) set packetSize_ $opt(pktsize)
    $cbr_($f) set interval_ $opt(interval)
    $cbr_($f) attach-agent $udp_($f)
    $ns_ at [$rng uniform 1.0 10.0] "$cbr_($f) start"
    $ns_ at $opt(duration) "$cbr_($f) stop"
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
